// The position against a from-scratch reference: over random games on
// several board sizes and with either colour as black, every makeMove and
// every unmakeMove leaves exactly the state a fresh computation from the
// stones gives, and every take-back restores the board bit for bit. The one
// exception is the Renju verdict on black's double threes, four-threes and
// open fours: it is exact on the cells the last stone re-judged (replayed in
// the order the stone judged them), while elsewhere it may be older than the
// stone, and only its range is checked. Then the smaller operations: reset,
// keys, copies, null and virtual moves, pictures.
#include "board/exact_forbidden.h"
#include "board/position.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <cstdio>
#include <memory>
#include <random>
#include <string>

#include "board/startup_tables.h"
#include "board/tables.h"
#include "board/zobrist.h"
#include "movegen/threats.h"
#include "support/board_snapshot.h"
#include "support/reference_board.h"

namespace {

// The table variant a position of this rule and black colour reads: under
// renju with black unknown, whichever variant was selected last.
const uint64_t* tableFor(uint32_t blackColour, GameRule rule = RULE_RENJU) {
    if (rule == RULE_FREESTYLE) return patternTableOf(TABLE_FREESTYLE);
    if (rule == RULE_STANDARD) return patternTableOf(TABLE_STANDARD);
    if (blackColour == COLOUR_X) return patternTableXBlack();
    if (blackColour == COLOUR_O) return patternTableOBlack();
    return patternTable;
}

// Fills every shape value set with random values (an occupied cell worth
// nothing) for the lifetime of the object, and empties them again after.
struct ShapeValuesFilledAtRandom {
    explicit ShapeValuesFilledAtRandom(uint32_t seed) {
        std::mt19937 rng(seed);
        std::uniform_int_distribution<int> value(-3000, 3000);
        for (ShapeValues& set : ShapeValueSets)
            for (uint32_t s = 1; s < SHAPE_COUNT; ++s) {
                set.of[s].own = int16_t(value(rng));
                set.of[s].other = int16_t(value(rng));
            }
    }
    ~ShapeValuesFilledAtRandom() { std::memset(ShapeValueSets, 0, sizeof ShapeValueSets); }
};

class PositionTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        buildClassTable();
        pos = std::make_unique_for_overwrite<Position>().release();
        other = std::make_unique_for_overwrite<Position>().release();
        ref = new ReferenceBoard;
    }
    static void TearDownTestSuite() {
        delete pos;
        delete other;
        delete ref;
    }
    void TearDown() override { selectTableVariant(COLOUR_X); }

    static Position* pos;
    static Position* other;
    static ReferenceBoard* ref;
};

Position* PositionTest::pos = nullptr;
Position* PositionTest::other = nullptr;
ReferenceBoard* PositionTest::ref = nullptr;

// Largest counts seen over all random games, reported at the end, and how
// the Renju verdict on re-judged cells compared with the verdict evaluated
// on the board as it stands.
struct CapacityStats {
    uint32_t maxThreats = 0;
    uint32_t maxRecheck = 0;
    uint64_t recordsWithRepeatedCell = 0;
    uint64_t movesChecked = 0;
    uint64_t shapeSyncs = 0;
    uint32_t longestSync = 0;  // most pending records one sync caught up with
    uint64_t verdictsCompared = 0;   // cells judged both fast and exactly
    uint64_t verdictsDiffering = 0;
    uint64_t rejudgedChecked = 0;
    uint64_t rejudgedDiffering = 0;
    uint64_t outsideChecked = 0;
    uint64_t outsideDiffering = 0;
    uint64_t outcomes[CLASS_COUNT][CLASS_COUNT] = {};
};
CapacityStats stats;

// One random game: stones go near the mover's own stones along their lines
// (so threes and fours arise), sometimes anywhere near a stone, rarely
// anywhere; a move that would make a five is never played.
class RandomGame {
public:
    RandomGame(Position& pos, ReferenceBoard& ref, uint32_t boardSize, uint32_t blackColour,
               uint32_t seed)
        : pos_(pos), ref_(ref), n_(boardSize), black_(blackColour), rng_(seed), syncRng_(seed) {}
    // The same game under another rule.
    RandomGame(Position& pos, ReferenceBoard& ref, uint32_t boardSize, uint32_t blackColour, GameRule rule,
               uint32_t seed)
        : pos_(pos), ref_(ref), n_(boardSize), black_(blackColour), rule_(rule), rng_(seed), syncRng_(seed) {}

