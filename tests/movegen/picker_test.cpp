// The move picker: the table move (dropped on a taken cell, never returned
// twice), killers and counter move (skipped on seen or taken cells), the
// threat cut, skipQuiets, answer mode, the order of a batch (best first,
// ties nearest the front, the exact swap of the selection), the score of a
// move, and over random games that a node never sees a cell twice and sees
// the same moves as the root move list.
#include "movegen/picker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "board/position.h"
#include "board/startup_tables.h"
#include "board/tables.h"
#include "movegen/generators.h"
#include "movegen/root_moves.h"
#include "support/board_drawing.h"

namespace {

constexpr uint32_t at(uint32_t x, uint32_t y) { return cellIndex(x, y); }

// Every move until the picker returns 0 (with a guard against a picker that
// never stops).
std::vector<MoveWord> drain(MovePicker& picker, bool skipQuiets = false) {
    std::vector<MoveWord> out;
    while (const MoveWord m = picker.next(skipQuiets)) {
        out.push_back(m);
        if (out.size() > 2 * MAX_STONES) break;
    }
    return out;
}

std::vector<MoveWord> generated(ScoredMove* (*generate)(const Position&, ScoredMove*), const Position& pos) {
    static std::vector<ScoredMove> buffer(MAX_GENERATED_MOVES);
    ScoredMove* end = generate(pos, buffer.data());
    std::vector<MoveWord> out;
    for (ScoredMove* m = buffer.data(); m != end; ++m) out.push_back(m->move);
    return out;
}

// The moves with their first occurrence of each cell kept.
std::vector<MoveWord> firstPerCell(const std::vector<MoveWord>& moves) {
    std::vector<MoveWord> out;
    std::set<uint32_t> cells;
    for (MoveWord m : moves)
        if (cells.insert(cellOf(m)).second) out.push_back(m);
    return out;
}

std::set<uint32_t> identities(const std::vector<MoveWord>& moves) {
    std::set<uint32_t> out;
    for (MoveWord m : moves) out.insert(m & MOVE_MASK);
    return out;
}

std::vector<MoveWord> concat(std::vector<MoveWord> a, const std::vector<MoveWord>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

bool containsCell(const std::vector<MoveWord>& moves, uint32_t cell) {
    return std::any_of(moves.begin(), moves.end(), [cell](MoveWord m) { return cellOf(m) == cell; });
}

class MovePickerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        buildClassTable();
        pos = std::make_unique_for_overwrite<Position>().release();
        stats = std::make_unique_for_overwrite<SearchStats>().release();
        batches = new MoveBatches;  // untouched until a picker writes a slice
    }
    static void TearDownTestSuite() {
        delete pos;
        delete stats;
        delete batches;
    }
    void SetUp() override {
        clearSearchStats(*stats);
        root = initSearchStack(stack, *batches);
        entry = root + 6;  // ply 7: six real plies behind it
    }
    void TearDown() override { selectTableVariant(COLOUR_X); }

    // A 15 x 15 board drawn row by row (row y, column x) with X to move.
    static void setUp(const std::vector<std::string_view>& rows, uint32_t black) {
        setupFromPicture(*pos, pictureFromRows(rows, 15), black);
        ASSERT_EQ(pos->boardSize, 15u);
        ASSERT_EQ(pos->sideToMove, 1);
    }

    void setCounterMove(MoveWord previous, MoveWord counter) {
        entry[-1].currentMove = previous;
        stats->counterMoves[statIndex(previous)] = counter;
    }

    // Gives every cell of the moves the same score: the history term cancels
    // the positional weight.
    void equaliseScores(const std::vector<MoveWord>& moves, int16_t score) {
        for (MoveWord m : moves) stats->moveHistory[statIndex(m)] = int16_t(score - pos->weights[cellOf(m)]);
    }

