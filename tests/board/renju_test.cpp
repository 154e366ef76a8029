// The Renju verdict on black's cells, on small board pictures: which double
// threes, four-threes and open fours end up forbidden, which completion
// points make a three real, that white's classes are never adjusted, which
// cells a later stone re-judges, and what forbidden cells are worth to white.
// Shapes are drawn once and set up with the drawn 'x' stones as X and as O;
// the verdict table also sets each up with them as the white colour.
#include "board/renju.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "board/position.h"
#include "board/startup_tables.h"
#include "board/tables.h"
#include "board/types.h"

namespace {

constexpr uint32_t N = 15;

// A 15 x 15 board drawn one character per cell, row y = 0 first: 'x' and 'o'
// are stones, '+' is the empty cell under test, anything else is empty.
// Rows not drawn and cells beyond a row's end are empty.
using Drawing = std::vector<std::string_view>;

// How a drawing is put on the board: which colour the drawn 'x' stones get
// (the 'o' stones get the other), and whether they are the black colour.
struct Orientation {
    uint32_t drawnX;
    bool drawnXIsBlack;

    uint32_t colourOf(char symbol) const { return symbol == 'x' ? drawnX : otherColour(drawnX); }
    uint32_t blackColour() const { return drawnXIsBlack ? drawnX : otherColour(drawnX); }
    std::string name() const {
        return std::string("x drawn as ") + (drawnX == COLOUR_X ? "X" : "O") +
               (drawnXIsBlack ? ", black" : ", white");
    }
};

constexpr Orientation ORIENTATIONS[] = {
    {COLOUR_X, true}, {COLOUR_O, true}, {COLOUR_X, false}, {COLOUR_O, false}};

// The picture of setupFromPicture: two characters per cell.
std::string pictureOf(const Drawing& rows, const Orientation& o) {
    std::string picture;
    for (uint32_t y = 0; y < N; ++y)
        for (uint32_t x = 0; x < N; ++x) {
            const char c = y < rows.size() && x < rows[y].size() ? rows[y][x] : '.';
            picture += ' ';
            picture += c == 'x' || c == 'o' ? (o.colourOf(c) == COLOUR_X ? 'X' : 'O') : '.';
        }
    return picture;
}

// The cell marked '+' in the drawing.
uint32_t markedCell(const Drawing& rows) {
    for (uint32_t y = 0; y < rows.size(); ++y) {
        const size_t x = rows[y].find('+');
        if (x != std::string_view::npos) return cellIndex(uint32_t(x), y);
    }
    ADD_FAILURE() << "the drawing marks no cell";
    return 0;
}

uint8_t classFor(const Position& pos, uint32_t cell, uint32_t colour) {
    return colour == COLOUR_X ? pos.classes[cell].x : pos.classes[cell].o;
}

class RenjuTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        buildClassTable();
        pos = std::make_unique_for_overwrite<Position>().release();
    }
    static void TearDownTestSuite() { delete pos; }
    void TearDown() override { selectTableVariant(COLOUR_X); }

    // Sets up the drawing and returns the cell under test.
    static uint32_t setUp(const Drawing& rows, const Orientation& o) {
        setupFromPicture(*pos, pictureOf(rows, o), o.blackColour());
        EXPECT_EQ(pos->boardSize, N);
        return markedCell(rows);
    }

    static Position* pos;
};

Position* RenjuTest::pos = nullptr;

struct VerdictCase {
    const char* name;
    Drawing rows;
    uint8_t asBlack;  // class of the cell under test for the 'x' stones as black
    uint8_t asWhite;  // the same stones as white: the table class, never adjusted
};