    // Plays until maxStones stones stand or no move is left, checking every
    // make and a trial make/unmake of another move at every step, then takes
    // every stone back, checking each take-back.
    void play(uint32_t maxStones) {
        reset(pos_, n_);
        selectGameRule(pos_, rule_);
        selectRuleTables(pos_, black_);
        std::vector<int32_t> evals{0};
        std::vector<BoardSnapshot> before;
        expectMatchesReference("empty board", 0);
        while (stones_.size() < maxStones) {
            const MoveWord m = pickMove();
            if (m == 0) break;
            before.push_back(takeSnapshot(pos_));
            makeMove(pos_, m);
            stones_.push_back(m);
            evals.push_back(evals.back() + expectedScore(m));
            expectMatchesReference("after makeMove", evals.back());
            EXPECT_EQ(classesChangedOutsideRecheck(before.back()), "") << stones_.size() << " stones";
            if (HasFailure()) return;
            noteCapacity();
            tryAndTakeBack(evals.back());
            if (HasFailure()) return;
        }
        while (!stones_.empty()) {
            const MoveWord m = stones_.back();
            unmakeMove(pos_, m);
            stones_.pop_back();
            evals.pop_back();
            const std::string d = differencesFrom(before.back(), pos_);
            EXPECT_EQ(d, "") << "unmaking stone " << stones_.size() + 1;
            before.pop_back();
            expectMatchesReference("after unmakeMove", evals.back());
            if (HasFailure()) return;
        }
    }

    size_t stonesPlayed() const { return maxPlayed_; }

private:
    static bool HasFailure() { return ::testing::Test::HasFailure(); }

    uint32_t moverColour() const { return pos_.sideToMove ? COLOUR_X : COLOUR_O; }

    bool playable(uint32_t cell, uint32_t colour) const {
        if ((cell >> 5) >= n_ || (cell & 31) >= n_ || ref_.cells[cell] != 0) return false;
        for (int d = 0; d < DIRECTION_COUNT; ++d)
            if (slotCode(ref_.slots[cell][d], colour) == CODE_FIVE) return false;
        return true;
    }

    MoveWord pickMove() {
        buildReference(ref_, n_, stones_, tableFor(black_, rule_), pos_.sideToMove == 1);
        const uint32_t colour = moverColour();
        std::vector<uint32_t> own;
        for (MoveWord s : stones_)
            if (colourOf(s) == colour) own.push_back(cellOf(s));
        std::uniform_int_distribution<int> percent(0, 99);
        for (int attempt = 0; attempt < 40; ++attempt) {
            const int roll = percent(rng_);
            int x, y;
            if (roll < 70 && !own.empty()) {
                const uint32_t from = own[rng_() % own.size()];
                static constexpr int STEPS[8][2] = {{1, 0}, {0, 1}, {1, -1}, {1, 1},
                                                    {-1, 0}, {0, -1}, {-1, 1}, {-1, -1}};
                const auto& s = STEPS[rng_() % 8];
                const int k = 1 + int(rng_() % 2);
                x = int(from >> 5) + k * s[0];
                y = int(from & 31) + k * s[1];
            } else if (roll < 95 && !stones_.empty()) {
                const uint32_t from = cellOf(stones_[rng_() % stones_.size()]);
                x = int(from >> 5) + int(rng_() % 5) - 2;
                y = int(from & 31) + int(rng_() % 5) - 2;
            } else {
                x = int(rng_() % n_);
                y = int(rng_() % n_);
            }
            if (x < 0 || y < 0) continue;
            if (playable(cellIndex(x, y), colour)) return colour | cellIndex(x, y);
        }
        std::vector<uint32_t> all;
        for (uint32_t x = 0; x < n_; ++x)
            for (uint32_t y = 0; y < n_; ++y)
                if (playable(cellIndex(x, y), colour)) all.push_back(cellIndex(x, y));
        if (all.empty()) return 0;
        return colour | all[rng_() % all.size()];
    }

    // What the stone adds to X's running score: its value in its four
    // windows (read from scratch after it stands) and the cell's weight.
    int32_t expectedScore(MoveWord m) {
        buildReference(ref_, n_, stones_, tableFor(black_, rule_), pos_.sideToMove == 1);
        const uint32_t cell = cellOf(m);
        int32_t s = 0;
        for (int d = 0; d < DIRECTION_COUNT; ++d)
            s += colourOf(m) == COLOUR_X ? slotScoreX(ref_.slots[cell][d]) : slotScoreO(ref_.slots[cell][d]);
        const int32_t value = 7 * s + pos_.weights[cell];
        return colourOf(m) == COLOUR_X ? value : -value;
    }

