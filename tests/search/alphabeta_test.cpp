// The node searches, driven by a small iterative-deepening loop of the
// test's own: forced wins found with the right mate distance and the winning
// move first, the forced blocks, the score of a won position against the
// score after its best move, the position given back untouched, the same
// result and node count twice, mate scores through the table, the node
// entry (stop, stone limit, mate-distance pruning, the time-check countdown),
// the table cutoff with its statistics, the forbidden filter, the store of a
// node with no move, the statistics arithmetic; and a soak over random
// positions (run it under the sanitizer build).
#include "search/alphabeta.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "board/bench_pictures.h"
#include "board/position.h"
#include "board/startup_tables.h"
#include "board/tables.h"
#include "movegen/generators.h"
#include "movegen/root_moves.h"
#include "movegen/search_stack.h"
#include "movegen/threats.h"
#include "search/evaluate.h"
#include "search/leaf.h"
#include "search/search_control.h"
#include "search/threads.h"
#include "search/tt.h"
#include "search/tunables.h"
#include "support/board_drawing.h"
#include "support/board_snapshot.h"


namespace {

constexpr MoveWord xAt(uint32_t x, uint32_t y) { return makeMoveWord(COLOUR_X, x, y); }
constexpr MoveWord oAt(uint32_t x, uint32_t y) { return makeMoveWord(COLOUR_O, x, y); }

struct SearchResult {
    int32_t score;
    std::vector<MoveWord> pv;
    uint64_t nodes;
    std::vector<MoveWord> rootMoves;  // in the order of the final sort
};

class AlphaBetaTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        buildClassTable();
        initReductions(2);
        thread = new MainThread(0);
        game = std::make_unique_for_overwrite<Position>().release();
    }
    static void TearDownTestSuite() {
        delete thread;
        delete game;
        thread = nullptr;
    }
    void SetUp() override {
        resize(TT, 1 << 22);
        clear(TT);
        stopFlag.store(false);
    }
    void TearDown() override {
        stopFlag.store(false);
        clear(TT);
        selectTableVariant(COLOUR_X);
    }

    // The search thread's position becomes a copy of the drawn board.
    static void setUp(const std::vector<std::string_view>& rows, uint32_t size, uint32_t black, uint8_t sideToMove) {
        setupFromPicture(*game, pictureFromRows(rows, size), black);
        game->sideToMove = sideToMove;
        copyFrom(thread->position, *game, thread);
    }
    static void setUpFromGame() { copyFrom(thread->position, *game, thread); }
    static Position& pos() { return thread->position; }

    // A fresh stack and clean statistics, with the countdown to the time
    // check out of reach: the driver's time check does not belong here.
    static StackEntry* freshStack() {
        clearSearchStats(thread->stats);
        thread->callsCnt = INT_MAX;
        thread->resetCalls.store(false);
        thread->selDepth = 0;
        return initSearchStack(stack, thread->batches);
    }

    // The test's own iterative deepening: the root moves of the list, one
    // full-window root search per depth, the moves stably sorted by score.
    static SearchResult iterate(int32_t maxDepth) {
        MoveList list;
        generateMoveList(pos(), list);
        thread->rootMoves.clear();
        for (uint32_t i = 0; i < list.size; ++i) {
            RootMove rm;
            rm.pv.push_back(list.moves[i].move);
            thread->rootMoves.push_back(rm);
        }
        thread->pvIdx = 0;
        StackEntry* root = freshStack();
        const uint64_t nodesBefore = pos().nodes;
        int32_t score = 0;
        for (int32_t depth = 1; depth <= maxDepth && !thread->rootMoves.empty(); ++depth) {
            for (RootMove& rm : thread->rootMoves) rm.previousScore = rm.score;
            score = searchPV(pos(), root, -SCORE_INFINITE, SCORE_INFINITE, depth, false);
            std::stable_sort(thread->rootMoves.begin(), thread->rootMoves.end(),
                             [](const RootMove& a, const RootMove& b) { return a.score > b.score; });
        }
        SearchResult result{score, {}, pos().nodes - nodesBefore, {}};
        if (!thread->rootMoves.empty()) result.pv = thread->rootMoves[0].pv;
        for (const RootMove& rm : thread->rootMoves) result.rootMoves.push_back(rm.pv[0]);
        return result;
    }

    static MainThread* thread;
    static Position* game;
    static StackEntry stack[STACK_SIZE];
};