// The cell under test is (7, 7) unless marked elsewhere. A three's
// completion points are tried in the order of the templates of a three; a
// completion point is spoiled here by giving it a four in another line.
const VerdictCase VERDICT_CASES[] = {
    {"two open threes whose completions are all free: forbidden",
     {"", "", "", "", "",
      ".......x",
      ".......x",
      ".....xx+"},
     CLASS_FORBIDDEN, CLASS_DOUBLE_THREE},
    {"solid three xx+: the first completion (4,7) makes a four, the second (8,7) is free",
     {"", "", "", "",
      "....x",
      "....x..x",
      "....x..x",
      ".....xx+"},
     CLASS_FORBIDDEN, CLASS_DOUBLE_THREE},
    {"solid three xx+: the first completion (4,7) is free, the second (8,7) makes a four",
     {"", "", "", "", "",
      ".......x",
      ".......x",
      ".....xx+",
      "........x",
      "........x",
      "........x"},
     CLASS_FORBIDDEN, CLASS_DOUBLE_THREE},
    {"solid three xx+: both completions (4,7) and (8,7) make fours, one real three",
     {"", "", "", "",
      "....x",
      "....x..x",
      "....x..x",
      ".....xx+",
      "........x",
      "........x",
      "........x"},
     CLASS_CLOSED_THREES, CLASS_DOUBLE_THREE},
    {"split three x.+x: its one completion (6,7) makes a four",
     {"", "", "", "", "",
      ".......x",
      ".......x",
      ".....x.+x",
      "......x",
      "......x",
      "......x"},
     CLASS_CLOSED_THREES, CLASS_DOUBLE_THREE},
    {"split three x.+x with its completion (6,7) free",
     {"", "", "", "", "",
      ".......x",
      ".......x",
      ".....x.+x"},
     CLASS_FORBIDDEN, CLASS_DOUBLE_THREE},
    {"three x+x: the first completion (5,7) makes a four, the second (9,7) is free",
     {"", "", "", "", "",
      ".......x",
      ".......x",
      "......x+x",
      ".....x",
      ".....x",
      ".....x"},
     CLASS_FORBIDDEN, CLASS_DOUBLE_THREE},
    {"three x+x: both completions (5,7) and (9,7) make fours",
     {"", "", "", "", "",
      ".......x",
      ".......x",
      "......x+x",
      ".....x...x",
      ".....x...x",
      ".....x...x"},
     CLASS_CLOSED_THREES, CLASS_DOUBLE_THREE},
    {"the completion (4,7) would be an overline, (8,7) makes a four",
     {"", "", "", "",
      "....x",
      "....x..x",
      "....x..x",
      ".....xx+",
      "....x...x",
      "....x...x",
      "........x"},
     CLASS_CLOSED_THREES, CLASS_DOUBLE_THREE},
    {"the completion (4,7) is a forbidden double three itself, (8,7) makes a four",
     {"", "", "", "", "",
      "....x..x",
      "....x..x",
      ".....xx+",
      ".....x..x",
      "......x.x",
      "........x"},
     CLASS_CLOSED_THREES, CLASS_DOUBLE_THREE},
    {"four-three with a real three",
     {"", "", "", "", "",
      ".......x",
      ".......x",
      "...oxxx+"},
     CLASS_FOUR_THREE, CLASS_FOUR_THREE},
    {"four-three whose three completes only at (7,4) and (7,8), both making fours",
     {"", "", "", "",
      "........xxx",
      ".......x",
      ".......x",
      "...oxxx+",
      "........xxx"},
     CLASS_FOUR_CLOSED_THREE, CLASS_FOUR_THREE},
    {"fours in two lines",
     {"", "", "",
      ".......o",
      ".......x",
      ".......x",
      ".......x",
      "...oxxx+"},
     CLASS_FORBIDDEN, CLASS_OPEN_FOUR},
    {"open four with two real threes",
     {"", "", "", "", "",
      ".....x.x",
      "......xx",
      "....xxx+"},
     CLASS_FORBIDDEN, CLASS_OPEN_FOUR},
    {"open four with one three",
     {"", "", "", "", "",
      ".......x",
      ".......x",
      "....xxx+"},
     CLASS_OPEN_FOUR, CLASS_OPEN_FOUR},
    {"open four with two threes, the diagonal one spoiled at (4,4) and (8,8)",
     {"", "", "", "",
      ".xxx",
      ".....x.x",
      "......xx",
      "....xxx+",
      ".........xxx"},
     CLASS_OPEN_FOUR, CLASS_OPEN_FOUR},
    {"exact five impossible: the gap (6,7) of xxxx.x makes an overline",
     {"", "", "", "", "", "", "",
      "..xxxx+x"},
     CLASS_FORBIDDEN, CLASS_FIVE},
};

