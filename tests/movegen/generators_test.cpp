// The threat-class move generators: the empty board, the threat responses
// step by step on small drawn positions (fives, forbidden blocks, open
// fours, four-three blocks with their line walk), the threat moves' handling
// of four-three points, the variant chosen for each black colour, the
// predicates mustAnswer, unansweredThreatClass and isDoubleFourPoint, and
// over random games the invariants every list keeps and the capacity bound.
#include "movegen/generators.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <initializer_list>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "board/position.h"
#include "board/startup_tables.h"
#include "board/tables.h"
#include "support/shared_pictures.h"

namespace {

using Generator = ScoredMove* (*)(const Position&, ScoredMove*);

enum Family { THREAT_MOVES, QUIET_MOVES, THREAT_RESPONSES, ALL_CANDIDATES };

// One fixed variant of one family, for the tests that run them all.
struct Variant {
    const char* name;
    Generator generate;
    Family family;
    uint32_t mover;
    bool restricted;
};

const Variant ALL_VARIANTS[] = {
    {"threat X restricted", generateThreatMoves<COLOUR_X, true>, THREAT_MOVES, COLOUR_X, true},
    {"threat X free", generateThreatMoves<COLOUR_X, false>, THREAT_MOVES, COLOUR_X, false},
    {"threat O restricted", generateThreatMoves<COLOUR_O, true>, THREAT_MOVES, COLOUR_O, true},
    {"threat O free", generateThreatMoves<COLOUR_O, false>, THREAT_MOVES, COLOUR_O, false},
    {"quiet X restricted", generateQuietMoves<COLOUR_X, true>, QUIET_MOVES, COLOUR_X, true},
    {"quiet X free", generateQuietMoves<COLOUR_X, false>, QUIET_MOVES, COLOUR_X, false},
    {"quiet O restricted", generateQuietMoves<COLOUR_O, true>, QUIET_MOVES, COLOUR_O, true},
    {"quiet O free", generateQuietMoves<COLOUR_O, false>, QUIET_MOVES, COLOUR_O, false},
    {"responses X restricted", generateThreatResponses<COLOUR_X, true>, THREAT_RESPONSES, COLOUR_X, true},
    {"responses X free", generateThreatResponses<COLOUR_X, false>, THREAT_RESPONSES, COLOUR_X, false},
    {"responses O restricted", generateThreatResponses<COLOUR_O, true>, THREAT_RESPONSES, COLOUR_O, true},
    {"responses O free", generateThreatResponses<COLOUR_O, false>, THREAT_RESPONSES, COLOUR_O, false},
    {"all X restricted", generateAllCandidates<COLOUR_X, true>, ALL_CANDIDATES, COLOUR_X, true},
    {"all X free", generateAllCandidates<COLOUR_X, false>, ALL_CANDIDATES, COLOUR_X, false},
    {"all O restricted", generateAllCandidates<COLOUR_O, true>, ALL_CANDIDATES, COLOUR_O, true},
    {"all O free", generateAllCandidates<COLOUR_O, false>, ALL_CANDIDATES, COLOUR_O, false},
};

// Room for the largest output plus a guard zone that must stay untouched.
constexpr uint32_t GUARD_ENTRIES = 64;
constexpr uint32_t SENTINEL = 0xffffffff;  // bit 31 is never set in a move

struct Output {
    std::vector<uint32_t> moves;
    uint32_t highWater = 0;  // entries written, including those a filter dropped
};

Output run(Generator generate, const Position& pos) {
    static std::vector<ScoredMove> buffer(MAX_GENERATED_MOVES + GUARD_ENTRIES);
    std::fill(buffer.begin(), buffer.end(), ScoredMove{SENTINEL, 0});
    ScoredMove* end = generate(pos, buffer.data());
    Output out;
    for (ScoredMove* m = buffer.data(); m != end; ++m) out.moves.push_back(m->move);
    uint32_t last = uint32_t(buffer.size());
    while (last > 0 && buffer[last - 1].move == SENTINEL) --last;
    out.highWater = last;
    return out;
}

std::vector<uint32_t> moves(Generator generate, const Position& pos) {
    static std::vector<ScoredMove> buffer(MAX_GENERATED_MOVES);
    ScoredMove* end = generate(pos, buffer.data());
    std::vector<uint32_t> out;
    for (ScoredMove* m = buffer.data(); m != end; ++m) out.push_back(m->move);
    return out;
}

// Helper results (key cells, open-four list, defences) as plain words.
template <typename Helper>
std::vector<uint32_t> collect(Helper helper) {
    std::vector<ScoredMove> buffer(MAX_GENERATED_MOVES);
    ScoredMove* end = helper(buffer.data());
    std::vector<uint32_t> out;
    for (ScoredMove* m = buffer.data(); m != end; ++m) out.push_back(m->move);
    return out;
}

constexpr uint32_t at(uint32_t x, uint32_t y) { return cellIndex(x, y); }

// A board drawn as rows of one symbol per cell (row y, column x).
using Board = std::vector<std::string>;

// The picture text of a drawn board: a separator before every symbol.
std::string picture(const Board& rows) {
    std::string text;
    for (const std::string& row : rows)
        for (char c : row) {
            text += ' ';
            text += c;
        }
    return text;
}

uint32_t bare(uint32_t cell, uint32_t colour) { return cell | colour; }

uint32_t withColour(uint32_t word, uint32_t colour) { return (word & ~COLOUR_MASK) | colour; }

std::vector<uint32_t> cellsOf(const std::vector<uint32_t>& moves) {
    std::vector<uint32_t> cells;
    for (uint32_t m : moves) cells.push_back(cellOf(m));
    return cells;
}

std::vector<uint32_t> sorted(std::vector<uint32_t> v) {
    std::sort(v.begin(), v.end());
    return v;
}

std::vector<uint32_t> concat(std::initializer_list<std::vector<uint32_t>> parts) {
    std::vector<uint32_t> all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

const ThreatList& listOf(const Position& pos, uint32_t colour) {
    return colour == COLOUR_X ? pos.current->threatsX : pos.current->threatsO;
}

std::vector<ThreatWord> words(const ThreatList& list) {
    return std::vector<ThreatWord>(list.words, list.words + list.count);
}

// The words of the list at the cell, in list order.
std::vector<ThreatWord> wordsAt(const ThreatList& list, uint32_t cell) {
    std::vector<ThreatWord> found;
    for (ThreatWord w : words(list))
        if (threatCell(w) == cell) found.push_back(w);
    return found;
}

// The opponent's four-three words as the mover's moves, each followed by its
// key cells: the block batch a four-three answer starts with.
std::vector<uint32_t> blockBatch(const Position& pos, uint32_t mover) {
    std::vector<uint32_t> batch;
    for (ThreatWord w : words(listOf(pos, otherColour(mover)))) {
        if (threatClass(w) != CLASS_FOUR_THREE) continue;
        const uint32_t move = withColour(w, mover);
        batch.push_back(move);
        for (uint32_t key : collect([&](ScoredMove* out) { return appendKeyCells(move, out); }))
            batch.push_back(key);
    }
    return batch;
}

// The mover's threat words as bare cells, all or only those of level <= 2.
std::vector<uint32_t> bareCells(const Position& pos, uint32_t colour, bool foursOnly) {
    std::vector<uint32_t> cells;
    for (ThreatWord w : words(listOf(pos, colour)))
        if (!foursOnly || threatLevel(w) <= LEVEL_FOUR) cells.push_back(bare(threatCell(w), colour));
    return cells;
}

class GeneratorsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        buildClassTable();
        pos = std::make_unique_for_overwrite<Position>().release();
    }
    static void TearDownTestSuite() { delete pos; }
    void SetUp() override { selectTableVariant(COLOUR_X); }
    void TearDown() override { selectTableVariant(COLOUR_X); }

