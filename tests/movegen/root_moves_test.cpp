// The root move list: the centre of an empty board, nothing once a five
// stands, only the threat moves when the side to move holds an open-four
// point that is not outranked, the threat responses when it must answer,
// one entry per cell at the place of its first occurrence, and a crowded
// board whose raw moves overflow a list of 400 entries.
#include "movegen/root_moves.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "board/exact_forbidden.h"
#include "board/position.h"
#include "board/startup_tables.h"
#include "board/tables.h"
#include "movegen/generators.h"
#include "movegen/picker.h"
#include "support/board_drawing.h"
#include "support/shared_pictures.h"

namespace {

constexpr uint32_t at(uint32_t x, uint32_t y) { return cellIndex(x, y); }

std::vector<MoveWord> generated(ScoredMove* (*generate)(const Position&, ScoredMove*), const Position& pos) {
    static std::vector<ScoredMove> buffer(MAX_GENERATED_MOVES);
    ScoredMove* end = generate(pos, buffer.data());
    std::vector<MoveWord> out;
    for (ScoredMove* m = buffer.data(); m != end; ++m) out.push_back(m->move);
    return out;
}

std::vector<MoveWord> wordsOf(const ScoredMove* begin, const ScoredMove* end) {
    std::vector<MoveWord> out;
    for (const ScoredMove* m = begin; m != end; ++m) out.push_back(m->move);
    return out;
}

std::vector<MoveWord> listed(const Position& pos) {
    MoveList list;
    generateMoveList(pos, list);
    return wordsOf(list.moves, list.moves + list.size);
}

std::set<uint32_t> cellSet(const std::vector<MoveWord>& moves) {
    std::set<uint32_t> cells;
    for (MoveWord m : moves) cells.insert(cellOf(m));
    return cells;
}

class RootMoveListTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        buildClassTable();
        pos = std::make_unique_for_overwrite<Position>().release();
    }
    static void TearDownTestSuite() { delete pos; }
    void TearDown() override { selectTableVariant(COLOUR_X); }

    // A 15 x 15 board drawn row by row (row y, column x) with X to move.
    static void setUp(const std::vector<std::string_view>& rows, uint32_t black) {
        setupFromPicture(*pos, pictureFromRows(rows, 15), black);
        ASSERT_EQ(pos->sideToMove, 1);
    }

    static Position* pos;
};

Position* RootMoveListTest::pos = nullptr;

TEST_F(RootMoveListTest, EmptyBoardListsTheCentreForTheSideToMove) {
    for (uint32_t n : {5u, 15u, 20u}) {
        for (uint32_t black : {COLOUR_X, COLOUR_O, COLOUR_UNKNOWN}) {
            for (uint8_t side : {uint8_t(1), uint8_t(0)}) {
                SCOPED_TRACE("board " + std::to_string(n) + (side ? ", X" : ", O") + " to move");
                reset(*pos, n);
                selectRuleTables(*pos, black);
                pos->sideToMove = side;
                EXPECT_EQ(listed(*pos),
                          std::vector<MoveWord>{makeMoveWord(side ? COLOUR_X : COLOUR_O, n / 2, n / 2)});
            }
        }
    }
}

TEST_F(RootMoveListTest, NothingOnceAFiveStands) {
    for (std::string_view row : {"..XXXXX", "..OOOOO"}) {
        for (uint32_t black : {COLOUR_X, COLOUR_O}) {
            setUp({"", "", "", "", "", "", "", row, "", "....O...X"}, black);
            ASSERT_GT(pos->current->classCountX[CLASS_FIVE_STANDS] + pos->current->classCountO[CLASS_FIVE_STANDS], 0);
            for (uint8_t side : {uint8_t(1), uint8_t(0)}) {
                pos->sideToMove = side;
                EXPECT_TRUE(listed(*pos).empty()) << row;
            }
        }
    }
}