TEST_F(RenjuTest, BlackClassesFollowTheVerdictAndWhiteClassesTheTable) {
    for (const VerdictCase& c : VERDICT_CASES) {
        for (const Orientation& o : ORIENTATIONS) {
            SCOPED_TRACE(std::string(c.name) + "; " + o.name());
            const uint32_t cell = setUp(c.rows, o);
            EXPECT_EQ(classFor(*pos, cell, o.drawnX), o.drawnXIsBlack ? c.asBlack : c.asWhite);
        }
    }
}

// The threat words of the black list carry the verdict, not the table class.
TEST_F(RenjuTest, ThreatWordsOfAForbiddenCellCarryClassOne) {
    const Drawing rows = {"", "", "", "", "", ".......x", ".......x", ".....xx+"};
    for (const Orientation& o : {ORIENTATIONS[0], ORIENTATIONS[1]}) {
        SCOPED_TRACE(o.name());
        const uint32_t cell = setUp(rows, o);
        const ThreatList& list = o.drawnX == COLOUR_X ? pos->current->threatsX : pos->current->threatsO;
        uint32_t words = 0;
        for (uint32_t i = 0; i < list.count; ++i) {
            if (threatCell(list.words[i]) != cell) continue;
            ++words;
            EXPECT_EQ(threatClass(list.words[i]), CLASS_FORBIDDEN);
        }
        EXPECT_EQ(words, 2u);  // the horizontal and the vertical three
        const uint16_t* counts = o.drawnX == COLOUR_X ? pos->current->classCountX : pos->current->classCountO;
        EXPECT_EQ(counts[CLASS_FORBIDDEN], 1);
    }
}

// Plays a stone of the drawn colour ('x' or 'o') on (x, y), checks the class
// of the cell under test after it and after taking it back.
struct FarMoveCase {
    const char* name;
    Drawing rows;
    char stone;
    uint32_t x, y;
    uint8_t before;
    uint8_t after;
};

// In every case the stone lies on none of the four lines of the cell under
// test (7,7), so no slot of that cell changes: the cell is re-judged only
// because of its classes (table class 6, 7 or 8 when white moves, 7 or 8
// when black moves, and class 1 whoever moves). One case for each class
// a black stone re-judges: 1, 7 and 8.
const FarMoveCase FAR_MOVE_CASES[] = {
    {"white (4,6) stops (4,7) from making a four: the horizontal three becomes real",
     {"", "", "", "",
      "....x",
      "....x..x",
      ".......x",
      ".....xx+",
      "....x...x",
      "........x",
      "........x"},
     'o', 4, 6, CLASS_CLOSED_THREES, CLASS_FORBIDDEN},
    {"black (4,6) makes (4,7) a four point: the forbidden cell loses a real three",
     {"", "", "", "",
      "....x",
      "....x..x",
      ".......x",
      ".....xx+",
      "........x",
      "........x",
      "........x"},
     'x', 4, 6, CLASS_FORBIDDEN, CLASS_CLOSED_THREES},
    {"black (9,8) makes (7,8) a four point: the four-three loses its real three",
     {"", "", "", "",
      "........xxx",
      ".......x",
      ".......x",
      "...oxxx+",
      "........x.x"},
     'x', 9, 8, CLASS_FOUR_THREE, CLASS_FOUR_CLOSED_THREE},
    // (7,7) makes an open four on row 7 and two split threes: the rising
    // diagonal (6,8) + . (9,5), completed only at (8,6), and the falling
    // diagonal + (8,8) . (10,10), completed at (9,9). (8,6) would also make
    // the broken four (8,6) (8,7) (8,8) . (8,10) on column 8: a double four,
    // so the rising three is not real and the open four is legal. Black
    // (8,9) turns (8,6) into an exact five, which is always legal: the three
    // becomes real and the open four a forbidden double three.
    {"black (8,9) makes (8,6) a five point: the open four gets a second real three",
     {"", "", "", "", "",
      ".........x",
      "",
      ".....xx+x",
      "......x.x",
      "",
      "........x.x"},
     'x', 8, 9, CLASS_OPEN_FOUR, CLASS_FORBIDDEN},
};