    static Position* pos;
    static SearchStats* stats;
    static MoveBatches* batches;
    StackEntry stack[STACK_SIZE] = {};
    StackEntry* root = nullptr;
    StackEntry* entry = nullptr;
};

Position* MovePickerTest::pos = nullptr;
SearchStats* MovePickerTest::stats = nullptr;
MoveBatches* MovePickerTest::batches = nullptr;

// Two lone stones: no threats, only quiet moves.
const std::vector<std::string_view> QUIET = {"", "", "", "", "", "", "", ".......X", "........O"};

// X has an open two on row 7 (threat moves), O a lone stone.
const std::vector<std::string_view> OPEN_TWO = {"", "", "", "", "", "", "", "......XX", "", "..........O"};

// X has an open three on row 7: its open-four points (3,7) and (7,7).
const std::vector<std::string_view> OPEN_THREE = {"", "", "", "", "", "", "", "....XXX", "", "..........O"};

// The same, and O has an open three on row 11.
const std::vector<std::string_view> BOTH_OPEN_THREES = {
    "", "", "", "", "", "", "", "....XXX", "", "", "", "....OOO"};

// The same, and O has a five point at (8,11): O outranks X.
const std::vector<std::string_view> OPEN_THREE_AGAINST_FOUR = {
    "", "", "", "", "", "", "", "....XXX", "", "", "", "...XOOOO"};

// O has an open three on row 7 and X nothing: X must answer.
const std::vector<std::string_view> MUST_ANSWER = {"", "", "", "", "", "", "", "....OOO", "", "..........X"};

// ---------------------------------------------------------------------------
// The search stack
// ---------------------------------------------------------------------------

TEST_F(MovePickerTest, FreshStackHasZeroedGuardsPliesFromOneAndASliceEach) {
    for (StackEntry& e : stack) e.ply = -1, e.currentMove = 77, e.contHistory = stats->moveHistory;
    root = initSearchStack(stack, *batches);
    EXPECT_EQ(root, stack + STACK_GUARD_ENTRIES);
    for (int i = 0; i < STACK_GUARD_ENTRIES + 3; ++i) {
        EXPECT_EQ(stack[i].currentMove, 0u) << i;
        EXPECT_EQ(stack[i].contHistory, nullptr) << i;
    }
    EXPECT_EQ(root[-1].ply, 0);
    for (int i = 0; i < MAX_PLY; ++i) {
        EXPECT_EQ(root[i].ply, i + 1);
        EXPECT_EQ(root[i].batch, batches->slices[i]);
    }
    // The entries a node at ply 128 may still touch exist, without a slice.
    EXPECT_EQ(&root[MAX_PLY + 1], &stack[STACK_SIZE - 1]);
    EXPECT_EQ(root[MAX_PLY + 1].batch, nullptr);
}

// ---------------------------------------------------------------------------
// The table move
// ---------------------------------------------------------------------------

TEST_F(MovePickerTest, TableMoveOnATakenOrOffBoardCellIsDropped) {
    setUp(OPEN_TWO, COLOUR_O);
    for (bool answerMode : {false, true}) {
        SCOPED_TRACE(answerMode ? "answer mode" : "main mode");
        MovePicker without(*pos, *stats, 0, entry, answerMode);
        const std::vector<MoveWord> expected = drain(without);
        ASSERT_FALSE(expected.empty());

        const MoveWord taken = makeMoveWord(COLOUR_X, 7, 7);  // X's own stone
        MovePicker picker(*pos, *stats, taken, entry, answerMode);
        EXPECT_EQ(picker.ttMove, 0u);
        EXPECT_EQ(picker.stage, answerMode ? STAGE_GENERATE_RESPONSES : STAGE_GENERATE_THREATS);
        EXPECT_EQ(drain(picker), expected);

        // A move stored on a larger board lies beyond this one's edge: it is
        // dropped by its coordinates, even where the empty-cell mask of a
        // row beyond the edge held a stale bit.
        for (const MoveWord beyond : {makeMoveWord(COLOUR_X, 17, 3), makeMoveWord(COLOUR_X, 3, 17)}) {
            const uint32_t maskBefore = pos->emptyMask[xOf(beyond)];
            pos->emptyMask[xOf(beyond)] |= 1u << yOf(beyond);
            MovePicker offBoard(*pos, *stats, beyond, entry, answerMode);
            EXPECT_EQ(offBoard.ttMove, 0u);
            EXPECT_EQ(drain(offBoard), expected);
            pos->emptyMask[xOf(beyond)] = maskBefore;
        }
    }
}

