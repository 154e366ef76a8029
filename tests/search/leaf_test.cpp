// The searches at the horizon: the stone and ply limits, the table cutoff of
// the null-window variants, the quick win with its store, the static value
// (from the table, or handed over after a null move) and the store rules of
// the leaf; the answer node trying exactly the threat answers, completing
// its virtual moves in the child, its stores, and the lost node without an
// answer.
#include "search/leaf.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "board/position.h"
#include "board/startup_tables.h"
#include "board/tables.h"
#include "movegen/search_stack.h"
#include "movegen/threats.h"
#include "search/evaluate.h"
#include "search/threads.h"
#include "search/tt.h"
#include "support/board_drawing.h"
#include "support/board_snapshot.h"

namespace {

constexpr MoveWord xAt(uint32_t x, uint32_t y) { return makeMoveWord(COLOUR_X, x, y); }

// Two stones, no threat anywhere; X to move, O black.
const std::vector<std::string_view> QUIET = {"", "", "", "", "", "", "", ".......X", "........O"};
// X to move has a five point at (7,7).
const std::vector<std::string_view> X_FIVE_POINT = {"", "", "..........O", "", "", "", "", "..OXXXX", "", "",
                                                    "", "", "....O......O"};
// O has a five point at (8,7) that X must block.
const std::vector<std::string_view> O_FIVE_POINT = {"", "", "..........X", "", "", "", "", "...XOOOO", "", "",
                                                    "", "", "....X"};
// O has an open three: X must take (4,7) or (8,7).
const std::vector<std::string_view> O_OPEN_THREE = {"", "", "..........X", "", "", "", "", ".....OOO", "", "",
                                                    "", "", "....X......X"};
// A full 5 x 5 board without a five.
const std::vector<std::string_view> FULL_BOARD = {"XXOOX", "OOXXO", "XXOOX", "OOXXO", "XXOOX"};

class LeafTest : public ::testing::Test {
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
    }
    void SetUp() override {
        resize(TT, 1 << 20);
        clear(TT);
    }
    void TearDown() override {
        clear(TT);
        selectTableVariant(COLOUR_X);
    }

    static void setUp(const std::vector<std::string_view>& rows, uint32_t size, uint32_t black = COLOUR_O,
                      uint8_t sideToMove = 1) {
        setupFromPicture(*game, pictureFromRows(rows, size), black);
        game->sideToMove = sideToMove;
        copyFrom(thread->position, *game, thread);
    }
    static Position& pos() { return thread->position; }

    // The entry of the given ply on a fresh stack, with a pv buffer.
    static StackEntry* entryAt(int32_t ply) {
        clearSearchStats(thread->stats);
        thread->selDepth = 0;
        StackEntry* root = initSearchStack(stack, thread->batches);
        StackEntry* ss = root + (ply - 1);
        ss->pv = pvBuffer;
        (ss - 1)->currentMove = 0;
        (ss - 1)->staticEval = 0;
        return ss;
    }

    static TTEntry entryOf(uint64_t key) {
        const ProbeResult p = probe(TT, key);
        EXPECT_TRUE(p.found);
        return p.entry;
    }

    static MainThread* thread;
    static Position* game;
    static StackEntry stack[STACK_SIZE];
    static MoveWord pvBuffer[PV_BUFFER_SIZE];
};

MainThread* LeafTest::thread = nullptr;
Position* LeafTest::game = nullptr;
StackEntry LeafTest::stack[STACK_SIZE];
MoveWord LeafTest::pvBuffer[PV_BUFFER_SIZE];