    void expectMatchesReference(const char* when, int32_t eval) {
        buildReference(ref_, n_, stones_, tableFor(black_, rule_), pos_.sideToMove == 1);
        const std::string d = compareWithReference(pos_, ref_);
        EXPECT_EQ(d, "") << when << ", " << stones_.size() << " stones, N = " << n_;
        const RejudgedCheck rejudged = rejudgedClassDifferences(pos_, ref_);
        stats.rejudgedChecked += rejudged.checked;
        stats.rejudgedDiffering += rejudged.differing;
        stats.outsideChecked += rejudged.outsideChecked;
        stats.outsideDiffering += rejudged.outsideDiffering;
        for (int t = 0; t < CLASS_COUNT; ++t)
            for (int c = 0; c < CLASS_COUNT; ++c) stats.outcomes[t][c] += rejudged.outcomes[t][c];
        EXPECT_EQ(rejudged.text, "") << when << ", " << stones_.size() << " stones, N = " << n_;
        compareWithTheExactVerdict();
        ASSERT_EQ(pos_.stoneCount, stones_.size());
        for (size_t i = 0; i < stones_.size(); ++i) ASSERT_EQ(pos_.history[i], stones_[i]);
        EXPECT_EQ(pos_.sideToMove, stones_.size() % 2 == 0 ? 1 : 0);
        EXPECT_EQ(pos_.current, &pos_.states[stones_.size()]);
        EXPECT_EQ(pos_.current->eval, eval) << when << ", " << stones_.size() << " stones";
        // The shapes follow lazily: brought up to date at some positions
        // only, so that a sync catches up with several records at once and
        // take-backs meet records synced and pending.
        if (syncRng_() % 3 == 0) {
            uint32_t pending = 0;
            for (const StateRecord* r = pos_.current; r->shapesPending; --r) ++pending;
            stats.longestSync = std::max(stats.longestSync, pending);
            syncShapes(pos_);
            EXPECT_EQ(shapeDifferences(), "") << when << ", " << stones_.size() << " stones";
            ++stats.shapeSyncs;
        }
        maxPlayed_ = std::max(maxPlayed_, stones_.size());
        ++stats.movesChecked;
    }

    // Every cell's shapes as its slots make them, and the record's sums of
    // their values as a count from scratch gives them.
    std::string shapeDifferences() const {
        std::string d;
        for (uint32_t x = 0; x < n_ && d.empty(); ++x)
            for (uint32_t y = 0; y < n_; ++y) {
                const uint32_t c = cellIndex(x, y);
                if (pos_.shapes[c].x != shapeX(pos_.slots[c]) || pos_.shapes[c].o != shapeO(pos_.slots[c])) {
                    d += "shapes of (" + std::to_string(x) + "," + std::to_string(y) + ")\n";
                    break;
                }
            }
        int32_t sums[2][2];
        recountShapeSums(pos_, sums);
        for (int colour = 0; colour < 2; ++colour)
            for (int view = 0; view < 2; ++view)
                if (pos_.current->shapeSum[colour][view] != sums[colour][view])
                    d += "shape sum [" + std::to_string(colour) + "][" + std::to_string(view) + "] is " +
                         std::to_string(pos_.current->shapeSum[colour][view]) + ", counted " +
                         std::to_string(sums[colour][view]) + "\n";
        return d;
    }

    // The fast verdict kept with the board against the exact one read from
    // the stones, on every empty cell where black's table class is a double
    // three, four-three or open four, or its stored class is forbidden. They
    // disagree only on the rare shapes the fast verdict misjudges and on
    // double-three cells whose verdict a far stone made stale.
    void compareWithTheExactVerdict() {
        if (black_ == COLOUR_UNKNOWN || rule_ != RULE_RENJU) return;
        ExactBoard board;
        loadExactBoard(board, pos_.cells, n_, black_);
        for (uint32_t x = 0; x < n_; ++x)
            for (uint32_t y = 0; y < n_; ++y) {
                const uint32_t cell = cellIndex(x, y);
                if (pos_.cells[cell] != 0) continue;
                const uint8_t stored = black_ == COLOUR_X ? pos_.classes[cell].x : pos_.classes[cell].o;
                const uint8_t table = black_ == COLOUR_X ? tableClassX(pos_.slots[cell]) : tableClassO(pos_.slots[cell]);
                if (stored != CLASS_FORBIDDEN && (table < CLASS_DOUBLE_THREE || table > CLASS_OPEN_FOUR)) continue;
                ++stats.verdictsCompared;
                stats.verdictsDiffering += (stored == CLASS_FORBIDDEN) != isExactlyForbidden(board, cell);
            }
    }