    // Sets up the drawn board with the given black colour and side to move.
    static void setUp(const Board& rows, uint32_t black, uint32_t toMove) {
        setupFromPicture(*pos, picture(rows), black);
        ASSERT_EQ(pos->boardSize, rows.size());
        pos->sideToMove = toMove == COLOUR_X ? 1 : 0;
    }

    static Position* pos;
};

Position* GeneratorsTest::pos = nullptr;

// ---------------------------------------------------------------------------
// Empty board
// ---------------------------------------------------------------------------

TEST_F(GeneratorsTest, EmptyBoardGivesTheCentreAndNoThreatMoves) {
    for (uint32_t n : {5u, 6u, 15u, 20u}) {
        for (uint32_t black : {COLOUR_X, COLOUR_O, COLOUR_UNKNOWN}) {
            reset(*pos, n);
            selectRuleTables(*pos, black);
            for (const Variant& v : ALL_VARIANTS) {
                SCOPED_TRACE(std::string(v.name) + " on " + std::to_string(n));
                const std::vector<uint32_t> got = moves(v.generate, *pos);
                if (v.family == THREAT_MOVES)
                    EXPECT_TRUE(got.empty());
                else
                    EXPECT_EQ(got, std::vector<uint32_t>{makeMoveWord(v.mover, n / 2, n / 2)});
            }
            // The dispatchers give the same for either side to move.
            for (uint8_t side : {uint8_t(1), uint8_t(0)}) {
                pos->sideToMove = side;
                const uint32_t centre = makeMoveWord(side ? COLOUR_X : COLOUR_O, n / 2, n / 2);
                EXPECT_EQ(moves(generateQuietMoves, *pos), std::vector<uint32_t>{centre});
                EXPECT_EQ(moves(generateAllCandidates, *pos), std::vector<uint32_t>{centre});
                EXPECT_EQ(moves(generateThreatResponses, *pos), std::vector<uint32_t>{centre});
                EXPECT_TRUE(moves(generateThreatMoves, *pos).empty());
            }
        }
    }
}

// ---------------------------------------------------------------------------
// Threat responses
// ---------------------------------------------------------------------------

TEST_F(GeneratorsTest, NoResponseOnceAFiveStands) {
    for (uint32_t black : {COLOUR_X, COLOUR_O}) {
        for (const char* row : {"..XXXXX........", "..OOOOO........"}) {
            const Board board = {
                "...............",
                "...............",
                "...............",
                "...............",
                "...............",
                "...............",
                "...............",
                row,
                "...............",
                "....O...X......",
                "...............",
                "...............",
                "...............",
                "...............",
                "..............."};
            setUp(board, black, COLOUR_X);
            ASSERT_EQ(pos->current->classCountX[CLASS_FIVE_STANDS] +
                          pos->current->classCountO[CLASS_FIVE_STANDS],
                      5);
            for (const Variant& v : ALL_VARIANTS) {
                if (v.family == THREAT_RESPONSES) {
                    EXPECT_TRUE(moves(v.generate, *pos).empty()) << v.name << row;
                }
            }
        }
    }
}

// X: four blocked on the left, five point at (6,2). O: the same at (6,6).
const Board BOTH_FIVE_POINTS = {
    "...............",
    "...............",
    ".OXXXX.........",
    "...............",
    "...............",
    "...............",
    ".XOOOO.........",
    "...............",
    "...............",
    "...............",
    "...............",
    "...............",
    "...............",
    "...............",
    "..............."};