MainThread* AlphaBetaTest::thread = nullptr;
Position* AlphaBetaTest::game = nullptr;
StackEntry AlphaBetaTest::stack[STACK_SIZE];

// Boards of 15 x 15, row y = 0 first; O plays black in all of them, X is
// to move.
struct WinCase {
    const char* name;
    std::vector<std::string_view> rows;
    int32_t score;                   // 32000 minus the plies to the five, counted as the search does
    std::set<MoveWord> winningMoves;  // the moves that win that fast
};

const WinCase WIN_CASES[] = {
    {"five point",
     {"", "", "..........O", "", "", "", "", "..OXXXX", "", "", "", "", "....O......O"},
     SCORE_MATE - 3,
     {xAt(7, 7)}},
    {"open four point",
     {"", "", "..........O", "", "", "", "", "....XXX", "", "", "", "", "....O......O"},
     SCORE_MATE - 4,
     {xAt(3, 7), xAt(7, 7)}},
    // (7,7) makes the four of row 7 and the open three of column 7.
    {"four-three point",
     {"", "", "..........O", "", "", ".......X", ".......X", "...OXXX", "", "", "", "", "..O........O"},
     SCORE_MATE - 6,
     {xAt(7, 7)}},
    // A four at (5,5) or (7,7); after the forced block the other one is a
    // four-three with the diagonal through (6,6).
    {"four, then four-three",
     {"", "............O", "", "", "", ".OXXX", "......X", "........XXXO", "", "", "", "", "", ".O..........O"},
     SCORE_MATE - 8,
     {xAt(5, 5), xAt(7, 7)}},
};

TEST_F(AlphaBetaTest, FindsForcedWinsWithTheirMateDistanceAndPlaysTheWinningMoveFirst) {
    for (const WinCase& c : WIN_CASES) {
        SCOPED_TRACE(c.name);
        setUp(c.rows, 15, COLOUR_O, 1);
        clear(TT);
        for (int32_t depth : {1, 3, 5}) {
            const SearchResult r = iterate(depth);
            EXPECT_EQ(r.score, c.score) << "depth " << depth;
            ASSERT_FALSE(r.pv.empty());
            EXPECT_TRUE(c.winningMoves.count(r.pv[0] & MOVE_MASK)) << std::hex << r.pv[0];
            EXPECT_EQ(thread->rootMoves[0].score, c.score);
        }
    }
}

TEST_F(AlphaBetaTest, TheScoreOfAWonPositionIsMinusTheScoreAfterTheWinningMoveOnePlyCloser) {
    // The five point is left out: after it nothing is left to search.
    for (const WinCase& c : WIN_CASES) {
        if (c.score == SCORE_MATE - 3) continue;
        SCOPED_TRACE(c.name);
        setUp(c.rows, 15, COLOUR_O, 1);
        clear(TT);
        const SearchResult before = iterate(4);
        ASSERT_FALSE(before.pv.empty());
        makeMove(*game, before.pv[0]);
        setUpFromGame();
        clear(TT);
        const SearchResult after = iterate(4);
        unmakeMove(*game, before.pv[0]);
        EXPECT_EQ(before.score, -after.score - 1);
        EXPECT_LE(after.score, -SCORE_MATE_IN_MAX_PLY);
    }
}