TEST_F(LeafTest, AtTheStoneLimitScoresZeroBelowPly128AndEvaluatesFromThere) {
    // Rows 0-9 of a 20 x 20 board full: 200 stones, pairs along x, the
    // colour changing from row to row.
    std::vector<std::string> rows(10, std::string(20, '.'));
    for (uint32_t y = 0; y < 10; ++y)
        for (uint32_t x = 0; x < 20; ++x) rows[y][x] = ((x / 2 + y) % 2) ? 'X' : 'O';
    setUp(std::vector<std::string_view>(rows.begin(), rows.end()), 20, COLOUR_O, 1);
    ASSERT_EQ(pos().stoneCount, 200u);
    ASSERT_EQ(pos().current->classCountX[CLASS_FIVE_STANDS] + pos().current->classCountO[CLASS_FIVE_STANDS], 0);
    const int32_t value = evaluate(pos());

    EXPECT_EQ(leafNonPV(pos(), entryAt(127), 5000, 0), 0);
    EXPECT_EQ(leafPV(pos(), entryAt(127), 5000, 0), 0);
    EXPECT_EQ(leafNonPV(pos(), entryAt(128), 5000, 0), value);
    EXPECT_EQ(leafPV(pos(), entryAt(128), 5000, 0), value);
    EXPECT_EQ(answerNonPV(pos(), entryAt(5), -100, 100, 0), 0);
    EXPECT_EQ(answerPV(pos(), entryAt(5), -100, 100, 0), 0);
    EXPECT_FALSE(probe(TT, pos().current->key).found);
}

TEST_F(LeafTest, AtPly128TheLeafEvaluatesAndTheAnswerNodeScoresZero) {
    setUp(O_FIVE_POINT, 15);
    EXPECT_EQ(leafNonPV(pos(), entryAt(128), 5000, 0), evaluate(pos()));
    EXPECT_EQ(answerNonPV(pos(), entryAt(128), -100, 100, 0), 0);
    EXPECT_EQ(answerPV(pos(), entryAt(128), -100, 100, 0), 0);
    EXPECT_EQ(thread->selDepth, 128);
    EXPECT_FALSE(probe(TT, pos().current->key).found);
}

TEST_F(LeafTest, TheLeafStoresItsValueAsTheBoundItIsUnlessAFoundEntryAlreadyHoldsIt) {
    setUp(QUIET, 15);
    ASSERT_EQ(threatSearch(pos()), 0);
    const uint64_t key = pos().current->key;
    const int32_t value = evaluate(pos());

    // Below beta: an upper bound at the leaf's depth.
    EXPECT_EQ(leafNonPV(pos(), entryAt(4), value + 1, 0), value);
    TTEntry e = entryOf(key);
    EXPECT_EQ(e.bound, BOUND_UPPER);
    EXPECT_EQ(e.depth, 0);
    EXPECT_EQ(e.value, value);
    EXPECT_EQ(e.staticEval, value);
    EXPECT_EQ(e.move, 0u);

    // At beta, nothing found: a lower bound without depth.
    clear(TT);
    EXPECT_EQ(leafPV(pos(), entryAt(4), value, 0), value);
    e = entryOf(key);
    EXPECT_EQ(e.bound, BOUND_LOWER);
    EXPECT_EQ(e.depth, DEPTH_NONE);
    EXPECT_EQ(e.value, value);

    // At beta with an entry found: nothing is stored.
    clear(TT);
    ProbeResult slot = probe(TT, key);
    store(TT, slot.slot, key, SCORE_NONE, BOUND_NONE, DEPTH_NONE, xAt(1, 1), value - 7);
    const TTEntry before = slot.slot->load();
    StackEntry* ss = entryAt(4);
    EXPECT_EQ(leafNonPV(pos(), ss, value - 100, 0), value - 7);  // the stored evaluation
    EXPECT_EQ(ss->staticEval, value - 7);
    const TTEntry after = slot.slot->load();
    EXPECT_EQ(std::memcmp(&after, &before, sizeof before), 0);
}