TEST_F(RootMoveListTest, AnOpenFourPointNotOutrankedListsOnlyTheThreatMoves) {
    const std::vector<std::string_view> boards[] = {
        // X's open three on row 7.
        {"", "", "", "", "", "", "", "....XXX", "", "..........O"},
        // Both sides have one: a tie does not outrank X.
        {"", "", "", "", "", "", "", "....XXX", "", "", "", "....OOO"},
    };
    for (uint32_t black : {COLOUR_X, COLOUR_O}) {
        for (const auto& rows : boards) {
            setUp(rows, black);
            ASSERT_GT(pos->current->classCountX[CLASS_OPEN_FOUR], 0);
            ASSERT_FALSE(mustAnswer(*pos));
            const std::vector<MoveWord> got = listed(*pos);
            // X's open-four points (3,7) and (7,7), nothing else.
            EXPECT_EQ(cellSet(got), (std::set<uint32_t>{at(3, 7), at(7, 7)}));
            EXPECT_EQ(got.size(), 2u);
            for (MoveWord m : got) {
                EXPECT_EQ(colourOf(m), COLOUR_X);
                EXPECT_EQ(threatClass(m), CLASS_OPEN_FOUR);  // the threat words, copied whole
            }
        }
    }
}

TEST_F(RootMoveListTest, WithoutTheCutTheQuietMovesFollowTheThreatMoves) {
    // X's open two on row 7: threes to make, nothing that cuts.
    setUp({"", "", "", "", "", "", "", "......XX", "", "..........O"}, COLOUR_O);
    const std::vector<MoveWord> threats = generated(generateThreatMoves, *pos);
    const std::vector<MoveWord> quiets = generated(generateQuietMoves, *pos);
    ASSERT_FALSE(threats.empty());
    const std::vector<MoveWord> got = listed(*pos);
    std::set<uint32_t> expectedCells = cellSet(threats);
    const std::set<uint32_t> quietCells = cellSet(quiets);
    expectedCells.insert(quietCells.begin(), quietCells.end());
    EXPECT_EQ(cellSet(got), expectedCells);
    EXPECT_EQ(got.size(), expectedCells.size());
    // The threat moves come first.
    const std::set<uint32_t> threatCells = cellSet(threats);
    for (size_t i = 0; i < threatCells.size(); ++i) EXPECT_EQ(threatCells.count(cellOf(got[i])), 1u) << i;
}

TEST_F(RootMoveListTest, ACellOfTwoThreatWordsIsListedOnceAtItsFirstPlace) {
    // X's twos on row 7 and column 7 meet at (7,7): a three in both lines.
    setUp({"", "", "", "", "", ".......X", ".......X", ".....XX", "", "............O"}, COLOUR_O);
    ASSERT_FALSE(mustAnswer(*pos));
    ASSERT_FALSE(threatCutApplies(*pos));
    const std::vector<MoveWord> raw = generated(generateThreatMoves, *pos);
    std::vector<size_t> places;
    for (size_t i = 0; i < raw.size(); ++i)
        if (cellOf(raw[i]) == at(7, 7)) places.push_back(i);
    ASSERT_EQ(places.size(), 2u);
    ASSERT_NE(threatDirection(raw[places[0]]), threatDirection(raw[places[1]]));

    const std::vector<MoveWord> got = listed(*pos);
    const std::vector<MoveWord> before(raw.begin(), raw.begin() + places[0]);
    // Once, right behind the distinct cells generated before it, with the
    // word of its first occurrence.
    size_t count = 0;
    for (MoveWord m : got) count += cellOf(m) == at(7, 7);
    EXPECT_EQ(count, 1u);
    ASSERT_GT(got.size(), cellSet(before).size());
    EXPECT_EQ(got[cellSet(before).size()], raw[places[0]]);
    EXPECT_EQ(cellSet(got).size(), got.size());
}

TEST_F(RootMoveListTest, ASideThatMustAnswerListsTheThreatResponses) {
    // O's four on row 7 has one five point, (8,7): X must block it.
    setUp({"", "", "", "", "", "", "", "...XOOOO", "", ".........X"}, COLOUR_O);
    ASSERT_TRUE(mustAnswer(*pos));
    const std::vector<MoveWord> got = listed(*pos);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(cellOf(got[0]), at(8, 7));
    EXPECT_EQ(colourOf(got[0]), COLOUR_X);
    EXPECT_NE(got[0] & FORCING_FLAG, 0u);
}