TEST_F(AlphaBetaTest, BlocksTheOpponentsFivePointAndOpenThree) {
    struct Case {
        const char* name;
        std::vector<std::string_view> rows;
        std::set<MoveWord> blocks;
    } cases[] = {
        {"five point", {"", "", "..........X", "", "", "", "", "...XOOOO", "", "", "", "", "....X"}, {xAt(8, 7)}},
        {"open three", {"", "", "..........X", "", "", "", "", ".....OOO", "", "", "", "", "....X......X"},
         {xAt(4, 7), xAt(8, 7)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setUp(c.rows, 15, COLOUR_O, 1);
        for (int32_t depth : {1, 2, 4, 6}) {
            clear(TT);
            const SearchResult r = iterate(depth);
            ASSERT_FALSE(r.pv.empty());
            EXPECT_TRUE(c.blocks.count(r.pv[0] & MOVE_MASK)) << "depth " << depth << " move " << std::hex << r.pv[0];
            EXPECT_GT(r.score, -SCORE_MATE_IN_MAX_PLY) << "depth " << depth;
            // Every other move loses outright.
            for (const RootMove& rm : thread->rootMoves) {
                if (!c.blocks.count(rm.pv[0] & MOVE_MASK) && rm.score != -SCORE_INFINITE && depth >= 2) {
                    EXPECT_LE(rm.score, -SCORE_MATE_IN_MAX_PLY) << std::hex << rm.pv[0];
                }
            }
        }
    }
}

TEST_F(AlphaBetaTest, GivesThePositionBackAsItWas) {
    for (int picture : {15, 20, 35}) {
        SCOPED_TRACE(picture);
        setupFromPicture(*game, benchmarkPictures[picture], COLOUR_X);
        setUpFromGame();
        const BoardSnapshot before = takeSnapshot(pos());
        const uint64_t key = pos().current->key;
        const StateRecord* current = pos().current;
        const SearchResult r = iterate(9);
        EXPECT_GT(r.nodes, 1000u);
        EXPECT_EQ(differencesFrom(before, pos()), "");
        EXPECT_EQ(pos().current->key, key);
        EXPECT_EQ(pos().current, current);
        EXPECT_EQ(pos().stoneCount, before.stoneCount);
    }
}

TEST_F(AlphaBetaTest, SearchesTheSameWayTwice) {
    for (int picture : {5, 30}) {
        SCOPED_TRACE(picture);
        setupFromPicture(*game, benchmarkPictures[picture], COLOUR_X);
        setUpFromGame();
        clear(TT);
        const SearchResult first = iterate(9);
        clear(TT);
        const SearchResult second = iterate(9);
        EXPECT_EQ(first.score, second.score);
        EXPECT_EQ(first.pv, second.pv);
        EXPECT_EQ(first.nodes, second.nodes);
        EXPECT_EQ(first.rootMoves, second.rootMoves);
        // Every root move's principal variation can be played out.
        for (const RootMove& rm : thread->rootMoves) {
            ASSERT_FALSE(rm.pv.empty());
            uint32_t colour = pos().sideToMove == 1 ? COLOUR_X : COLOUR_O;
            std::set<uint32_t> taken;
            for (MoveWord m : rm.pv) {
                EXPECT_EQ(colourOf(m), colour);
                EXPECT_EQ(pos().cells[cellOf(m)], 0u);
                EXPECT_TRUE(taken.insert(cellOf(m)).second);
                colour = otherColour(colour);
            }
        }
    }
}

TEST_F(AlphaBetaTest, EverySearchMarginIsReadByTheSearch) {
    // A margin registered as a tunable but not read where it prunes would
    // make every strength test of it a test of nothing: at its least and at
    // its most, each one changes the tree of some benchmark picture, and its
    // default gives the same tree back. The aspiration window belongs to the
    // driver, whose own test covers it.
    const auto searchNodes = [] {
        uint64_t nodes = 0;
        for (int picture : {3, 15, 20, 27, 35}) {
            setupFromPicture(*game, benchmarkPictures[picture], COLOUR_X);
            setUpFromGame();
            clear(TT);
            nodes += iterate(8).nodes;
        }
        return nodes;
    };
    const uint64_t standard = searchNodes();
    // The margins follow the evaluation's weights; the shapes' share after
    // them is the evaluation's, tested with it.
    const size_t evalCount = evalTunables().size();
    for (const Tunable& t : tunables().subspan(evalCount, sizeof(SearchMargins) / sizeof(int32_t))) {
        if (std::string_view(t.name) == "ASPIRATION") continue;
        SCOPED_TRACE(t.name);
        setTunable(t.name, t.least);
        const uint64_t least = searchNodes();
        setTunable(t.name, t.most);
        const uint64_t most = searchNodes();
        setTunable(t.name, t.defaultValue);
        EXPECT_TRUE(least != standard || most != standard) << least << " " << most << " " << standard;
    }
    EXPECT_EQ(searchNodes(), standard);
}

TEST_F(AlphaBetaTest, TheRootSearchesEveryMoveFromPvIdxOnAndNoOther) {
    setupFromPicture(*game, benchmarkPictures[15], COLOUR_X);
    setUpFromGame();
    iterate(4);
    ASSERT_GT(thread->rootMoves.size(), 10u);
    constexpr int32_t UNTOUCHED = 777;
    for (uint64_t pvIdx : {0, 1}) {
        SCOPED_TRACE(pvIdx);
        for (RootMove& rm : thread->rootMoves) rm.score = UNTOUCHED;
        const std::vector<MoveWord> firstPv = thread->rootMoves[0].pv;
        thread->pvIdx = pvIdx;
        StackEntry* root = freshStack();
        const int32_t value = searchPV(pos(), root, -SCORE_INFINITE, SCORE_INFINITE, 5, false);
        // No root move is pruned: each one searched has a score or -32001.
        int32_t best = -SCORE_INFINITE;
        for (size_t i = pvIdx; i < thread->rootMoves.size(); ++i) {
            EXPECT_NE(thread->rootMoves[i].score, UNTOUCHED) << i;
            best = std::max(best, thread->rootMoves[i].score);
        }
        EXPECT_EQ(best, value);
        if (pvIdx == 1) {
            EXPECT_EQ(thread->rootMoves[0].score, UNTOUCHED);
            EXPECT_EQ(thread->rootMoves[0].pv, firstPv);
        }
    }
    thread->pvIdx = 0;
}

TEST_F(AlphaBetaTest, MateScoresGoThroughTheTableRelativeToTheirNode) {
    // The open-four point: the root scores 32000 - 4; the child at ply 2,
    // facing an open four, is proven lost by the quick win check and stores
    // -(32000 - 4) in table form: 2 plies further from a loss.
    setUp(WIN_CASES[1].rows, 15, COLOUR_O, 1);
    const SearchResult r = iterate(3);
    ASSERT_EQ(r.score, SCORE_MATE - 4);
    const uint64_t childKey = keyAfter(pos(), r.pv[0]);
    const ProbeResult child = probe(TT, childKey);
    ASSERT_TRUE(child.found);
    EXPECT_EQ(child.entry.value, -(SCORE_MATE - 4) - 2);
    EXPECT_EQ(child.entry.bound, BOUND_EXACT);
    EXPECT_EQ(child.entry.staticEval, SCORE_NONE);
    const ProbeResult root = probe(TT, pos().current->key);
    ASSERT_TRUE(root.found);
    EXPECT_EQ(root.entry.value, SCORE_MATE - 4 + 1);
    EXPECT_TRUE(sameMove(root.entry.move, r.pv[0]));

    // A win stored in table form at one ply reads at another ply with the
    // distance from that node: stored as "win 10 plies from a node at ply 3"
    // and found at ply 7, it is still a win 10 plies away.
    setUp({"", "", "", "", "", "", "", ".......X", "........O"}, 15, COLOUR_O, 1);
    const uint64_t key = pos().current->key;
    const ProbeResult slot = probe(TT, key);
    store(TT, slot.slot, key, valueToTable(SCORE_MATE - 3 - 10, 3), BOUND_EXACT, 20, 0, 0);
    StackEntry* ss = freshStack() + 6;
    ASSERT_EQ(ss->ply, 7);
    const uint64_t nodes = pos().nodes;
    EXPECT_EQ(searchNonPV(pos(), ss, 100, 101, 5, false, false), SCORE_MATE - 7 - 10);
    EXPECT_EQ(pos().nodes, nodes);
}

TEST_F(AlphaBetaTest, NodeEntryStopsAtTheStopFlagTheStoneLimitAndTheMateDistance) {
    setUp({"", "", "", "", "", "", "", ".......X", "........O"}, 15, COLOUR_O, 1);
    const uint64_t key = pos().current->key;
    StackEntry* root = freshStack();

    // Stop flag, once the thread has completed its first iteration: every
    // non-root node answers 0 and stores nothing.
    stopFlag.store(true);
    thread->completedDepth = 1;
    EXPECT_EQ(searchNonPV(pos(), root + 3, -500, -499, 4, false, false), 0);
    EXPECT_EQ(searchPV(pos(), root + 3, -500, 500, 4, false), 0);
    EXPECT_FALSE(probe(TT, key).found);
    stopFlag.store(false);
    thread->completedDepth = 0;

    // Mate-distance pruning: at ply 10 nothing beats a win in 31999 - 10, so
    // a window above it returns alpha before the table is probed.
    EXPECT_EQ(searchNonPV(pos(), root + 9, 31995, 31996, 4, false, false), 31995);
    EXPECT_EQ(searchNonPV(pos(), root + 9, -31993, -31992, 4, false, false), -31990);
    EXPECT_FALSE(probe(TT, key).found);

    // Stone limit: 200 stones or more score 0 below ply 128.
    const uint32_t stones = pos().stoneCount;
    pos().stoneCount = 200;
    EXPECT_EQ(searchNonPV(pos(), root + 3, -500, -499, 4, false, false), 0);
    EXPECT_EQ(searchPV(pos(), root + 3, 100, 500, 4, false), 0);
    pos().stoneCount = stones;
    EXPECT_FALSE(probe(TT, key).found);

    // Ply limit: a node at ply 128 is not searched; it evaluates.
    EXPECT_EQ(searchNonPV(pos(), root + 127, -500, -499, 4, false, false), evaluate(pos()));
}

TEST_F(AlphaBetaTest, CountsDownToTheTimeCheckAndRestartsWhenAskedTo) {
    setUp({"", "", "", "", "", "", "", ".......X", "........O"}, 15, COLOUR_O, 1);
    StackEntry* root = freshStack();
    stopFlag.store(true);  // the nodes return right after the poll
    thread->completedDepth = 1;
    thread->resetCalls.store(true);
    thread->callsCnt = 7;
    searchNonPV(pos(), root + 3, 0, 1, 3, false, false);
    EXPECT_FALSE(thread->resetCalls.load());
    EXPECT_EQ(thread->callsCnt, 4095);
    searchNonPV(pos(), root + 3, 0, 1, 3, false, false);
    searchPV(pos(), root + 3, 0, 10, 3, false);
    EXPECT_EQ(thread->callsCnt, 4093);
    thread->completedDepth = 0;
}

TEST_F(AlphaBetaTest, ANodeWithoutMovesIsADrawStoredAsTheBoundItIs) {
    // A full 5 x 5 board without a five: no move is left.
    setUp({"XXOOX", "OOXXO", "XXOOX", "OOXXO", "XXOOX"}, 5, COLOUR_X, 0);
    ASSERT_EQ(threatSearch(pos()), 0);
    ASSERT_FALSE(mustAnswer(pos()));
    const uint64_t key = pos().current->key;
    StackEntry* ss = freshStack() + 2;
    struct Case {
        int32_t alpha, beta;
        uint8_t bound;
    };
    for (const Case& c : {Case{-1, 0, BOUND_LOWER}, Case{0, 1, BOUND_UPPER}, Case{-300, -299, BOUND_LOWER}}) {
        clear(TT);
        EXPECT_EQ(searchNonPV(pos(), ss, c.alpha, c.beta, 3, false, true), 0);
        const ProbeResult p = probe(TT, key);
        ASSERT_TRUE(p.found);
        EXPECT_EQ(p.entry.bound, c.bound) << c.beta;
        EXPECT_EQ(p.entry.value, 0);
        EXPECT_EQ(p.entry.depth, 3);
        EXPECT_EQ(p.entry.move, 0u);
    }
}

TEST_F(AlphaBetaTest, AQuickWinIsStoredExactDeeperThanTheNodeOverAnyEntry) {
    setUp(WIN_CASES[0].rows, 15, COLOUR_O, 1);  // X has a five point
    const uint64_t key = pos().current->key;
    const ProbeResult slot = probe(TT, key);
    const MoveWord stored = xAt(1, 1);
    store(TT, slot.slot, key, 55, BOUND_UPPER, 90, stored, 12);  // no cutoff: an upper bound above beta
    StackEntry* ss = freshStack() + 3;  // ply 4: a mate-distance window that still holds the win
    EXPECT_EQ(searchNonPV(pos(), ss, -30, -29, 2, false, false), SCORE_MATE - 4 - 1);
    const ProbeResult p = probe(TT, key);
    ASSERT_TRUE(p.found);
    EXPECT_EQ(p.entry.bound, BOUND_EXACT);
    EXPECT_EQ(p.entry.depth, 8);
    EXPECT_EQ(p.entry.value, SCORE_MATE - 1);  // table form: plus the ply
    EXPECT_EQ(p.entry.staticEval, SCORE_NONE);
    EXPECT_EQ(p.entry.move, stored);  // the key matched: the move stays
}

TEST_F(AlphaBetaTest, TableCutoffsReturnTheStoredValueAndTrainTheStatistics) {
    setUp({"", "", "", "", "", "", "", ".......X", "........O"}, 15, COLOUR_O, 1);
    const uint64_t key = pos().current->key;
    const MoveWord ttMove = xAt(6, 6);
    const MoveWord previous = oAt(8, 8);
    StackEntry* root = freshStack();
    StackEntry* ss = root + 4;
    // The previous move (entry ss - 1) and the rows it is continued from.
    (ss - 1)->currentMove = previous;
    (ss - 1)->moveCount = 1;
    (ss - 1)->contHistory = thread->stats.contHistory[statIndex(previous)];
    for (int k = 2; k <= 7; ++k) (ss - k)->contHistory = thread->stats.contHistory[100 + k];
    const uint32_t p = statIndex(previous);
    const uint32_t t = statIndex(ttMove);

    // An upper bound below beta: the previous move is rewarded through the
    // rows one, two, four and six plies before it: -statBonus(depth + 1).
    ProbeResult slot = probe(TT, key);
    store(TT, slot.slot, key, -40, BOUND_UPPER, 5, ttMove, 0);
    EXPECT_EQ(searchNonPV(pos(), ss, 0, 1, 3, false, false), -40);
    const int16_t penalty = int16_t(32 * -statBonus(4));
    for (int k : {2, 3, 5, 7}) EXPECT_EQ((ss - k)->contHistory[p], penalty) << k;
    for (int k : {4, 6}) EXPECT_EQ((ss - k)->contHistory[p], 0) << k;

    // A lower bound at beta: ttMove becomes killer and counter move and
    // earns statBonus(depth); the previous move, refuted as its node's first
    // move, loses statBonus(depth + 1) again.
    clearSearchStats(thread->stats);
    slot = probe(TT, key);
    store(TT, slot.slot, key, 40, BOUND_LOWER, 5, ttMove, 0);
    EXPECT_EQ(searchNonPV(pos(), ss, 0, 1, 3, false, false), 40);
    EXPECT_EQ(ss->killers[0], ttMove);
    EXPECT_EQ(thread->stats.moveHistory[t], 32 * statBonus(3));
    EXPECT_EQ(thread->stats.counterMoves[p], ttMove);
    EXPECT_EQ((ss - 1)->contHistory[t], 32 * statBonus(3));
    EXPECT_EQ((ss - 2)->contHistory[p], penalty);

    // Too shallow, or a bound on the wrong side: no cutoff, the node searches.
    for (const auto& [value, bound, depth] : {std::tuple{40, BOUND_LOWER, 2}, std::tuple{-40, BOUND_LOWER, 5}}) {
        clear(TT);
        slot = probe(TT, key);
        store(TT, slot.slot, key, value, bound, depth, 0, 0);
        const uint64_t nodes = pos().nodes;
        searchNonPV(pos(), ss, 0, 1, 3, false, false);
        EXPECT_GT(pos().nodes, nodes) << value << " " << depth;
    }
}

TEST_F(AlphaBetaTest, NeverPlaysAForbiddenTableMoveForBlack) {
    // X is black; (7,7) would make two open threes: forbidden.
    setUp({"", "", ".............O", "", "", ".......X", ".......X", ".....XX", "", "", ".O", "", "..........O", "",
           "O"},
          15, COLOUR_X, 1);
    const MoveWord forbidden = xAt(7, 7);
    ASSERT_EQ(pos().classes[cellOf(forbidden)].x, CLASS_FORBIDDEN);
    const uint64_t key = pos().current->key;
    const ProbeResult slot = probe(TT, key);
    store(TT, slot.slot, key, 0, BOUND_LOWER, 1, forbidden, 0);
    StackEntry* ss = freshStack() + 2;
    MoveWord pv[PV_BUFFER_SIZE];
    ss->pv = pv;
    searchPV(pos(), ss, -SCORE_INFINITE, SCORE_INFINITE, 3, false);
    // Every searched child leaves its entry in the table; the forbidden one
    // has none.
    EXPECT_FALSE(probe(TT, keyAfter(pos(), forbidden)).found);
    int children = 0;
    for (uint32_t x = 0; x < 15; ++x)
        for (uint32_t y = 0; y < 15; ++y)
            if (pos().cells[cellIndex(x, y)] == 0 && probe(TT, keyAfter(pos(), xAt(x, y))).found) ++children;
    EXPECT_GT(children, 0);
    const ProbeResult node = probe(TT, key);
    ASSERT_TRUE(node.found);
    EXPECT_FALSE(sameMove(node.entry.move, forbidden));
}

TEST_F(AlphaBetaTest, AWidenedRootListIsSearchedMoveByMoveInsteadOfThePickersMoves) {
    struct Case {
        const char* name;
        std::vector<std::string_view> rows;
        uint32_t black;
        std::vector<MoveWord> listed;  // moves the picker does not offer here
    };
    const Case cases[] = {
        // O's closed four on row 7: the picker offers only the block (8,7).
        {"far cells while a four must be answered",
         {"", "", "", "", "", "", "", "...XOOOO", "", ".........X"},
         COLOUR_O,
         {xAt(0, 14), xAt(14, 0), xAt(14, 14)}},
        // X is black; (7,7) is a double three the fast verdict forbids.
        {"a forbidden cell when nothing else may be played",
         {"", "", ".............O", "", "", ".......X", ".......X", ".....XX", "", "", ".O", "", "..........O", "",
          "O"},
         COLOUR_X,
         {xAt(7, 7)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setUp(c.rows, 15, c.black, 1);
        thread->rootMoves.clear();
        for (MoveWord m : c.listed) {
            RootMove rm;
            rm.pv.push_back(m);
            thread->rootMoves.push_back(rm);
        }
        thread->rootFromList = true;
        thread->pvIdx = 0;
        StackEntry* root = freshStack();
        const int32_t value = searchPV(pos(), root, -SCORE_INFINITE, SCORE_INFINITE, 1, false);
        thread->rootFromList = false;
        // Exactly the listed moves were searched: each child left its entry.
        std::set<uint32_t> searched;
        for (uint32_t x = 0; x < 15; ++x)
            for (uint32_t y = 0; y < 15; ++y)
                if (pos().cells[cellIndex(x, y)] == 0 && probe(TT, keyAfter(pos(), xAt(x, y))).found)
                    searched.insert(cellIndex(x, y));
        std::set<uint32_t> listedCells;
        for (MoveWord m : c.listed) listedCells.insert(cellOf(m));
        EXPECT_EQ(searched, listedCells);
        int32_t best = -SCORE_INFINITE;
        for (const RootMove& rm : thread->rootMoves) best = std::max(best, rm.score);
        EXPECT_EQ(best, value);
        EXPECT_GT(value, -SCORE_INFINITE);
        // Leaving the four unanswered loses at once.
        if (c.black == COLOUR_O) {
            EXPECT_LE(value, -SCORE_MATE_IN_MAX_PLY);
        }
        clear(TT);
    }
}

TEST_F(AlphaBetaTest, StatisticsFollowTheirFormulas) {
    EXPECT_EQ(statBonus(1), 10);
    EXPECT_EQ(statBonus(9), 90);
    EXPECT_EQ(statBonus(10), 118);
    EXPECT_EQ(statBonus(17), 321);
    EXPECT_EQ(cappedStatBonus(17), 321);
    EXPECT_EQ(cappedStatBonus(18), 0);

    clearSearchStats(thread->stats);
    StackEntry* root = freshStack();
    StackEntry* ss = root + 7;
    for (int k = 1; k <= 7; ++k) (ss - k)->contHistory = thread->stats.contHistory[200 + k];
    (ss - 1)->currentMove = oAt(3, 3);
    const MoveWord best = xAt(4, 4);
    const MoveWord quiets[] = {xAt(5, 5), xAt(6, 6)};
    thread->stats.moveHistory[statIndex(best)] = 3240;
    thread->stats.moveHistory[statIndex(quiets[0])] = -1000;
    (ss - 1)->contHistory[statIndex(best)] = 9360;

    ss->killers[0] = xAt(1, 1);
    updateStats(*thread, ss, best, quiets, 2, 90);
    EXPECT_EQ(ss->killers[0], best);
    EXPECT_EQ(ss->killers[1], xAt(1, 1));
    EXPECT_EQ(thread->stats.counterMoves[statIndex(oAt(3, 3))], best);
    // 3240 + 32 * 90 - 3240 * 90 / 324 = 3240 + 2880 - 900
    EXPECT_EQ(thread->stats.moveHistory[statIndex(best)], 5220);
    // -1000 - 2880 + 1000 * 90 / 324 (toward zero: 277)
    EXPECT_EQ(thread->stats.moveHistory[statIndex(quiets[0])], -3603);
    EXPECT_EQ(thread->stats.moveHistory[statIndex(quiets[1])], -2880);
    // Rows 1, 2, 4, 6 plies back; 9360 + 2880 - 9360 * 90 / 936
    EXPECT_EQ((ss - 1)->contHistory[statIndex(best)], 11340);
    for (int k : {2, 4, 6}) EXPECT_EQ((ss - k)->contHistory[statIndex(best)], 2880) << k;
    for (int k : {3, 5, 7}) EXPECT_EQ((ss - k)->contHistory[statIndex(best)], 0) << k;
    for (int k : {1, 2, 4, 6}) EXPECT_EQ((ss - k)->contHistory[statIndex(quiets[1])], -2880) << k;

    // The same killer twice keeps the second killer; a bonus of 324 or more
    // changes no history but still sets killer and counter move.
    const int16_t history = thread->stats.moveHistory[statIndex(best)];
    updateStats(*thread, ss, best, quiets, 2, 358);
    EXPECT_EQ(ss->killers[1], xAt(1, 1));
    EXPECT_EQ(thread->stats.moveHistory[statIndex(best)], history);
    EXPECT_EQ(thread->stats.moveHistory[statIndex(quiets[1])], -2880);
    updateContinuation(ss, best, -324);
    EXPECT_EQ((ss - 1)->contHistory[statIndex(best)], 11340);
    updateContinuation(ss, best, -323);
    EXPECT_EQ((ss - 2)->contHistory[statIndex(best)], 2880 - 32 * 323 - 2880 * 323 / 936);
}

// Random positions from random games, searched at depth 4 to 6: the
// sanitizer build checks memory; the test checks the position comes back,
// the score lies in range and the principal variation can be played.
// PEBBLON_SOAK_POSITIONS sets the number of positions (default 30).
TEST_F(AlphaBetaTest, SoakOverRandomPositions) {
    const char* env = std::getenv("PEBBLON_SOAK_POSITIONS");
    const int positions = env ? std::atoi(env) : 30;
    std::mt19937 random(20240611);
    uint64_t totalNodes = 0;
    const auto start = std::chrono::steady_clock::now();
    int searched = 0;
    for (int i = 0; i < positions; ++i) {
        const uint32_t size = 10 + random() % 11;
        reset(*game, size);
        selectRuleTables(*game, i % 2 ? COLOUR_X : COLOUR_O);
        const int plies = 2 + random() % 70;
        for (int ply = 0; ply < plies; ++ply) {
            MoveList list;
            generateMoveList(*game, list);
            if (list.size == 0) break;
            makeMove(*game, list.moves[random() % list.size].move & MOVE_MASK);
        }
        setUpFromGame();
        clear(TT);
        const BoardSnapshot before = takeSnapshot(pos());
        const int32_t depth = 4 + i % 3;
        const SearchResult r = iterate(depth);
        SCOPED_TRACE("position " + std::to_string(i) + ", " + std::to_string(game->stoneCount) + " stones");
        ASSERT_EQ(differencesFrom(before, pos()), "");
        totalNodes += r.nodes;
        if (r.pv.empty()) continue;
        ++searched;
        EXPECT_LE(std::abs(r.score), SCORE_MATE);
        EXPECT_LE(thread->selDepth, MAX_PLY);
        uint32_t colour = pos().sideToMove == 1 ? COLOUR_X : COLOUR_O;
        std::set<uint32_t> taken;
        for (MoveWord m : r.pv) {
            ASSERT_EQ(colourOf(m), colour);
            ASSERT_EQ(pos().cells[cellOf(m)], 0u);
            ASSERT_TRUE(taken.insert(cellOf(m)).second);
            colour = otherColour(colour);
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("soak: %d positions searched, %llu nodes, %.0f nodes/s\n", searched,
                static_cast<unsigned long long>(totalNodes), totalNodes / std::max(seconds, 1e-9));
}

}  // namespace