TEST_F(MovePickerTest, TableMoveComesFirstAsStoredAndNeverAgain) {
    setUp(OPEN_TWO, COLOUR_O);
    const std::vector<MoveWord> threats = generated(generateThreatMoves, *pos);
    const std::vector<MoveWord> quiets = generated(generateQuietMoves, *pos);
    const std::vector<MoveWord> responses = generated(generateThreatResponses, *pos);
    ASSERT_FALSE(threats.empty());
    ASSERT_FALSE(quiets.empty());
    struct Case {
        const char* name;
        MoveWord ttMove;
        bool answerMode;
    };
    // Stored words carry other upper bits than the generated ones.
    const Case cases[] = {
        {"a threat move", (threats.back() & MOVE_MASK) | FORCING_FLAG, false},
        {"a quiet move", quiets.front() & MOVE_MASK, false},
        {"a threat response", (responses.front() & MOVE_MASK) | (3u << 12), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MovePicker picker(*pos, *stats, c.ttMove, entry, c.answerMode);
        EXPECT_EQ(picker.stage, c.answerMode ? STAGE_ANSWER_TT_MOVE : STAGE_TT_MOVE);
        const std::vector<MoveWord> got = drain(picker);
        ASSERT_FALSE(got.empty());
        EXPECT_EQ(got.front(), c.ttMove);
        EXPECT_EQ(std::count_if(got.begin(), got.end(),
                                [&](MoveWord m) { return cellOf(m) == cellOf(c.ttMove); }),
                  1);
    }
}

// ---------------------------------------------------------------------------
// Killers and the counter move
// ---------------------------------------------------------------------------

TEST_F(MovePickerTest, KillersAndCounterComeAfterTheThreatsOnlyOnUnseenEmptyCells) {
    setUp(OPEN_TWO, COLOUR_O);
    const std::vector<MoveWord> threats = firstPerCell(generated(generateThreatMoves, *pos));
    const std::vector<MoveWord> quiets = generated(generateQuietMoves, *pos);
    ASSERT_GE(threats.size(), 2u);
    ASSERT_FALSE(containsCell(quiets, at(0, 0)));
    const MoveWord farCell = makeMoveWord(COLOUR_X, 0, 0);   // empty, outside every list
    const MoveWord quietCell = quiets.back() & MOVE_MASK;    // empty, a quiet move
    const MoveWord takenCell = makeMoveWord(COLOUR_X, 10, 9);  // O's stone
    const MoveWord threatCell = threats.front() & MOVE_MASK;   // returned among the threats
    struct Case {
        const char* name;
        MoveWord killer0, killer1, counter;
        std::vector<MoveWord> offered;  // what comes between threats and quiets
    };
    const Case cases[] = {
        {"all three new", quietCell, farCell, makeMoveWord(COLOUR_X, 14, 14),
         {quietCell, farCell, makeMoveWord(COLOUR_X, 14, 14)}},
        {"a killer equal to a threat move", threatCell, farCell, 0, {farCell}},
        {"a killer on a taken cell", takenCell, 0, quietCell, {quietCell}},
        {"both killers on one cell", farCell, farCell | 0x1000, 0, {farCell}},
        {"the counter move equal to a killer", quietCell, 0, quietCell, {quietCell}},
        {"none", 0, 0, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        entry->killers[0] = c.killer0;
        entry->killers[1] = c.killer1;
        setCounterMove(makeMoveWord(COLOUR_O, 10, 9), c.counter);
        MovePicker picker(*pos, *stats, 0, entry, false);
        std::vector<MoveWord> got;
        for (size_t i = 0; i < threats.size(); ++i) got.push_back(picker.next(false));
        EXPECT_EQ(identities(got), identities(threats));
        // skipQuiets stops the node at the quiet stage: what comes before is the offer.
        const std::vector<MoveWord> offered = drain(picker, true);
        EXPECT_EQ(offered, c.offered);
        // A taken killer's cell stays seen for the rest of the node.
        if (c.killer0 == takenCell) {
            const uint32_t cell = cellOf(takenCell);
            EXPECT_TRUE(picker.seen[cell >> 5] & (1u << (cell & 31)));
        }
        // No cell twice over the whole node.
        std::vector<MoveWord> all = got;
        for (MoveWord m : offered) all.push_back(m);
        for (MoveWord m = picker.next(false); m != 0; m = picker.next(false)) all.push_back(m);
        EXPECT_EQ(firstPerCell(all), all);
    }
}

TEST_F(MovePickerTest, SkipQuietsStillGivesTableMoveThreatsKillersAndCounter) {
    setUp(OPEN_TWO, COLOUR_O);
    const std::vector<MoveWord> threats = firstPerCell(generated(generateThreatMoves, *pos));
    const std::vector<MoveWord> quiets = generated(generateQuietMoves, *pos);
    const MoveWord ttMove = quiets[0] & MOVE_MASK;
    entry->killers[0] = quiets[1] & MOVE_MASK;
    entry->killers[1] = quiets[2] & MOVE_MASK;
    setCounterMove(makeMoveWord(COLOUR_O, 10, 9), quiets[3] & MOVE_MASK);

    MovePicker picker(*pos, *stats, ttMove, entry, false);
    const std::vector<MoveWord> got = drain(picker, true);
    ASSERT_EQ(got.size(), 1 + threats.size() + 3);
    EXPECT_EQ(got[0], ttMove);
    EXPECT_EQ(identities({got.begin() + 1, got.begin() + 1 + threats.size()}), identities(threats));
    EXPECT_EQ(std::vector<MoveWord>(got.end() - 3, got.end()),
              (std::vector<MoveWord>{entry->killers[0], entry->killers[1], quiets[3] & MOVE_MASK}));
    EXPECT_EQ(picker.next(true), 0u);

    // The quiet moves are still there for a call without skipQuiets.
    std::vector<MoveWord> all = got;
    for (MoveWord m : drain(picker)) all.push_back(m);
    EXPECT_EQ(identities(all), identities(firstPerCell(concat(threats, quiets))));
    EXPECT_EQ(all.size(), identities(all).size());
}

TEST_F(MovePickerTest, SkipQuietsRaisedAmongTheQuietMovesHoldsThemBack) {
    setUp(QUIET, COLOUR_O);
    const std::vector<MoveWord> quiets = generated(generateQuietMoves, *pos);
    ASSERT_GT(quiets.size(), 4u);
    equaliseScores(quiets, 0);
    MovePicker picker(*pos, *stats, 0, entry, false);
    EXPECT_EQ(picker.next(false), quiets[0]);
    EXPECT_EQ(picker.next(false), quiets[1]);
    // The search starts pruning quiet moves: none comes, however often asked.
    EXPECT_EQ(picker.next(true), 0u);
    EXPECT_EQ(picker.next(true), 0u);
    // Without skipQuiets the rest still comes, in order.
    const std::vector<MoveWord> rest = drain(picker);
    EXPECT_EQ(rest, std::vector<MoveWord>(quiets.begin() + 2, quiets.end()));
}

// ---------------------------------------------------------------------------
// The threat cut
// ---------------------------------------------------------------------------

TEST_F(MovePickerTest, AnOpenFourPointNotOutrankedEndsTheNodeAfterTheThreats) {
    struct Case {
        const char* name;
        const std::vector<std::string_view>* rows;
        bool cut;
    };
    const Case cases[] = {
        {"own open-four point", &OPEN_THREE, true},
        {"open-four points on both sides", &BOTH_OPEN_THREES, true},
        {"the opponent has a five point", &OPEN_THREE_AGAINST_FOUR, false},
        {"only threes", &OPEN_TWO, false},
    };
    for (uint32_t black : {COLOUR_X, COLOUR_O}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (black == COLOUR_X ? ", X black" : ", O black"));
            setUp(*c.rows, black);
            EXPECT_EQ(threatCutApplies(*pos), c.cut);
            const std::vector<MoveWord> threats = firstPerCell(generated(generateThreatMoves, *pos));
            const std::vector<MoveWord> quiets = generated(generateQuietMoves, *pos);
            const MoveWord ttMove = quiets.front() & MOVE_MASK;
            entry->killers[0] = makeMoveWord(COLOUR_X, 0, 0);
            entry->killers[1] = makeMoveWord(COLOUR_X, 0, 1);
            setCounterMove(makeMoveWord(COLOUR_O, 9, 9), makeMoveWord(COLOUR_X, 0, 2));

            MovePicker picker(*pos, *stats, ttMove, entry, false);
            const std::vector<MoveWord> got = drain(picker);
            if (c.cut) {
                ASSERT_FALSE(threats.empty());
                std::vector<MoveWord> expected = {ttMove};
                for (MoveWord m : threats)
                    if (cellOf(m) != cellOf(ttMove)) expected.push_back(m);
                EXPECT_EQ(identities(got), identities(expected));
                EXPECT_EQ(got.size(), expected.size());
                EXPECT_EQ(picker.next(false), 0u);  // and it stays ended
            } else {
                EXPECT_TRUE(containsCell(got, at(0, 0)));
                EXPECT_TRUE(containsCell(got, at(0, 1)));
                EXPECT_TRUE(containsCell(got, at(0, 2)));
                EXPECT_EQ(identities(got).size(), got.size());
                EXPECT_EQ(identities(got).size(), identities(firstPerCell(concat(threats, quiets))).size() + 3);
            }
        }
    }
}