TEST_F(RenjuTest, AStoneOffTheLinesOfACellStillChangesItsVerdict) {
    for (const FarMoveCase& c : FAR_MOVE_CASES) {
        for (const Orientation& o : {ORIENTATIONS[0], ORIENTATIONS[1]}) {
            SCOPED_TRACE(std::string(c.name) + "; " + o.name());
            const uint32_t cell = setUp(c.rows, o);
            const uint32_t black = o.drawnX;
            ASSERT_EQ(classFor(*pos, cell, black), c.before);
            const MoveWord m = makeMoveWord(o.colourOf(c.stone), c.x, c.y);
            for (int d = 0; d < DIRECTION_COUNT; ++d)
                ASSERT_NE(pos->geometry[cellOf(m)][d].line, pos->geometry[cell][d].line);
            makeMove(*pos, m);
            EXPECT_EQ(classFor(*pos, cell, black), c.after);
            unmakeMove(*pos, m);
            EXPECT_EQ(classFor(*pos, cell, black), c.before);
        }
    }
}

TEST_F(RenjuTest, WhiteStoneOnAnEndOfAThreeLiftsTheForbiddance) {
    const Drawing rows = {"", "", "", "", "", ".......x", ".......x", ".....xx+"};
    for (const Orientation& o : {ORIENTATIONS[0], ORIENTATIONS[1]}) {
        SCOPED_TRACE(o.name());
        const uint32_t cell = setUp(rows, o);
        ASSERT_EQ(classFor(*pos, cell, o.drawnX), CLASS_FORBIDDEN);
        const MoveWord m = makeMoveWord(o.colourOf('o'), 8, 7);
        makeMove(*pos, m);
        EXPECT_EQ(classFor(*pos, cell, o.drawnX), CLASS_CLOSED_THREES);
        EXPECT_EQ((o.drawnX == COLOUR_X ? pos->current->classCountX : pos->current->classCountO)[CLASS_FORBIDDEN], 0);
        unmakeMove(*pos, m);
        EXPECT_EQ(classFor(*pos, cell, o.drawnX), CLASS_FORBIDDEN);
    }
}

// Forbidden cell (7,7) of the 'x' stones. For the 'o' stones it has nothing
// in the row and the column, a closed three on the rising diagonal blocked
// at (10,4) and a solid open three on the falling diagonal, counted once for
// each of its two black threat words.
const Drawing SCORED_FORBIDDEN_CELL = {
    "", "", "", "",
    "..........x",
    ".......x.o",
    ".......xo",
    ".....xx+",
    "........o",
    ".........o"};

TEST_F(RenjuTest, ForbiddenCellsAreCountedByWhatWhiteHasThereForWhiteToMove) {
    for (const Orientation& o : {ORIENTATIONS[0], ORIENTATIONS[1]}) {
        SCOPED_TRACE(o.name());
        const uint32_t cell = setUp(SCORED_FORBIDDEN_CELL, o);
        const uint32_t black = o.drawnX;
        const uint16_t* counts = black == COLOUR_X ? pos->current->classCountX : pos->current->classCountO;
        ASSERT_EQ(classFor(*pos, cell, black), CLASS_FORBIDDEN);
        ASSERT_EQ(counts[CLASS_FORBIDDEN], 1);
        // Black to move: the forbidden cell is worth nothing yet.
        const auto countsAre = [this](int32_t free, int32_t openThree, int32_t otherThree) {
            const ForbiddenCellCounts c = countForbiddenCells(*pos);
            EXPECT_EQ(c.free, free);
            EXPECT_EQ(c.openThree, openThree);
            EXPECT_EQ(c.otherThree, otherThree);
        };
        if (pos->sideToMove != (black == COLOUR_X ? 1 : 0)) makeNullMove(*pos);
        countsAre(0, 0, 0);
        makeNullMove(*pos);
        countsAre(4, 2, 2);
        // White blocks the row: nothing is forbidden any more.
        makeMove(*pos, makeMoveWord(otherColour(black), 8, 7));
        ASSERT_EQ(pos->current->classCountX[CLASS_FORBIDDEN] + pos->current->classCountO[CLASS_FORBIDDEN], 0);
        makeNullMove(*pos);
        countsAre(0, 0, 0);
    }
}

}  // namespace