    // A stone changes the class pairs of the cells it re-judges and of no
    // other cell: a verdict elsewhere stays as it was, even where the board
    // as it now stands would judge it differently.
    std::string classesChangedOutsideRecheck(const BoardSnapshot& before) const {
        const StateRecord& r = *pos_.current;
        std::string d;
        for (uint32_t cell = 0; cell < CLASS_CELLS; ++cell) {
            if (std::find(r.changedCells, r.changedCells + r.changedCount, cell) !=
                r.changedCells + r.changedCount)
                continue;
            const ClassPair was = before.classes[cell];
            const ClassPair is = pos_.classes[cell];
            if (was.x != is.x || was.o != is.o)
                d += "cell (" + std::to_string(cell >> 5) + "," + std::to_string(cell & 31) +
                     ") changed class without being re-judged\n";
        }
        return d;
    }

    void noteCapacity() {
        const StateRecord& r = *pos_.current;
        stats.maxThreats = std::max({stats.maxThreats, r.threatsX.count, r.threatsO.count});
        stats.maxRecheck = std::max(stats.maxRecheck, r.changedCount);
        std::vector<uint32_t> cells(r.changedCells, r.changedCells + r.changedCount);
        std::sort(cells.begin(), cells.end());
        if (std::adjacent_find(cells.begin(), cells.end()) != cells.end()) ++stats.recordsWithRepeatedCell;
    }

    // Makes another playable move, checks it against the reference and
    // takes it back: the board must be as it was, bit for bit.
    void tryAndTakeBack(int32_t eval) {
        const MoveWord m = pickMove();
        if (m == 0) return;
        const BoardSnapshot snapshot = takeSnapshot(pos_);
        makeMove(pos_, m);
        stones_.push_back(m);
        const int32_t after = eval + expectedScore(m);
        expectMatchesReference("after a trial makeMove", after);
        EXPECT_EQ(classesChangedOutsideRecheck(snapshot), "") << "trial move at " << stones_.size();
        noteCapacity();
        unmakeMove(pos_, m);
        stones_.pop_back();
        EXPECT_EQ(differencesFrom(snapshot, pos_), "") << "trial take-back at " << stones_.size();
    }

    Position& pos_;
    ReferenceBoard& ref_;
    uint32_t n_;
    uint32_t black_;
    GameRule rule_ = RULE_RENJU;
    std::mt19937 rng_;
    std::minstd_rand syncRng_;  // apart from the moves' draws, which it leaves as they were
    std::vector<MoveWord> stones_;
    size_t maxPlayed_ = 0;
};