// ---------------------------------------------------------------------------
// Answer mode
// ---------------------------------------------------------------------------

TEST_F(MovePickerTest, AnswerModeGivesOnlyTheTableMoveAndTheThreatResponses) {
    setUp(MUST_ANSWER, COLOUR_O);
    ASSERT_TRUE(mustAnswer(*pos));
    const std::vector<MoveWord> responses = firstPerCell(generated(generateThreatResponses, *pos));
    const std::vector<MoveWord> quiets = generated(generateQuietMoves, *pos);
    ASSERT_FALSE(responses.empty());
    // A quiet move outside the responses, to serve as killer, counter and table move.
    std::vector<MoveWord> outside;
    for (MoveWord m : quiets)
        if (!containsCell(responses, cellOf(m))) outside.push_back(m & MOVE_MASK);
    ASSERT_GE(outside.size(), 4u);
    entry->killers[0] = outside[0];
    entry->killers[1] = outside[1];
    setCounterMove(makeMoveWord(COLOUR_O, 6, 7), outside[2]);
    for (int16_t bonus : {int16_t(0), int16_t(20000)}) {
        // Even with the highest history they stay out.
        for (MoveWord m : outside) stats->moveHistory[statIndex(m)] = bonus;
        MovePicker picker(*pos, *stats, 0, entry, true);
        const std::vector<MoveWord> got = drain(picker, false);
        EXPECT_EQ(identities(got), identities(responses));
        EXPECT_EQ(got.size(), responses.size());

        MovePicker withTable(*pos, *stats, outside[3], entry, true);
        const std::vector<MoveWord> gotWithTable = drain(withTable, true);
        ASSERT_FALSE(gotWithTable.empty());
        EXPECT_EQ(gotWithTable.front(), outside[3]);
        EXPECT_EQ(gotWithTable.size() - 1, responses.size());
        EXPECT_EQ(identities({gotWithTable.begin() + 1, gotWithTable.end()}), identities(responses));
    }
}