// X's four is dead (blocked at both ends); O keeps its five point.
const Board ONLY_O_FIVE_POINT = {
    "...............",
    "...............",
    ".OXXXXO........",
    "...............",
    "...............",
    "...............",
    ".XOOOO.........",
    "...............",
    "...............",
    "...............",
    "...............",
    "...............",
    "...............",
    "...............",
    "..............."};

TEST_F(GeneratorsTest, OwnFivePointComesFirstAndIsForcing) {
    for (uint32_t black : {COLOUR_X, COLOUR_O}) {
        for (uint32_t mover : {COLOUR_X, COLOUR_O}) {
            setUp(BOTH_FIVE_POINTS, black, mover);
            const uint32_t ownFive = mover == COLOUR_X ? at(6, 2) : at(6, 6);
            const std::vector<ThreatWord> entry = wordsAt(listOf(*pos, mover), ownFive);
            ASSERT_EQ(entry.size(), 1u);
            ASSERT_EQ(threatClass(entry[0]), CLASS_FIVE);
            // The entry copied whole, with the forcing flag.
            EXPECT_EQ(moves(generateThreatResponses, *pos),
                      std::vector<uint32_t>{entry[0] | FORCING_FLAG});
        }
    }
}

TEST_F(GeneratorsTest, WithoutOwnFivePointTheOpponentsIsBlockedWithForcing) {
    for (uint32_t black : {COLOUR_X, COLOUR_O}) {
        setUp(ONLY_O_FIVE_POINT, black, COLOUR_X);
        const std::vector<ThreatWord> entry = wordsAt(pos->current->threatsO, at(6, 6));
        ASSERT_EQ(entry.size(), 1u);
        // O's word in X's colour: direction, class 9 and level kept.
        const uint32_t block = withColour(entry[0], COLOUR_X) | FORCING_FLAG;
        EXPECT_EQ(moves(generateThreatResponses, *pos), std::vector<uint32_t>{block});
        EXPECT_EQ(threatClass(block), CLASS_FIVE);
        EXPECT_EQ(threatDirection(block), 0u);
    }
}

// X (black) would make an overline at (7,7), the only cell that blocks O's
// five; X has an open three on row 11 (open-four points (1,11) and (5,11)).
const Board FORBIDDEN_BLOCK = {
    "...............",
    "...............",
    ".......X.......",
    ".......O.......",
    ".......O.......",
    ".......O.......",
    ".......O.......",
    "....XXX.XX.....",
    "...............",
    "...............",
    "...............",
    "..XXX..........",
    "...............",
    "...............",
    "..............."};

TEST_F(GeneratorsTest, RestrictedMoverSkipsAForbiddenBlock) {
    setUp(FORBIDDEN_BLOCK, COLOUR_X, COLOUR_X);
    ASSERT_EQ(pos->classes[at(7, 7)].x, CLASS_FORBIDDEN);
    ASSERT_EQ(pos->classes[at(7, 7)].o, CLASS_FIVE);

    // The block step is empty after filtering; the own open fours follow.
    const std::vector<uint32_t> got = moves(generateThreatResponses, *pos);
    EXPECT_EQ(sorted(cellsOf(got)), sorted({at(1, 11), at(5, 11)}));
    for (uint32_t m : got) {
        EXPECT_EQ(colourOf(m), COLOUR_X);
        EXPECT_EQ(threatClass(m), CLASS_OPEN_FOUR);
        EXPECT_EQ(m & FORCING_FLAG, 0u);
    }
    // The free variant blocks there.
    const ThreatWord five = wordsAt(pos->current->threatsO, at(7, 7)).at(0);
    EXPECT_EQ(moves(generateThreatResponses<COLOUR_X, false>, *pos),
              std::vector<uint32_t>{withColour(five, COLOUR_X) | FORCING_FLAG});
}

TEST_F(GeneratorsTest, SingleOpenFourPointBringsItsKeyCells) {
    // X: XX.X on row 7, the gap (4,7) makes an open four from (2,7) to (5,7).
    const Board board = {
        "...............",
        "...............",
        "...............",
        "...............",
        "...............",
        "...............",
        "...............",
        "..XX.X.........",
        "...............",
        "...............",
        "...............",
        "...............",
        "...............",
        "...............",
        "..............."};
    setUp(board, COLOUR_O, COLOUR_X);
    ASSERT_EQ(pos->current->classCountX[CLASS_OPEN_FOUR], 1);
    const std::vector<ThreatWord> entry = wordsAt(pos->current->threatsX, at(4, 7));
    ASSERT_EQ(entry.size(), 1u);
    const uint32_t sameFields = entry[0] & ~CELL_MASK;
    const std::vector<uint32_t> expected = {entry[0], sameFields | at(1, 7), sameFields | at(6, 7)};
    EXPECT_EQ(collect([](ScoredMove* out) { return collectOpenFourMoves<COLOUR_X>(*pos, out); }),
              expected);
    EXPECT_EQ(moves(generateThreatResponses, *pos), expected);
}