TEST_F(PositionTest, RandomGamesMatchTheReferenceAfterEveryMakeAndUnmake) {
    // Shape values of every set, random and distinct, so that the sums kept
    // by the moves show any shape counted wrongly, twice or not taken back.
    ShapeValuesFilledAtRandom shapeValues(2026);
    struct GameCase {
        uint32_t boardSize;
        uint32_t blackColour;
        uint32_t maxStones;
        GameRule rule = RULE_RENJU;
    };
    const GameCase cases[] = {
        {5, COLOUR_X, 25},    {5, COLOUR_O, 25},    {6, COLOUR_X, 36},   {6, COLOUR_O, 36},
        {15, COLOUR_X, 60},   {15, COLOUR_O, 225},  {15, COLOUR_X, 225}, {20, COLOUR_O, 80},
        {20, COLOUR_X, 400},  {20, COLOUR_O, 400},  {15, COLOUR_UNKNOWN, 225},
        // The other rules, where sixes and double fours are ordinary shapes.
        {6, COLOUR_X, 36, RULE_FREESTYLE},   {15, COLOUR_X, 225, RULE_FREESTYLE},
        {20, COLOUR_O, 400, RULE_FREESTYLE}, {6, COLOUR_O, 36, RULE_STANDARD},
        {15, COLOUR_O, 225, RULE_STANDARD},  {20, COLOUR_X, 400, RULE_STANDARD},
    };
    uint32_t seed = 1;
    for (const GameCase& c : cases) {
        for (int round = 0; round < 3; ++round) {
            SCOPED_TRACE("N = " + std::to_string(c.boardSize) + ", black " +
                         std::to_string(c.blackColour) + ", rule " + std::to_string(c.rule) + ", seed " +
                         std::to_string(seed));
            RandomGame game(*pos, *ref, c.boardSize, c.blackColour, c.rule, seed++);
            game.play(c.maxStones);
            if (HasFailure()) return;
            // Long games must really fill most of the board.
            if (c.maxStones == c.boardSize * c.boardSize) {
                EXPECT_GE(game.stonesPlayed(), c.maxStones * 3 / 4);
            }
        }
    }
    // The take-back of a cell listed twice in one record was exercised.
    EXPECT_GT(stats.recordsWithRepeatedCell, 0u);
    EXPECT_LE(stats.maxThreats, THREAT_LIST_CAPACITY);
    EXPECT_LE(stats.maxRecheck, RECHECK_CAPACITY);
    EXPECT_GE(stats.longestSync, 4u);
    std::printf("[ stats    ] %llu positions checked, shapes synced at %llu, at most %u records at once;"
                "\n[ stats    ] %llu positions checked; most threat words in one list %u, "
                "most recheck cells for one stone %u, records with a repeated cell %llu\n",
                (unsigned long long)stats.movesChecked, (unsigned long long)stats.shapeSyncs, stats.longestSync,
                (unsigned long long)stats.movesChecked, stats.maxThreats, stats.maxRecheck,
                (unsigned long long)stats.recordsWithRepeatedCell);
    std::printf("[ stats    ] re-judged cells of black table class 6-8: %llu, stored class differing "
                "from the verdict on the final board: %llu\n",
                (unsigned long long)stats.rejudgedChecked, (unsigned long long)stats.rejudgedDiffering);
    std::printf("[ stats    ] not re-judged: %llu, of which differing from the verdict on the board: %llu\n",
                (unsigned long long)stats.outsideChecked, (unsigned long long)stats.outsideDiffering);
    std::printf("[ stats    ] fast and exact verdicts compared on %llu cells, differing on %llu\n",
                (unsigned long long)stats.verdictsCompared, (unsigned long long)stats.verdictsDiffering);
    // Rare: a verdict that misses a shape (a three completed far away, say)
    // shows as many more differences.
    EXPECT_LE(stats.verdictsDiffering * 400, stats.verdictsCompared);
    std::printf("[ stats    ] verdicts on re-judged cells (table class -> class: count):");
    for (int t : {6, 7, 8})
        for (int c = 0; c < CLASS_COUNT; ++c)
            if (stats.outcomes[t][c] != 0)
                std::printf(" %d->%d: %llu", t, c, (unsigned long long)stats.outcomes[t][c]);
    std::printf("\n");
    // The games reached every outcome of the verdict.
    const int outcomes[][2] = {{6, 0}, {6, 2}, {6, 1}, {7, 5}, {7, 7}, {7, 1}, {8, 8}, {8, 1}};
    for (const auto& o : outcomes) EXPECT_GT(stats.outcomes[o[0]][o[1]], 0u) << o[0] << " -> " << o[1];
}

TEST_F(PositionTest, ResetGivesAnEmptyTwentyBoardWithBlackUnknown) {
    reset(*pos, 20);
    EXPECT_EQ(pos->boardSize, 20u);
    EXPECT_EQ(pos->stoneCount, 0u);
    EXPECT_EQ(pos->sideToMove, 1);
    EXPECT_EQ(pos->blackColour, COLOUR_UNKNOWN);
    EXPECT_EQ(pos->yixinMode, 0u);
    EXPECT_EQ(pos->current, &pos->states[0]);
    const StateRecord& r = *pos->current;
    EXPECT_EQ(r.classCountX[CLASS_NONE], 400);
    EXPECT_EQ(r.classCountO[CLASS_NONE], 400);
    for (int c = 1; c < CLASS_COUNT; ++c) {
        EXPECT_EQ(r.classCountX[c], 0);
        EXPECT_EQ(r.classCountO[c], 0);
    }
    EXPECT_EQ(r.threatsX.count, 0u);
    EXPECT_EQ(r.threatsO.count, 0u);
    EXPECT_EQ(r.key, 0u);
    EXPECT_EQ(r.eval, 0);
    for (uint32_t x = 0; x < 20; ++x) EXPECT_EQ(pos->emptyMask[x], 0xfffffu);
    buildReference(*ref, 20, {}, patternTable, true);
    EXPECT_EQ(compareWithReference(*pos, *ref), "");
}

TEST_F(PositionTest, ASmallerBoardAfterALargerOneHasNoCellBeyondItsEdge) {
    // As START 15 after a game on 20 x 20, and as the search threads' copies.
    reset(*pos, 20);
    selectRuleTables(*pos, COLOUR_X);
    makeMove(*pos, COLOUR_X | cellIndex(18, 17));
    makeMove(*pos, COLOUR_O | cellIndex(3, 19));
    pos->boardSize = 15;
    initBoard(*pos);
    buildReference(*ref, 15, {}, patternTable, true);
    EXPECT_EQ(compareWithReference(*pos, *ref), "");
    for (uint32_t x = 15; x < 32; ++x) EXPECT_EQ(pos->emptyMask[x], 0u) << x;

    reset(*other, 20);
    copyFrom(*other, *pos, nullptr);
    EXPECT_EQ(compareWithReference(*other, *ref), "");
}