// ---------------------------------------------------------------------------
// Order within a batch
// ---------------------------------------------------------------------------

TEST_F(MovePickerTest, EqualScoresComeOutInGenerationOrder) {
    setUp(QUIET, COLOUR_O);
    ASSERT_TRUE(generated(generateThreatMoves, *pos).empty());
    const std::vector<MoveWord> quiets = generated(generateQuietMoves, *pos);
    ASSERT_GT(quiets.size(), 10u);
    equaliseScores(quiets, 500);
    MovePicker picker(*pos, *stats, 0, entry, false);
    EXPECT_EQ(drain(picker), quiets);
}

TEST_F(MovePickerTest, HigherScoresComeFirstAndTheSwapMovesTheFrontEntryBack) {
    setUp(QUIET, COLOUR_O);
    const std::vector<MoveWord> g = generated(generateQuietMoves, *pos);
    ASSERT_GT(g.size(), 6u);
    equaliseScores(g, 0);
    equaliseScores({g[1], g[3]}, 900);
    equaliseScores({g[5]}, 1000);
    MovePicker picker(*pos, *stats, 0, entry, false);
    const std::vector<MoveWord> got = drain(picker);
    // g5 wins and g0, at the front, takes its slot: g1 g2 g3 g4 g0 g6 ...;
    // then g1, at the front; then g3, whose slot g2 takes: g2 g4 g0 g6 ...
    // (a stable order would give g0 g2 g4 g6 after g3).
    std::vector<MoveWord> expected = {g[5], g[1], g[3], g[2], g[4], g[0]};
    expected.insert(expected.end(), g.begin() + 6, g.end());
    EXPECT_EQ(got, expected);
}