const char* const CROWDED = CROWDED_BOARD;

TEST_F(RootMoveListTest, ACrowdedBoardKeepsOneMovePerCellWithinTheList) {
    setupFromPicture(*pos, CROWDED, COLOUR_X);
    ASSERT_TRUE(mustAnswer(*pos));
    const std::vector<MoveWord> raw = generated(generateThreatResponses, *pos);
    ASSERT_GT(raw.size(), MAX_STONES);

    const std::vector<MoveWord> got = listed(*pos);
    EXPECT_LE(got.size(), MAX_STONES);
    EXPECT_EQ(cellSet(got).size(), got.size());
    EXPECT_EQ(cellSet(got), cellSet(raw));
    EXPECT_EQ(got.front(), raw.front());

    // A scratch area of the caller's own gives the same list.
    auto scratch = std::make_unique_for_overwrite<GenerationScratch>();
    MoveList list;
    generateMoveList(*pos, list, *scratch);
    EXPECT_EQ(wordsOf(list.moves, list.moves + list.size), got);
}

// The root list: what the engine may play, widened rather than emptied.
class RootListTest : public RootMoveListTest {
protected:
    struct Collected {
        std::vector<MoveWord> moves;
        bool widened;
    };
    static Collected collect(const std::set<uint32_t>& blocked) {
        const std::vector<uint32_t> blockedCells(blocked.begin(), blocked.end());
        const std::vector<MoveWord> noSearchMoves;
        std::vector<RootMove> rootMoves;
        Collected out;
        out.widened = collectRootMoves(*pos, {blockedCells, noSearchMoves}, rootMoves);
        for (const RootMove& rm : rootMoves) out.moves.push_back(rm.pv[0]);
        return out;
    }
    static std::set<uint32_t> emptyCells() {
        std::set<uint32_t> cells;
        for (uint32_t x = 0; x < pos->boardSize; ++x)
            for (uint32_t y = 0; y < pos->boardSize; ++y)
                if (pos->cells[at(x, y)] == 0) cells.insert(at(x, y));
        return cells;
    }
    static std::set<uint32_t> without(std::set<uint32_t> cells, const std::set<uint32_t>& taken) {
        for (uint32_t c : taken) cells.erase(c);
        return cells;
    }
    static std::set<uint32_t> candidatesNearStones() { return cellSet(generated(generateAllCandidates, *pos)); }
};

// X is black and to move; O's four on the falling diagonal (8,8) .. (11,11)
// is closed at (12,12) and completes at (7,7), where X's open threes on row 7
// and column 7 cross: the only block is a forbidden double three.
const std::vector<std::string_view> FORBIDDEN_BLOCK = {
    "O", "", "", "", "", ".......X", ".......X", ".....XX", "........O", ".........O", "..........O",
    "...........O", "............X"};

TEST_F(RootListTest, TheGeneratedMovesUnlessNothingThereMayBePlayed) {
    setUp({"", "", "", "", "", "", "", "......XX", "", "..........O"}, COLOUR_X);
    const Collected plain = collect({});
    EXPECT_FALSE(plain.widened);
    EXPECT_EQ(plain.moves, listed(*pos));
    // A blocked cell is left out of the same list.
    const uint32_t first = cellOf(plain.moves[0]);
    const Collected blocked = collect({first});
    EXPECT_FALSE(blocked.widened);
    EXPECT_EQ(cellSet(blocked.moves), without(cellSet(plain.moves), {first}));
}

TEST_F(RootListTest, NothingWhenAFiveStands) {
    setUp({"", "", "", "", "", "", "", "..OOOOO", "", "....X...X"}, COLOUR_X);
    const Collected got = collect({});
    EXPECT_TRUE(got.moves.empty());
    EXPECT_FALSE(got.widened);
}