TEST_F(LeafTest, TheStoredValueReplacesTheEvaluationWhereItsBoundPointsAway) {
    setUp(QUIET, 15);
    const uint64_t key = pos().current->key;
    const int32_t value = evaluate(pos());
    struct Case {
        int32_t stored;
        uint8_t bound;
        int8_t depth;
        int32_t expected;
    } cases[] = {
        {value + 50, BOUND_LOWER, 0, value + 50},  // a lower bound above the evaluation
        {value - 50, BOUND_UPPER, 0, value - 50},  // an upper bound below it
        {value + 50, BOUND_UPPER, 0, value},       // pointing the other way
        {value - 50, BOUND_LOWER, 0, value},
        {value + 50, BOUND_LOWER, -1, value},  // shallower than the leaf
    };
    for (const Case& c : cases) {
        clear(TT);
        ProbeResult slot = probe(TT, key);
        store(TT, slot.slot, key, c.stored, c.bound, c.depth, 0, value);
        // The full-window leaf takes no cutoff but still reads the value.
        EXPECT_EQ(leafPV(pos(), entryAt(3), 30000, 0), c.expected) << c.stored - value << " " << int(c.bound);
    }
}

TEST_F(LeafTest, OnlyTheNullWindowNodesTakeATableCutoffBeforeTheQuickWin) {
    setUp(X_FIVE_POINT, 15);
    const uint64_t key = pos().current->key;
    const MoveWord stored = xAt(1, 1);
    const ProbeResult slot = probe(TT, key);
    store(TT, slot.slot, key, 123, BOUND_UPPER, 100, stored, 0);
    EXPECT_EQ(leafNonPV(pos(), entryAt(5), 500, 0), 123);
    EXPECT_EQ(answerNonPV(pos(), entryAt(5), 499, 500, 0), 123);

    // The full-window leaf proves the win, a five on ply 1 from ply 5, and
    // stores it over the deeper entry, keeping the move of its key.
    EXPECT_EQ(leafPV(pos(), entryAt(5), 500, 0), SCORE_MATE - 5 - 1);
    TTEntry e = entryOf(key);
    EXPECT_EQ(e.bound, BOUND_EXACT);
    EXPECT_EQ(e.value, SCORE_MATE - 1);  // table form
    EXPECT_EQ(e.depth, 6);
    EXPECT_EQ(e.staticEval, SCORE_NONE);
    EXPECT_EQ(e.move, stored);

    // Both entries of the cluster held by other keys: the win replaces one
    // of them and drops its move.
    clear(TT);
    for (int bit : {40, 41}) {
        const uint64_t other = key ^ (uint64_t(1) << bit);
        store(TT, probe(TT, other).slot, other, 0, BOUND_LOWER, 100, stored, 0);
    }
    EXPECT_EQ(answerPV(pos(), entryAt(3), -100, 100, -4), SCORE_MATE - 3 - 1);
    e = entryOf(key);
    EXPECT_EQ(e.depth, 2);
    EXPECT_EQ(e.move, 0u);
}

TEST_F(LeafTest, AfterANullMoveTheEvaluationChangesHandsWithATempo) {
    setUp(QUIET, 15);
    StackEntry* ss = entryAt(6);
    (ss - 1)->currentMove = MOVE_NULL;
    (ss - 1)->staticEval = 100;
    EXPECT_EQ(leafNonPV(pos(), ss, 30000, 0), 260);
    EXPECT_EQ(ss->staticEval, 260);
}

TEST_F(LeafTest, AVirtualMoveIsCompletedByTheChildAndTakenBackLikeAnyMove) {
    setUp(QUIET, 15);
    const MoveWord m = xAt(9, 9);
    makeMove(pos(), m);
    const int32_t real = leafNonPV(pos(), entryAt(4), 30000, 0);
    unmakeMove(pos(), m);

    clear(TT);
    const BoardSnapshot before = takeSnapshot(pos());
    makeVirtualMove(pos(), m);
    EXPECT_EQ(pos().cells[cellOf(m)], 0u);
    EXPECT_EQ(leafNonPV(pos(), entryAt(4), 30000, 0), real);
    EXPECT_EQ(pos().cells[cellOf(m)], COLOUR_X);
    EXPECT_EQ(pos().current->virtualMove, 0u);
    unmakeMove(pos(), m);
    EXPECT_EQ(differencesFrom(before, pos()), "");

    // Cut off by the table (the upper bound just stored), the child never
    // puts the stone.
    makeVirtualMove(pos(), m);
    EXPECT_EQ(leafNonPV(pos(), entryAt(4), 30000, 0), real);
    EXPECT_EQ(pos().cells[cellOf(m)], 0u);
    unmakeMove(pos(), m);
    EXPECT_EQ(differencesFrom(before, pos()), "");
}