// ---------------------------------------------------------------------------
// Scores
// ---------------------------------------------------------------------------

TEST_F(MovePickerTest, ScoreAddsHistoryWeightAndContinuationRowsOneTwoFourAndHalfOfSix) {
    setUp(QUIET, COLOUR_O);
    const MoveWord move = makeMoveWord(COLOUR_X, 6, 6);
    const uint32_t i = statIndex(move);
    stats->moveHistory[i] = 100;
    const int16_t rowValue[7] = {0, 10, 20, 3000, 40, 5000, -7};  // by plies back
    for (int k = 1; k <= 6; ++k) {
        entry[-k].contHistory = stats->contHistory[100 + k];
        entry[-k].contHistory[i] = rowValue[k];
    }
    const int32_t weight = pos->weights[cellOf(move)];
    // -7 / 2 rounds toward zero; the rows 3 and 5 plies back play no part.
    EXPECT_EQ(moveScore(*pos, *stats, entry, move), 100 + weight + 10 + 20 + 40 - 3);
    // Missing rows are left out.
    entry[-1].contHistory = nullptr;
    entry[-6].contHistory = nullptr;
    EXPECT_EQ(moveScore(*pos, *stats, entry, move), 100 + weight + 20 + 40);
    // The largest terms do not overflow the 32-bit sum.
    stats->moveHistory[i] = INT16_MAX;
    entry[-2].contHistory[i] = INT16_MAX;
    entry[-4].contHistory[i] = INT16_MAX;
    EXPECT_EQ(moveScore(*pos, *stats, entry, move), 3 * INT16_MAX + weight);
}