TEST_F(PositionTest, KeyAfterPredictsTheKeyOfMakeMove) {
    reset(*pos, 15);
    selectRuleTables(*pos, COLOUR_X);
    const MoveWord moves[] = {0x400 | cellIndex(7, 7), 0x800 | cellIndex(7, 8), 0x400 | cellIndex(8, 8),
                              0x800 | cellIndex(0, 14)};
    for (MoveWord m : moves) {
        const uint64_t predicted = keyAfter(*pos, m);
        const uint64_t keyBefore = pos->current->key;
        makeMove(*pos, m);
        EXPECT_EQ(pos->current->key, predicted);
        EXPECT_NE(pos->current->key, keyBefore);
    }
    // The same cell with either colour gives different keys.
    EXPECT_NE(keyAfter(*pos, 0x400 | cellIndex(3, 3)), keyAfter(*pos, 0x800 | cellIndex(3, 3)));
    EXPECT_NE(ZobristKeys[0x400 | cellIndex(3, 3)], ZobristKeys[cellIndex(3, 3)]);
}

TEST_F(PositionTest, CopyGivesTheSameKeyAndBoardWithEitherSideToMove) {
    for (int stonesPlayed : {3, 4}) {
        reset(*pos, 20);
        selectRuleTables(*pos, COLOUR_O);
        std::vector<MoveWord> stones;
        for (int i = 0; i < stonesPlayed; ++i) {
            const MoveWord m = (i % 2 ? COLOUR_O : COLOUR_X) | cellIndex(9 + i, 10 - i % 2);
            makeMove(*pos, m);
            stones.push_back(m);
        }
        selectTableVariant(COLOUR_X);  // the copy must select O-black again
        copyFrom(*other, *pos, nullptr);
        EXPECT_EQ(other->sideToMove, pos->sideToMove);
        EXPECT_EQ(other->current, &other->states[0]);
        EXPECT_EQ(other->current->key, pos->current->key) << stonesPlayed << " stones";
        EXPECT_EQ(other->current->eval, 0);
        EXPECT_EQ(other->blackColour, COLOUR_O);
        EXPECT_EQ(patternTable, patternTableOBlack());
        buildReference(*ref, 20, stones, patternTableOBlack(), other->sideToMove == 1);
        EXPECT_EQ(compareWithReference(*other, *ref), "");
    }
}

TEST_F(PositionTest, VirtualMoveChangesOnlyTheKeyAndTheSide) {
    reset(*pos, 15);
    makeMove(*pos, COLOUR_X | cellIndex(7, 7));
    const BoardSnapshot before = takeSnapshot(*pos);
    const uint64_t nodes = pos->nodes;
    const MoveWord m = COLOUR_O | cellIndex(8, 8);
    const uint64_t predicted = keyAfter(*pos, m);
    makeVirtualMove(*pos, m);
    EXPECT_EQ(pos->sideToMove, 1);
    EXPECT_EQ(pos->current, before.current + 1);
    EXPECT_EQ(pos->current->key, predicted);
    EXPECT_EQ(pos->current->virtualMove, m);
    EXPECT_EQ(pos->nodes, nodes + 1);
    EXPECT_EQ(pos->cells[cellOf(m)], 0u);
    // Its stone is not there: the shapes do not catch up yet, not even with
    // the stone below it.
    syncShapes(*pos);
    EXPECT_EQ(pos->current->shapesPending, 1);
    EXPECT_EQ(pos->shapes[cellIndex(7, 9)].x, before.shapes[cellIndex(7, 9)].x);
    unmakeMove(*pos, m);
    EXPECT_EQ(differencesFrom(before, *pos), "");
    EXPECT_EQ(pos->sideToMove, 0);
    // Completed, it catches up with both stones, and is taken back whole.
    makeVirtualMove(*pos, m);
    syncShapes(*pos);
    completeVirtualMove(*pos);
    syncShapes(*pos);
    for (uint32_t c : {cellIndex(7, 9), cellIndex(8, 8), cellIndex(9, 9)})
        EXPECT_EQ(pos->shapes[c].x, shapeX(pos->slots[c])) << c;
    EXPECT_NE(pos->shapes[cellIndex(7, 9)].x, before.shapes[cellIndex(7, 9)].x);
    unmakeMove(*pos, m);
    EXPECT_EQ(differencesFrom(before, *pos), "");
}