TEST_F(RootListTest, WidensStepByStepWhenEveryGeneratedMoveIsExcluded) {
    // O's closed four on row 7: X's only answer is (8,7).
    const std::vector<std::string_view> fourToBlock = {"", "", "", "", "", "", "", "...XOOOO", "", ".........X"};
    struct Case {
        const char* name;
        std::vector<std::string_view> rows;
        // The blocked cells, and the cells the list must then hold.
        std::set<uint32_t> (*blocked)();
        std::set<uint32_t> (*expected)(const std::set<uint32_t>& blocked);
    };
    const Case cases[] = {
        {"the only answer blocked: every other candidate near the stones", fourToBlock,
         [] { return std::set<uint32_t>{at(8, 7)}; },
         [](const std::set<uint32_t>& b) { return without(candidatesNearStones(), b); }},
        {"every candidate near the stones blocked: every other empty cell", fourToBlock,
         [] { return candidatesNearStones(); },
         [](const std::set<uint32_t>& b) { return without(emptyCells(), b); }},
        {"one far cell left: that cell", fourToBlock,
         [] { return without(emptyCells(), {at(0, 14)}); },
         [](const std::set<uint32_t>&) { return std::set<uint32_t>{at(0, 14)}; }},
        {"every empty cell blocked: any empty cell beats no move", fourToBlock,
         [] { return emptyCells(); },
         [](const std::set<uint32_t>&) { return emptyCells(); }},
        {"every unblocked cell forbidden: the forbidden cell", FORBIDDEN_BLOCK,
         [] { return without(emptyCells(), {at(7, 7)}); },
         [](const std::set<uint32_t>&) { return std::set<uint32_t>{at(7, 7)}; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setUp(c.rows, COLOUR_X);
        const std::set<uint32_t> blocked = c.blocked();
        const Collected got = collect(blocked);
        EXPECT_TRUE(got.widened);
        EXPECT_EQ(cellSet(got.moves), c.expected(blocked));
        EXPECT_EQ(cellSet(got.moves).size(), got.moves.size());
        for (MoveWord m : got.moves) EXPECT_EQ(colourOf(m), COLOUR_X);
    }
}

TEST_F(RootListTest, BlackNeverGetsAForbiddenBlockWhileOtherCellsAreFree) {
    setUp(FORBIDDEN_BLOCK, COLOUR_X);
    ASSERT_TRUE(isExactlyForbidden(pos->cells, 15, COLOUR_X, at(7, 7)));
    const Collected got = collect({});
    ASSERT_FALSE(got.moves.empty());
    for (MoveWord m : got.moves) {
        EXPECT_EQ(pos->cells[cellOf(m)], 0u);
        EXPECT_FALSE(isExactlyForbidden(pos->cells, 15, COLOUR_X, cellOf(m))) << cellOf(m);
    }
    // White is not bound by the rule: the same block is its answer.
    setUp(FORBIDDEN_BLOCK, COLOUR_O);
    EXPECT_EQ(cellSet(collect({}).moves), std::set<uint32_t>{at(7, 7)});
}

TEST_F(RootListTest, ABlockTheFastVerdictAllowsButTheRuleForbidsIsDropped) {
    // O's four on the rising diagonal (2,11) .. (5,8) is closed at (1,12) and
    // completes at (6,7). The fast verdict lets X (black) block there, but
    // with (6,7) standing X has two real open threes, on column 6 and row 7.
    setUp({"O", "", "..........X", "..........X", ".......O...XX", "....X.X..X", ".....XX.X", "..O.XX...O",
           ".....O.X", "..O.O..X", "...O", "..O", ".X", "", "O............O"},
          COLOUR_X);
    ASSERT_EQ(cellSet(listed(*pos)), std::set<uint32_t>{at(6, 7)});
    ASSERT_TRUE(isExactlyForbidden(pos->cells, 15, COLOUR_X, at(6, 7)));
    const Collected got = collect({});
    EXPECT_TRUE(got.widened);
    std::set<uint32_t> allowed;
    for (uint32_t cell : candidatesNearStones())
        if (!isExactlyForbidden(pos->cells, 15, COLOUR_X, cell)) allowed.insert(cell);
    EXPECT_FALSE(allowed.count(at(6, 7)));
    EXPECT_EQ(cellSet(got.moves), allowed);
}

}  // namespace