TEST_F(MovePickerTest, TheContinuationRowsOrderTheBatch) {
    setUp(QUIET, COLOUR_O);
    const std::vector<MoveWord> g = generated(generateQuietMoves, *pos);
    ASSERT_GT(g.size(), 9u);
    equaliseScores(g, 0);
    // A row six plies back lifts g[7], one two plies back g[4]: g[4] first.
    entry[-6].contHistory = stats->contHistory[1];
    entry[-6].contHistory[statIndex(g[7])] = 1000;  // counts 500
    entry[-2].contHistory = stats->contHistory[2];
    entry[-2].contHistory[statIndex(g[4])] = 600;
    entry[-3].contHistory = stats->contHistory[3];  // three plies back: no part
    entry[-3].contHistory[statIndex(g[9])] = 10000;
    MovePicker picker(*pos, *stats, 0, entry, false);
    const std::vector<MoveWord> got = drain(picker);
    ASSERT_GE(got.size(), 2u);
    EXPECT_EQ(got[0], g[4]);
    EXPECT_EQ(got[1], g[7]);
}

TEST_F(MovePickerTest, XAndOMovesOnOneCellHaveSeparateHistory) {
    setUp(QUIET, COLOUR_O);
    const std::vector<MoveWord> g = generated(generateQuietMoves, *pos);
    equaliseScores(g, 0);
    const uint32_t cell = cellOf(g.back());
    // O's entry of the cell: no effect on X's move there.
    stats->moveHistory[statIndex(cell | COLOUR_O)] = 30000;
    EXPECT_EQ(moveScore(*pos, *stats, entry, cell | COLOUR_X), 0);
    EXPECT_EQ(moveScore(*pos, *stats, entry, cell | COLOUR_O), 30000 + pos->weights[cell]);
    MovePicker picker(*pos, *stats, 0, entry, false);
    EXPECT_EQ(picker.next(false), g.front());
    // X's entry moves it to the front.
    stats->moveHistory[statIndex(cell | COLOUR_X)] = 30000;
    MovePicker lifted(*pos, *stats, 0, entry, false);
    EXPECT_EQ(lifted.next(false), g.back());
}

// ---------------------------------------------------------------------------
// Random games
// ---------------------------------------------------------------------------

// Random games: a side that must answer a threat plays one of its threat
// responses; otherwise it plays where it makes a threat with the given
// chance in percent, anywhere near the stones else. Nobody makes a five, so
// the games go on; visit is called after every stone. A high chance piles up
// open fours on both sides, a low one gives many quiet positions.
template <typename Visit>
void playRandomGames(Position& pos, uint32_t black, uint32_t seed, uint32_t threatChance, Visit visit) {
    std::mt19937 rng(seed);
    reset(pos, 15);
    selectRuleTables(pos, black);
    std::vector<ScoredMove> buffer(MAX_GENERATED_MOVES);
    for (uint32_t i = 0; i < 120; ++i) {
        const uint32_t mover = pos.sideToMove ? COLOUR_X : COLOUR_O;
        const bool answer = mustAnswer(pos);
        ScoredMove* end = answer ? generateThreatResponses(pos, buffer.data())
                                 : generateAllCandidates(pos, buffer.data());
        std::vector<uint32_t> any, threats;
        for (ScoredMove* m = buffer.data(); m != end; ++m) {
            const ClassPair pair = pos.classes[cellOf(m->move)];
            const uint8_t own = mover == COLOUR_X ? pair.x : pair.o;
            if (own >= CLASS_FIVE) continue;
            any.push_back(cellOf(m->move));
            if (own >= CLASS_OPEN_THREE) threats.push_back(cellOf(m->move));
        }
        if (any.empty()) break;
        const bool threaten = !answer && !threats.empty() && rng() % 100 < threatChance;
        const std::vector<uint32_t>& from = threaten ? threats : any;
        makeMove(pos, from[rng() % from.size()] | mover);
        visit(pos, rng);
    }
}