TEST_F(PositionTest, NullMovePassesTheTurnAndComesBack) {
    reset(*pos, 15);
    makeMove(*pos, COLOUR_X | cellIndex(7, 7));
    makeMove(*pos, COLOUR_O | cellIndex(7, 8));
    makeMove(*pos, COLOUR_X | cellIndex(8, 8));
    const BoardSnapshot before = takeSnapshot(*pos);
    const StateRecord& r = *pos->current;
    const uint64_t nodes = pos->nodes;
    makeNullMove(*pos);
    const StateRecord& s = *pos->current;
    EXPECT_EQ(&s, &r + 1);
    EXPECT_EQ(s.key, r.key ^ SIDE_KEY);
    EXPECT_EQ(s.virtualMove, 0u);
    EXPECT_EQ(pos->sideToMove, 1);
    EXPECT_EQ(pos->nodes, nodes);
    EXPECT_EQ(sortedThreats(s.threatsX), sortedThreats(r.threatsX));
    EXPECT_EQ(sortedThreats(s.threatsO), sortedThreats(r.threatsO));
    EXPECT_EQ(std::memcmp(&s, &r, STATE_HEAD_BYTES), 0);
    // The shapes caught up at the pass are put back with it.
    syncShapes(*pos);
    EXPECT_EQ(s.shapeSyncBase, &pos->states[0]);
    unmakeNullMove(*pos);
    EXPECT_EQ(differencesFrom(before, *pos), "");
}

std::string emptyPicture(uint32_t n) {
    std::string s;
    for (uint32_t i = 0; i < n * n; ++i) s += " .";
    return s;
}

void draw(std::string& picture, uint32_t n, uint32_t x, uint32_t y, char symbol) {
    picture[1 + 2 * x + 2 * n * y] = symbol;
}

TEST_F(PositionTest, PictureSetsUpStonesAndReturnsMarksInScanOrder) {
    std::string picture = emptyPicture(20);
    ASSERT_EQ(picture.size(), 800u);
    draw(picture, 20, 5, 3, 'X');
    draw(picture, 20, 6, 3, 'X');
    draw(picture, 20, 6, 4, 'O');
    draw(picture, 20, 9, 9, 'D');  // an annotation: empty
    draw(picture, 20, 7, 2, '?');
    draw(picture, 20, 2, 7, '!');
    draw(picture, 20, 2, 1, '!');
    const std::vector<MoveWord> marks = setupFromPicture(*pos, picture, COLOUR_O);
    EXPECT_EQ(pos->boardSize, 20u);
    EXPECT_EQ(pos->blackColour, COLOUR_O);
    EXPECT_EQ(patternTable, patternTableOBlack());
    EXPECT_EQ(pos->stoneCount, 3u);
    EXPECT_EQ(pos->current->key, 0u);
    EXPECT_EQ(pos->current->eval, 0);
    EXPECT_EQ(pos->sideToMove, 1);
    const std::vector<MoveWord> expected = {COLOUR_X | cellIndex(2, 1), COLOUR_X | cellIndex(2, 7),
                                            COLOUR_O | cellIndex(7, 2)};
    EXPECT_EQ(marks, expected);
    const std::vector<MoveWord> stones = {COLOUR_X | cellIndex(5, 3), COLOUR_X | cellIndex(6, 3),
                                          COLOUR_O | cellIndex(6, 4)};
    buildReference(*ref, 20, stones, patternTableOBlack(), true, false);
    EXPECT_EQ(compareWithReference(*pos, *ref), "");

    // One character too many: no board at all.
    picture += ".";
    EXPECT_TRUE(setupFromPicture(*pos, picture, COLOUR_X).empty());
    EXPECT_EQ(pos->boardSize, 0u);
    EXPECT_EQ(pos->stoneCount, 0u);
    EXPECT_EQ(pos->current->classCountX[CLASS_NONE], 0);
}

TEST_F(PositionTest, PictureSizesFollowTheLength) {
    for (uint32_t n = MIN_BOARD_SIZE; n <= MAX_BOARD_SIZE; ++n) {
        setupFromPicture(*pos, emptyPicture(n), COLOUR_X);
        EXPECT_EQ(pos->boardSize, n);
        EXPECT_EQ(pos->current->classCountX[CLASS_NONE], n * n);
    }
    setupFromPicture(*pos, emptyPicture(4), COLOUR_X);
    EXPECT_EQ(pos->boardSize, 0u);
}


std::vector<MoveWord> historyOf(const Position& p) {
    return std::vector<MoveWord>(p.history, p.history + p.stoneCount);
}