TEST_F(GeneratorsTest, TwoOpenFourPointsComeWithoutKeyCells) {
    const Board board = {
        "...............",
        "...............",
        "...............",
        "...............",
        "...............",
        "...............",
        "...............",
        "..XXX..........",
        "...............",
        "...............",
        "...............",
        "...............",
        "...............",
        "...............",
        "..............."};
    setUp(board, COLOUR_O, COLOUR_X);
    ASSERT_EQ(pos->current->classCountX[CLASS_OPEN_FOUR], 2);
    std::vector<uint32_t> expected;
    for (ThreatWord w : words(pos->current->threatsX))
        if (threatClass(w) == CLASS_OPEN_FOUR) expected.push_back(w);
    EXPECT_EQ(sorted(cellsOf(expected)), sorted({at(1, 7), at(5, 7)}));
    EXPECT_EQ(collect([](ScoredMove* out) { return collectOpenFourMoves<COLOUR_X>(*pos, out); }),
              expected);
    EXPECT_EQ(moves(generateThreatResponses, *pos), expected);
}

// O (white) has a four-three point at c = (7,7): the four (4,7)-(6,7),
// blocked by X at (3,7), completes at f = (8,7); the open three runs down
// column 7. The variants add X stones around f.
constexpr uint32_t FOUR_THREE_POINT = at(7, 7);
constexpr uint32_t BLOCK_CELL = at(8, 7);

// X blocks at f with a four of its own (column 8, closed by O at (8,3)).
const Board BLOCK_IS_OWN_FOUR = {
    "...............",
    "...............",
    "...............",
    "........O......",
    "........X......",
    "........X......",
    "........X......",
    "...XOOO........",
    ".......O.......",
    ".......O.......",
    "...............",
    "...............",
    "...............",
    "...............",
    "..............."};
// X has no four at f, a four elsewhere (column 12) and an open two on f's
// diagonal, which gives the line walk its cells.
const Board BLOCK_WITHOUT_FOUR = {
    "............O..",
    "............X..",
    "............X..",
    "............X..",
    "...............",
    "...............",
    "...............",
    "...XOOO........",
    ".......O.......",
    ".......O..X....",
    "...........X...",
    "...............",
    "...............",
    "...............",
    "..............."};

TEST_F(GeneratorsTest, FourThreeBlockThatIsOwnFourWidensTheList) {
    setUp(BLOCK_IS_OWN_FOUR, COLOUR_X, COLOUR_X);
    ASSERT_EQ(pos->current->classCountO[CLASS_FOUR_THREE], 1);
    ASSERT_EQ(pos->classes[FOUR_THREE_POINT].o, CLASS_FOUR_THREE);
    ASSERT_EQ(pos->classes[BLOCK_CELL].x, CLASS_FOUR);

    const std::vector<uint32_t> batch = blockBatch(*pos, COLOUR_X);
    // The batch holds the four-three point with its four's block cell.
    ASSERT_GE(batch.size(), 4u);
    EXPECT_NE(std::find(batch.begin(), batch.end(),
                        withColour(wordsAt(pos->current->threatsO, FOUR_THREE_POINT)[0], COLOUR_X)),
              batch.end());
    const std::vector<uint32_t> batchCells = cellsOf(batch);
    EXPECT_NE(std::find(batchCells.begin(), batchCells.end(), BLOCK_CELL), batchCells.end());

    // Then every own threat cell and every neighbourhood cell; the line walk
    // finds no cell where X makes a three.
    const std::vector<uint32_t> own = bareCells(*pos, COLOUR_X, false);
    EXPECT_EQ(sorted(cellsOf(own)), sorted({BLOCK_CELL, at(8, 8)}));
    const std::vector<uint32_t> all = moves(generateAllCandidates<COLOUR_X, true>, *pos);
    EXPECT_GT(all.size(), 40u);
    EXPECT_EQ(moves(generateThreatResponses, *pos), concat({batch, own, all}));
}

TEST_F(GeneratorsTest, FourThreeBlockWithoutOwnFourHoldsBatchFoursAndLineWalk) {
    setUp(BLOCK_WITHOUT_FOUR, COLOUR_X, COLOUR_X);
    ASSERT_EQ(pos->current->classCountO[CLASS_FOUR_THREE], 1);
    ASSERT_TRUE(pos->current->hasFourX);
    const std::vector<uint32_t> batch = blockBatch(*pos, COLOUR_X);
    const std::vector<uint32_t> fours = bareCells(*pos, COLOUR_X, true);
    EXPECT_EQ(sorted(cellsOf(fours)), sorted({at(12, 4), at(12, 5)}));
    // Along f's diagonal: the open three cells (9,8) and (12,11) beyond it,
    // and (7,6) behind it, where X makes a closed three; direction 3.
    const uint32_t diagonal = 3u << 12;
    const std::vector<uint32_t> walk = {at(9, 8) | COLOUR_X | diagonal,
                                        at(12, 11) | COLOUR_X | diagonal,
                                        at(7, 6) | COLOUR_X | diagonal};
    EXPECT_EQ(moves(generateThreatResponses, *pos), concat({batch, fours, walk}));
}