TEST_F(MovePickerTest, OverRandomGamesANodeGivesDistinctEmptyCells) {
    uint64_t nodes = 0;
    for (uint32_t black : {COLOUR_X, COLOUR_O, COLOUR_UNKNOWN}) {
        for (uint32_t seed = 1; seed <= 4; ++seed) {
            playRandomGames(*pos, black, seed * 31 + black, seed % 2 ? 70 : 20, [&](Position& p, std::mt19937& rng) {
                // Random statistics, and table move, killers and counter move
                // on random cells of the board, taken or not.
                const uint32_t mover = p.sideToMove ? COLOUR_X : COLOUR_O;
                auto randomMove = [&]() -> MoveWord {
                    if (rng() % 4 == 0) return 0;
                    return makeMoveWord(mover, rng() % p.boardSize, rng() % p.boardSize);
                };
                for (int k = 0; k < 64; ++k) stats->moveHistory[rng() % STAT_ENTRIES] = int16_t(rng());
                entry[-1].contHistory = rng() % 2 ? stats->contHistory[rng() % STAT_ENTRIES] : nullptr;
                entry->killers[0] = randomMove();
                entry->killers[1] = randomMove();
                setCounterMove(makeMoveWord(otherColour(mover), 0, 0), randomMove());
                const MoveWord ttMove = randomMove();
                for (bool answerMode : {false, true}) {
                    ++nodes;
                    MovePicker picker(p, *stats, ttMove, entry, answerMode);
                    const bool skipQuiets = rng() % 4 == 0;
                    const std::vector<MoveWord> got = drain(picker, skipQuiets);
                    std::set<uint32_t> cells;
                    for (MoveWord m : got) {
                        ASSERT_TRUE(cells.insert(cellOf(m)).second) << "cell " << cellOf(m) << " twice";
                        ASSERT_LT(xOf(m), p.boardSize);
                        ASSERT_LT(yOf(m), p.boardSize);
                        ASSERT_EQ(p.cells[cellOf(m)], 0u);
                    }
                    ASSERT_EQ(picker.next(skipQuiets), 0u) << "a drained picker stays empty";
                }
            });
        }
    }
    EXPECT_GT(nodes, 1000u);
}

TEST_F(MovePickerTest, OverRandomGamesTheNodeMovesAreTheRootMoveList) {
    uint64_t compared = 0, cut = 0, answered = 0, plain = 0;
    MoveList list;
    for (uint32_t black : {COLOUR_X, COLOUR_O, COLOUR_UNKNOWN}) {
        for (uint32_t seed = 1; seed <= 4; ++seed) {
            playRandomGames(*pos, black, seed * 17 + black, seed % 2 ? 70 : 20, [&](Position& p, std::mt19937&) {
                // The search's choice of mode; no table move, killers or counter.
                const bool answerMode = mustAnswer(p);
                MovePicker picker(p, *stats, 0, entry, answerMode);
                const std::vector<MoveWord> got = drain(picker);
                generateMoveList(p, list);
                std::vector<MoveWord> listed;
                for (uint32_t i = 0; i < list.size; ++i) listed.push_back(list.moves[i].move);
                ASSERT_EQ(identities(got), identities(listed));
                ASSERT_EQ(got.size(), listed.size());
                ++compared;
                answered += answerMode;
                cut += !answerMode && threatCutApplies(p);
                plain += !answerMode && !threatCutApplies(p);
            });
        }
    }
    std::printf("[ stats    ] %llu nodes: %llu answering a threat, %llu cut after the threats, %llu plain\n",
                (unsigned long long)compared, (unsigned long long)answered, (unsigned long long)cut,
                (unsigned long long)plain);
    EXPECT_GT(compared, 1000u);
    EXPECT_GT(answered, 200u);
    EXPECT_GT(cut, 100u);
    EXPECT_GT(plain, 200u);
}

}  // namespace