// Crowded boards found by a local search that maximised, respectively, the
// words of one threat list and the cells one stone makes putStone recheck
// (X's words with O black; the best stone for O as black). Both stay far
// inside the capacities, whose bounds are proven beside their constants.
const char* const MANY_THREAT_WORDS =
    " . . . X X . . . . X X . . . . X X . . X"
    " . X . X . . . X . X . X . X . . X . X X"
    " X . . . X X . X X . . . . X X . X . . ."
    " X . X X . X . . X . X X X . . X X X . ."
    " X X X . X X . X X X X . X X X . . X X X"
    " . . X . X . X . . X . . X . . X X . X ."
    " . X . . X . X . . X X . . . . . X X . ."
    " . . . X . . X X . . . . X X X X . . . X"
    " . . . X X X . . . . X X . . . . X X . X"
    " X . X . X . . X X . . X X . . . X . X ."
    " X X X . . . . X X . X . . . X X X . . ."
    " . X . X X X . . . . . X X . . X . X X ."
    " . . X X . . X . . X . X . . . X . X . X"
    " . . X X . . . . X X . . . . X X . . . ."
    " . . . . . X X . . . X . . X . . X . X X"
    " X . X X X . . X X X X . X X X . X . X ."
    " X X . . X . . X . X . . X . X . X . X X"
    " . X . X X X . . . X . X . . X X . X . ."
    " . . X X X . . X X . . X . X . X . X . X"
    " X . X . . X . . X . . X . . X X . . . X";
const char* const MANY_RECHECK_CELLS =
    " O . O O . . . O . O O . . O . O . O . O"
    " X O . O O . . X O . O . O X . O O O . ."
    " . O O . O . O . . O O . O . . . . . O O"
    " . O . O O . O . O . . . O . . . . O O ."
    " . . O O . . O . . O O . . O O O O . O ."
    " O . . . . O . O . . O O . . O . O . . O"
    " . . . O O O . O O . . . O O . . O X O O"
    " O . O . O X O . O . O O . . . O . O O ."
    " . O O . O . . . . . . . O . . O . . . O"
    " . O O O . . . . . O . . O . O . O O . ."
    " O O O . . . O O . O . O . O . . O . O O"
    " O . O . O O . . . . O O . O . O O O . ."
    " . . O . O O . O . . O . . O . O O . . O"
    " . O . . . . O O . . . O O . . . O . . O"
    " . O . O O . . . . O . . O . . O O . O ."
    " . . O O . O . O . O . O . . . X O . . ."
    " O O . . . O . . O O . . O . O . . . O X"
    " O . O . O . O . O . O O . . O . O O . O"
    " . . O O O . X . . O O O . . . O O O . X"
    " . O . . . . O . O O . . . O O . O O O .";

TEST_F(PositionTest, CrowdedBoardsStayWithinTheCapacities) {
    setupFromPicture(*pos, MANY_THREAT_WORDS, COLOUR_O);
    ASSERT_EQ(pos->boardSize, 20u);
    const uint32_t words = std::max(pos->current->threatsX.count, pos->current->threatsO.count);
    EXPECT_GE(words, 600u);  // the fixture really is crowded
    EXPECT_LE(words, THREAT_LIST_CAPACITY);
    buildReference(*ref, 20, historyOf(*pos), patternTableOBlack(), true, false);
    EXPECT_EQ(compareWithReference(*pos, *ref), "");

    // Every stone that makes no five, for either colour: the recheck list
    // and both threat lists stay within their capacities.
    setupFromPicture(*pos, MANY_RECHECK_CELLS, COLOUR_O);
    uint32_t mostRecheck = 0;
    uint32_t mostWords = 0;
    for (uint32_t x = 0; x < 20; ++x)
        for (uint32_t y = 0; y < 20; ++y) {
            const uint32_t cell = cellIndex(x, y);
            if (pos->cells[cell] != 0) continue;
            for (uint32_t colour : {COLOUR_X, COLOUR_O}) {
                bool five = false;
                for (int d = 0; d < DIRECTION_COUNT; ++d) five |= slotCode(pos->slots[cell][d], colour) == CODE_FIVE;
                if (five) continue;
                makeMove(*pos, colour | cell);
                const StateRecord& r = *pos->current;
                mostRecheck = std::max(mostRecheck, r.changedCount);
                mostWords = std::max({mostWords, r.threatsX.count, r.threatsO.count});
                unmakeMove(*pos, colour | cell);
            }
        }
    EXPECT_GT(mostRecheck, 41u);  // the black-list candidates did add cells
    EXPECT_LE(mostRecheck, RECHECK_CAPACITY);
    EXPECT_LE(mostWords, THREAT_LIST_CAPACITY);
    std::printf("[ stats    ] crowded boards: %u threat words in one list, %u recheck cells for one stone\n",
                words, mostRecheck);
}

}  // namespace