TEST_F(GeneratorsTest, FreeMoverStopsAfterTheCandidatesRestrictedOneAlsoWalks) {
    // As BLOCK_IS_OWN_FOUR with O black and X free, plus X stones at (11,10)
    // and (12,11) on f's diagonal.
    const Board board = {
        "...............",
        "...............",
        "...............",
        "........O......",
        "........X......",
        "........X......",
        "........X......",
        "...XOOO........",
        ".......O.......",
        ".......O.......",
        "...........X...",
        "............X..",
        "...............",
        "...............",
        "..............."};
    setUp(board, COLOUR_O, COLOUR_X);
    // O's three can be made a straight four on free cells, so the Renju
    // verdict keeps the four-three point.
    ASSERT_EQ(pos->current->classCountO[CLASS_FOUR_THREE], 1);
    ASSERT_EQ(pos->current->classCountX[CLASS_FOUR_THREE], 0);
    ASSERT_TRUE(pos->current->hasFourX);

    const std::vector<uint32_t> free = moves(generateThreatResponses, *pos);
    EXPECT_EQ(free, concat({blockBatch(*pos, COLOUR_X), bareCells(*pos, COLOUR_X, false),
                            moves(generateAllCandidates<COLOUR_X, false>, *pos)}));
    // Column 8 below f (a three for white X, whose overlines count as
    // fives), then f's diagonal.
    const std::vector<uint32_t> walk = {at(8, 9) | COLOUR_X | 1u << 12,
                                        at(9, 8) | COLOUR_X | 3u << 12,
                                        at(10, 9) | COLOUR_X | 3u << 12};
    EXPECT_EQ(moves(generateThreatResponses<COLOUR_X, true>, *pos), concat({free, walk}));
}

// ---------------------------------------------------------------------------
// Threat moves
// ---------------------------------------------------------------------------

// X (white) has a four-three point at (7,7): its four (4,7)-(6,7), closed by
// O at (3,7), completes at (8,7); its open three runs down column 7. Rows
// 3 to 10 of column 8 vary per case.
Board fourThreeFor(const char* column8) {
    Board rows = {
        "...............",
        "...............",
        "...............",
        "...............",
        "...............",
        "...............",
        "...............",
        "...OXXX........",
        ".......X.......",
        ".......X.......",
        "...............",
        "...............",
        "...............",
        "...............",
        "..............."};
    for (int y = 3; y <= 10; ++y) rows[y][8] = column8[y - 3];
    return rows;
}