TEST_F(LeafTest, TheAnswerNodeTriesExactlyTheThreatAnswers) {
    struct Case {
        const char* name;
        const std::vector<std::string_view>* rows;
        std::set<MoveWord> answers;
    } cases[] = {
        {"five point", &O_FIVE_POINT, {xAt(8, 7)}},
        {"open three", &O_OPEN_THREE, {xAt(4, 7), xAt(8, 7)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setUp(*c.rows, 15);
        clear(TT);
        const BoardSnapshot before = takeSnapshot(pos());
        StackEntry* ss = entryAt(3);
        const int32_t value = answerPV(pos(), ss, -SCORE_INFINITE, SCORE_INFINITE, 0);
        EXPECT_EQ(differencesFrom(before, pos()), "");
        EXPECT_GT(value, -SCORE_MATE_IN_MAX_PLY);
        EXPECT_TRUE(c.answers.count(ss->pv[0] & MOVE_MASK)) << std::hex << ss->pv[0];
        // Every child searched leaves its entry; no other move was made.
        std::set<MoveWord> tried;
        for (uint32_t x = 0; x < 15; ++x)
            for (uint32_t y = 0; y < 15; ++y)
                if (pos().cells[cellIndex(x, y)] == 0 && probe(TT, keyAfter(pos(), xAt(x, y))).found)
                    tried.insert(xAt(x, y));
        EXPECT_EQ(tried, c.answers);
        // A full-window answer with a best move is exact.
        const TTEntry e = entryOf(pos().current->key);
        EXPECT_EQ(e.bound, BOUND_EXACT);
        EXPECT_TRUE(sameMove(e.move, ss->pv[0]));
        EXPECT_EQ(e.value, value);
        EXPECT_EQ(e.staticEval, SCORE_NONE);
        EXPECT_EQ(ss->staticEval, SCORE_NONE);
    }
}

TEST_F(LeafTest, TheNullWindowAnswerNodeStoresItsCutoffAndItsUpperBound) {
    setUp(O_FIVE_POINT, 15);
    const uint64_t key = pos().current->key;
    const int32_t value = answerPV(pos(), entryAt(3), -SCORE_INFINITE, SCORE_INFINITE, 0);
    ASSERT_GT(value, -SCORE_MATE_IN_MAX_PLY);

    clear(TT);
    EXPECT_EQ(answerNonPV(pos(), entryAt(3), value - 1, value, -2), value);
    TTEntry e = entryOf(key);
    EXPECT_EQ(e.bound, BOUND_LOWER);
    EXPECT_EQ(e.depth, -2);
    EXPECT_TRUE(sameMove(e.move, xAt(8, 7)));

    clear(TT);
    EXPECT_EQ(answerNonPV(pos(), entryAt(3), value, value + 1, 0), value);
    e = entryOf(key);
    EXPECT_EQ(e.bound, BOUND_UPPER);
    EXPECT_EQ(e.move, 0u);
}

TEST_F(LeafTest, AnAnswerNodeWithoutAnswerIsLostAndStoresNothing) {
    setUp(FULL_BOARD, 5, COLOUR_X, 0);
    ASSERT_EQ(threatSearch(pos()), 0);
    EXPECT_EQ(answerNonPV(pos(), entryAt(6), -100, 100, 0), 6 - SCORE_MATE);
    EXPECT_EQ(answerPV(pos(), entryAt(9), -100, 100, 0), 9 - SCORE_MATE);
    EXPECT_FALSE(probe(TT, pos().current->key).found);
}

}  // namespace