TEST_F(GeneratorsTest, ThreatMovesPlayAFourThreeTheOpponentCannotBlockWithAFour) {
    struct Case {
        const char* column8;  // rows 3 ... 10 of column 8
        bool onlyFourThree;   // the four-three wins: only its words come out
        const char* why;
    };
    const Case cases[] = {
        {"........", true, "O has no threat at all"},
        {"XOOO....", false, "O blocks at (8,7) with a four"},
        {"XOOO.OO.", true, "O's block would be an overline, forbidden to black O"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        setUp(fourThreeFor(c.column8), COLOUR_O, COLOUR_X);
        ASSERT_EQ(pos->current->classCountX[CLASS_FOUR_THREE], 1);
        const std::vector<uint32_t> got = moves(generateThreatMoves, *pos);
        if (c.onlyFourThree) {
            ASSERT_EQ(got.size(), 2u);
            for (uint32_t m : got) {
                EXPECT_EQ(cellOf(m), at(7, 7));
                EXPECT_EQ(threatClass(m), CLASS_FOUR_THREE);
            }
            EXPECT_NE(threatDirection(got[0]), threatDirection(got[1]));
        } else {
            EXPECT_EQ(got, words(pos->current->threatsX));
        }
    }
}

TEST_F(GeneratorsTest, FreeThreatMovesAddTheRestrictedSidesForbiddenCells) {
    // No four-three for X; O (black) would make an overline at (8,7).
    const Board board = {
        "...............",
        "...............",
        "...............",
        "........X......",
        "........O......",
        "........O......",
        "........O......",
        "...OXXX........",
        "........O......",
        "........O......",
        "........X......",
        "...............",
        "...............",
        "...............",
        "..............."};
    setUp(board, COLOUR_O, COLOUR_X);
    ASSERT_EQ(pos->classes[at(8, 7)].o, CLASS_FORBIDDEN);
    std::vector<uint32_t> expected = words(pos->current->threatsX);
    ASSERT_FALSE(expected.empty());
    expected.push_back(bare(at(8, 7), COLOUR_X));
    EXPECT_EQ(moves(generateThreatMoves, *pos), expected);
    // The restricted variant neither adds them nor keeps X's own word there.
    for (uint32_t m : moves(generateThreatMoves<COLOUR_X, true>, *pos))
        EXPECT_NE(cellOf(m), at(8, 7));
}

TEST_F(GeneratorsTest, ACellOfTwoThreatWordsComesOutTwiceInListOrder) {
    // X (white) makes two open threes at (7,7).
    const Board board = {
        "...............",
        "...............",
        "...............",
        "...............",
        "...............",
        ".......X.......",
        ".......X.......",
        ".....XX........",
        "...............",
        "...............",
        "...............",
        "...............",
        "...............",
        "...............",
        "..............."};
    setUp(board, COLOUR_O, COLOUR_X);
    ASSERT_EQ(pos->classes[at(7, 7)].x, CLASS_DOUBLE_THREE);
    const std::vector<uint32_t> got = moves(generateThreatMoves, *pos);
    EXPECT_EQ(got, words(pos->current->threatsX));
    std::vector<uint32_t> directions;
    for (uint32_t m : got)
        if (cellOf(m) == at(7, 7)) directions.push_back(threatDirection(m));
    EXPECT_EQ(sorted(directions), (std::vector<uint32_t>{0, 1}));
}

// ---------------------------------------------------------------------------
// Variant choice
// ---------------------------------------------------------------------------

TEST_F(GeneratorsTest, UnknownBlackColourMakesOTheRestrictedColour) {
    // The X-black tables stay selected: X's overline point (7,7) is class 1.
    selectTableVariant(COLOUR_X);
    setUp(FORBIDDEN_BLOCK, COLOUR_UNKNOWN, COLOUR_X);
    ASSERT_EQ(pos->classes[at(7, 7)].x, CLASS_FORBIDDEN);
    const ThreatWord oFive = wordsAt(pos->current->threatsO, at(7, 7)).at(0);

    // X is free: it blocks O's five on the forbidden cell.
    const std::vector<uint32_t> xMoves = moves(generateThreatResponses, *pos);
    EXPECT_EQ(xMoves, std::vector<uint32_t>{withColour(oFive, COLOUR_X) | FORCING_FLAG});
    EXPECT_EQ(xMoves, moves(generateThreatResponses<COLOUR_X, false>, *pos));

    // O is restricted: its own five point (7,7) is forbidden to X, so it is
    // filtered away; O answers X's open fours, then adds its four at (7,8).
    pos->sideToMove = 0;
    const std::vector<uint32_t> oMoves = moves(generateThreatResponses, *pos);
    EXPECT_EQ(oMoves, moves(generateThreatResponses<COLOUR_O, true>, *pos));
    EXPECT_EQ(sorted(cellsOf(oMoves)), sorted({at(1, 11), at(5, 11), at(7, 8)}));
    EXPECT_EQ(oMoves.back(), bare(at(7, 8), COLOUR_O));
    EXPECT_EQ(moves(generateThreatResponses<COLOUR_O, false>, *pos),
              std::vector<uint32_t>{oFive | FORCING_FLAG});
}

// ---------------------------------------------------------------------------
// Predicates
// ---------------------------------------------------------------------------

TEST_F(GeneratorsTest, MustAnswerAndUnansweredThreatClassFollowTheClassCounts) {
    // The classes each side holds ('a' = 10); the side to move is P.
    struct Case {
        const char* mover;
        const char* opponent;
        bool moverIsBlack;
        bool mustAnswer;
        int unanswered;
    };
    const Case cases[] = {
        {"", "", false, false, 0},
        {"", "8", false, true, 8},
        {"7", "8", false, true, 8},
        {"8", "8", false, false, 0},  // a tie: the side to move plays first
        {"9", "8", false, false, 0},
        {"7", "a", false, true, 10},
        {"7", "7", false, false, 0},
        {"7", "", false, false, 0},
        {"5", "7", false, true, 7},
        {"", "6", false, true, 6},
        {"4", "6", false, false, 0},   // a four meets the double three
        {"6", "6", false, false, 0},   // so does an own double three
        {"6", "46", false, false, 0},  // ... even when the opponent has a four
        {"6", "56", false, false, 0},
        {"1", "6", false, false, 0},  // the free side with forbidden cells
        {"1", "6", true, true, 6},    // the restricted side's own class 1 counts for nothing
        {"", "16", false, true, 6},
        {"4", "16", false, false, 1},
        {"", "1", false, false, 1},
        {"1", "8", false, true, 8},  // no class-1 exit when behind
    };
    for (const Case& c : cases) {
        for (uint32_t mover : {COLOUR_X, COLOUR_O}) {
            SCOPED_TRACE(std::string("mover ") + c.mover + " opponent " + c.opponent +
                         (mover == COLOUR_X ? " X" : " O"));
            reset(*pos, 15);
            StateRecord& r = *pos->current;
            uint16_t* own = mover == COLOUR_X ? r.classCountX : r.classCountO;
            uint16_t* opp = mover == COLOUR_X ? r.classCountO : r.classCountX;
            for (const char* k = c.mover; *k; ++k) own[*k == 'a' ? 10 : *k - '0'] = 1;
            for (const char* k = c.opponent; *k; ++k) opp[*k == 'a' ? 10 : *k - '0'] = 1;
            pos->sideToMove = mover == COLOUR_X ? 1 : 0;
            // The black colour values that name the mover, or the other
            // colour (the unknown colour names O).
            const uint32_t blackSide = c.moverIsBlack ? mover : otherColour(mover);
            const std::vector<uint32_t> blacks =
                blackSide == COLOUR_X ? std::vector<uint32_t>{COLOUR_X}
                                      : std::vector<uint32_t>{COLOUR_O, COLOUR_UNKNOWN};
            for (uint32_t black : blacks) {
                pos->blackColour = black;
                EXPECT_EQ(mustAnswer(*pos), c.mustAnswer);
                EXPECT_EQ(unansweredThreatClass(*pos), c.unanswered);
            }
        }
    }
}

TEST_F(GeneratorsTest, MustAnswerOnDrawnPositions) {
    // X's four-three: X to move need not answer, O must.
    setUp(fourThreeFor("........"), COLOUR_O, COLOUR_X);
    EXPECT_FALSE(mustAnswer(*pos));
    EXPECT_EQ(unansweredThreatClass(*pos), 0);
    pos->sideToMove = 0;
    EXPECT_TRUE(mustAnswer(*pos));
    EXPECT_EQ(unansweredThreatClass(*pos), CLASS_FOUR_THREE);
    // The empty board.
    reset(*pos, 15);
    EXPECT_FALSE(mustAnswer(*pos));
    EXPECT_EQ(unansweredThreatClass(*pos), 0);
}

TEST_F(GeneratorsTest, DoubleFourPointReadsTheBlackColoursCodes) {
    const Board crossingFours = {
        "...............",
        "...............",
        "...............",
        ".......O.......",
        ".......X.......",
        ".......X.......",
        ".......X.......",
        "...OXXX........",
        "...............",
        "...............",
        "...............",
        "...............",
        "...............",
        "...............",
        "..............."};
    const Board oneFour = {
        "...............",
        "...............",
        "...............",
        "...............",
        "...............",
        "...............",
        "...............",
        "...OXXX........",
        "...............",
        "...............",
        "...............",
        "...............",
        "...............",
        "...............",
        "..............."};
    const Board twoFoursInOneLine = {
        "...............",
        "...............",
        "...............",
        "...............",
        "...............",
        "...............",
        "...............",
        "....X.X.X.X....",
        "...............",
        "...............",
        "...............",
        "...............",
        "...............",
        "...............",
        "..............."};
    struct Case {
        Board board;
        uint32_t black;
        bool expected;
        const char* why;
    };
    const Case cases[] = {
        {crossingFours, COLOUR_X, true, "fours in two directions"},
        {crossingFours, COLOUR_O, false, "X's fours, but O is black"},
        {crossingFours, COLOUR_UNKNOWN, false, "X's fours, black unknown reads O"},
        {oneFour, COLOUR_X, false, "a single four"},
        {twoFoursInOneLine, COLOUR_X, true, "two fours within one line"},
        {twoFoursInOneLine, COLOUR_O, false, "the same line when O is black"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        setUp(c.board, c.black, COLOUR_X);
        // Only the cell of the move word counts.
        EXPECT_EQ(isDoubleFourPoint(*pos, at(7, 7) | COLOUR_O | 2u << 12), c.expected);
    }
}

// ---------------------------------------------------------------------------
// Key cells
// ---------------------------------------------------------------------------

TEST(KeyCells, DecodeMaskBitsAsOffsetsAlongTheDirection) {
    // Mask bits 0 and 5 with shift 4: offsets -4 and +1.
    auto word = [](uint32_t cell, uint32_t direction, uint32_t mask, uint32_t shift) {
        return cell | COLOUR_O | direction << 12 | mask << 14 | shift << 21 | 3u << 24 | 7u << 26;
    };
    for (uint32_t direction = 0; direction < 4; ++direction) {
        const uint32_t w = word(at(10, 10), direction, 0x21, 4);
        const int step = DIRECTION_STEP[direction];
        const uint32_t fields = w & ~CELL_MASK;
        const std::vector<uint32_t> expected = {fields | uint32_t(int(at(10, 10)) - 4 * step),
                                                fields | uint32_t(int(at(10, 10)) + step)};
        EXPECT_EQ(collect([&](ScoredMove* out) { return appendKeyCells(w, out); }), expected);
        EXPECT_EQ(firstKeyCell(w), expected[0]);
    }
    // Direction 2 runs to x+1, y-1: from (10,10) offset +1 is (11,9).
    EXPECT_EQ(cellOf(firstKeyCell(word(at(10, 10), 2, 0x20, 4))), at(11, 9));
}

// ---------------------------------------------------------------------------
// Invariants over random games, and the capacity bound
// ---------------------------------------------------------------------------

// Random games whose stones go preferably where the mover makes a threat,
// never a five, so that threat lists fill up.
template <typename Visit>
void playRandomGames(Position& pos, uint32_t boardSize, uint32_t black, uint32_t seed,
                     uint32_t stones, Visit visit) {
    std::mt19937 rng(seed);
    reset(pos, boardSize);
    selectRuleTables(pos, black);
    std::vector<ScoredMove> buffer(MAX_GENERATED_MOVES);
    for (uint32_t i = 0; i < stones; ++i) {
        const uint32_t mover = pos.sideToMove ? COLOUR_X : COLOUR_O;
        ScoredMove* end = pos.sideToMove ? generateAllCandidates<COLOUR_X, false>(pos, buffer.data())
                                         : generateAllCandidates<COLOUR_O, false>(pos, buffer.data());
        std::vector<uint32_t> any, threats;
        for (ScoredMove* m = buffer.data(); m != end; ++m) {
            const uint32_t cell = cellOf(m->move);
            const ClassPair pair = pos.classes[cell];
            const uint8_t own = mover == COLOUR_X ? pair.x : pair.o;
            if (own >= CLASS_FIVE) continue;
            any.push_back(cell);
            if (own >= CLASS_OPEN_THREE) threats.push_back(cell);
        }
        if (any.empty()) break;
        const std::vector<uint32_t>& from = !threats.empty() && rng() % 3 != 0 ? threats : any;
        makeMove(pos, from[rng() % from.size()] | mover);
        visit(pos);
    }
}

// The neighbourhood of the stones, from its definition: the 5 x 5 square
// around a stone and the cells three steps away along its four lines.
bool nearAStone(const Position& pos, uint32_t x, uint32_t y) {
    const int n = int(pos.boardSize);
    for (int dx = -3; dx <= 3; ++dx)
        for (int dy = -3; dy <= 3; ++dy) {
            const int ax = std::abs(dx), ay = std::abs(dy);
            const bool inShape = (ax <= 2 && ay <= 2) || (ax == 3 && (ay == 0 || ay == 3)) ||
                                 (ax == 0 && ay == 3);
            const int sx = int(x) + dx, sy = int(y) + dy;
            if (!inShape || (dx == 0 && dy == 0) || sx < 0 || sy < 0 || sx >= n || sy >= n)
                continue;
            if (pos.cells[at(sx, sy)] != 0) return true;
        }
    return false;
}

// Every neighbourhood cell that passes the test, in row-then-column order.
template <typename Keep>
std::vector<uint32_t> neighbourhood(const Position& pos, uint32_t mover, Keep keep) {
    std::vector<uint32_t> cells;
    for (uint32_t x = 0; x < pos.boardSize; ++x)
        for (uint32_t y = 0; y < pos.boardSize; ++y)
            if (pos.cells[at(x, y)] == 0 && nearAStone(pos, x, y) && keep(at(x, y)))
                cells.push_back(at(x, y) | mover);
    return cells;
}

TEST_F(GeneratorsTest, EveryListKeepsItsInvariantsOverRandomGames) {
    uint64_t positions = 0;
    for (uint32_t black : {COLOUR_X, COLOUR_O, COLOUR_UNKNOWN}) {
        for (uint32_t seed = 1; seed <= 2; ++seed) {
            playRandomGames(*pos, 15, black, seed * 7919 + black, 150, [&](const Position& p) {
                ++positions;
                const bool fiveStands = p.current->classCountX[CLASS_FIVE_STANDS] +
                                            p.current->classCountO[CLASS_FIVE_STANDS] !=
                                        0;
                ASSERT_FALSE(fiveStands);
                for (const Variant& v : ALL_VARIANTS) {
                    SCOPED_TRACE(v.name);
                    const std::vector<uint32_t> got = moves(v.generate, p);
                    for (uint32_t m : got) {
                        const uint32_t cell = cellOf(m);
                        ASSERT_EQ(colourOf(m), v.mover);
                        ASSERT_LT(xOf(m), p.boardSize);
                        ASSERT_LT(yOf(m), p.boardSize);
                        ASSERT_EQ(p.cells[cell], 0u);
                        ASSERT_EQ(m >> 31, 0u);
                        if (v.family != THREAT_RESPONSES) {
                            ASSERT_EQ(m & FORCING_FLAG, 0u);
                        }
                        if (v.restricted) {
                            ASSERT_FALSE(isForbiddenCell(p, cell));
                        }
                    }
                    auto ownClass = [&](uint32_t cell) {
                        return v.mover == COLOUR_X ? p.classes[cell].x : p.classes[cell].o;
                    };
                    auto allowed = [&](uint32_t cell) {
                        return !v.restricted || !isForbiddenCell(p, cell);
                    };
                    if (v.family == QUIET_MOVES) {
                        for (uint32_t m : got) ASSERT_LT(ownClass(cellOf(m)), CLASS_OPEN_THREE);
                        ASSERT_EQ(got, neighbourhood(p, v.mover, [&](uint32_t cell) {
                                      return ownClass(cell) < CLASS_OPEN_THREE && allowed(cell);
                                  }));
                    } else if (v.family == ALL_CANDIDATES) {
                        ASSERT_EQ(got, neighbourhood(p, v.mover, allowed));
                    }
                }
            });
        }
    }
    EXPECT_GT(positions, 800u);
}

// A crowded 20 x 20 board found by a random search for long threat
// responses: with X black and to move, O's four-three points meet X's fours
// at their block cells, so the list takes the block batches, X's threat
// cells, every neighbourhood cell and the line walk.
const char* const CROWDED = CROWDED_BOARD;

TEST_F(GeneratorsTest, NoGeneratorWritesMoreThanTheCapacity) {
    // The crowded board overruns one entry per cell of the board.
    setupFromPicture(*pos, CROWDED, COLOUR_X);
    ASSERT_GT(pos->current->classCountO[CLASS_FOUR_THREE], 0);
    const Output crowded = run(generateThreatResponses, *pos);
    EXPECT_GT(crowded.highWater, MAX_STONES);
    EXPECT_LE(crowded.highWater, MAX_GENERATED_MOVES);

    // Every variant and helper, on the crowded board either way round and
    // on random crowded games.
    uint32_t most = 0;
    std::string mostName;
    auto check = [&](const Position& p) {
        for (const Variant& v : ALL_VARIANTS) {
            const Output out = run(v.generate, p);
            ASSERT_LE(out.highWater, MAX_GENERATED_MOVES) << v.name;
            ASSERT_GE(out.highWater, out.moves.size()) << v.name;
            if (out.highWater > most) {
                most = out.highWater;
                mostName = v.name;
            }
        }
        ASSERT_LE(collect([&](ScoredMove* out) {
                      return generateDoubleThreeDefences<COLOUR_X>(p, out);
                  }).size(),
                  MAX_GENERATED_MOVES);
        ASSERT_LE(collect([&](ScoredMove* out) {
                      return generateDoubleThreeDefences<COLOUR_O>(p, out);
                  }).size(),
                  MAX_GENERATED_MOVES);
    };
    for (uint32_t black : {COLOUR_X, COLOUR_O}) {
        setupFromPicture(*pos, CROWDED, black);
        for (uint8_t side : {uint8_t(1), uint8_t(0)}) {
            pos->sideToMove = side;
            check(*pos);
        }
        for (uint32_t seed = 1; seed <= 2; ++seed)
            playRandomGames(*pos, 20, black, seed * 104729 + black, 300, check);
    }
    std::printf("[ stats    ] largest output %u entries (%s); crowded board %u; capacity %u\n",
                most, mostName.c_str(), crowded.highWater, MAX_GENERATED_MOVES);
}

// The bound counts on a four with one completing cell naming exactly one key
// cell: check it over every window of both table variants.
TEST(CapacityPremise, AFourWithOneCompletingCellHasOneKeyCell) {
    uint64_t wrong = 0;
    for (const uint64_t* table : {patternTableXBlack(), patternTableOBlack()}) {
        for (uint32_t window = 0; window < TABLE_ENTRIES; ++window) {
            const uint64_t e = table[window];
            for (uint32_t colour : {COLOUR_X, COLOUR_O}) {
                const uint8_t code = slotCode(e, colour);
                if (code != CODE_FOUR && code != CODE_FOUR_AND_THREE) continue;
                if (__builtin_popcount(detailKeyMask(slotDetail(e, colour))) != 1) ++wrong;
            }
        }
    }
    EXPECT_EQ(wrong, 0u);
}

}  // namespace
