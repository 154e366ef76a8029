// The exact Renju verdict on black moves, on drawn 15 x 15 fixtures: plain
// double threes, fours and overlines (where it agrees with the fast verdict
// the search uses), threes that are fake because their completion cell is
// itself forbidden, the two shapes where the fast verdict allows a move the
// official rule forbids, and exact fives that are allowed whatever else they
// make.
#include "board/exact_forbidden.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "board/position.h"
#include "board/startup_tables.h"
#include "board/tables.h"
#include "board/types.h"
#include "support/board_drawing.h"

namespace {

constexpr uint32_t N = 15;

// Row y = 0 first, one character per cell: 'x' black, 'o' white, '+' the
// empty cell under test, anything else empty.
using Drawing = std::vector<std::string_view>;

struct Fixture {
    const char* name;
    Drawing rows;
    bool exactlyForbidden;
    // What the fast verdict of the search says about the same cell: equal to
    // the exact verdict on ordinary shapes, different on the shapes the fast
    // verdict is known to misjudge.
    bool fastForbidden;
};

uint32_t markedCell(const Drawing& rows) {
    for (uint32_t y = 0; y < rows.size(); ++y)
        for (uint32_t x = 0; x < rows[y].size(); ++x)
            if (rows[y][x] == '+') return cellIndex(x, y);
    return 0;
}

// Black is X, white is O.
std::vector<uint32_t> cellsOf(const Drawing& rows) {
    std::vector<uint32_t> cells(BOARD_CELLS, 0);
    for (uint32_t y = 0; y < rows.size(); ++y)
        for (uint32_t x = 0; x < rows[y].size(); ++x) {
            if (rows[y][x] == 'x') cells[cellIndex(x, y)] = COLOUR_X;
            if (rows[y][x] == 'o') cells[cellIndex(x, y)] = COLOUR_O;
        }
    return cells;
}

bool fastVerdictForbids(const Drawing& rows) {
    std::vector<std::string> upper;
    for (std::string_view row : rows) {
        std::string r(row);
        for (char& c : r) c = c == 'x' ? 'X' : c == 'o' ? 'O' : '.';
        upper.push_back(r);
    }
    std::vector<std::string_view> views(upper.begin(), upper.end());
    auto pos = std::make_unique<Position>();
    setupFromPicture(*pos, pictureFromRows(views, N), COLOUR_X);
    return pos->classes[markedCell(rows)].x == CLASS_FORBIDDEN;
}

const Fixture FIXTURES[] = {
    {"plain double three",
     {"", "", "", "", "", "       x", "       x", "     xx+"},
     true, true},
    // Each three can become a straight four only three cells away from the
    // cell: on row 7 at (10,7) (the white stone at (5,7) spoils (6,7)), on
    // column 7 at (7,4) (the white stone at (7,9) spoils (7,8)).
    {"double three completed three cells away",
     {"", "", "", "", "", "       x", "       x", "     o.+xx", "", "       o"},
     true, true},
    {"four and a three",
     {"", "", "", "", "", "       x", "       x", "    xxx+"},
     false, false},
    {"two fours in two lines",
     {"", "", "", "", "       x", "       x", "       x", "    xxx+"},
     true, true},
    {"two fours on one line",
     {"", "", "", "", "", "", "", "   x.x+x.x"},
     true, true},
    {"overline",
     {"", "", "", "", "", "", "", "    xxx+xx"},
     true, true},
    {"three whose only completion makes a second four",
     // The horizontal three can only become a straight four at (7,7), which
     // also makes a vertical four: a double four, so only the vertical
     // three through the cell is real.
     {"", "", "", "", "", "      x", "      x", "  o.xx+..o", "       x", "       x", "       x"},
     false, false},
    {"three whose only completion makes an overline",
     {"", "", "", "", "       x", "      xx", "      xx", "  o.xx+..o", "       x", "       x"},
     false, false},
    {"completion makes a five on another line besides a four",
     // (7,7) turns the horizontal three into a straight four and also makes
     // a vertical four, but it makes a five on the rising diagonal, so it is
     // legal and the horizontal three is real: a double three.
     {"", "", "", "           x", "          x", "      x  x", "      x x", "  o.xx+..o", "       x", "       x",
      "       x"},
     true, false},
    {"completion whose own double three is only one real three",
     // (7,7) completes the horizontal three; besides that straight four it
     // has a vertical three and a rising-diagonal three. With the tested
     // stone standing the diagonal three is fake: (6,8) then makes a second
     // four on column 6 and (10,4) one on row 4. So (7,7) is a legal four-
     // three, the horizontal three is real, and the cell is a double three.
     {"", "", "", "", "           xxx", "      x  x", "      x x", "  o.xx+..o", "       x", "       x"},
     true, false},
    {"open four besides a double three the fast verdict misses",
     // The same mechanism with an open four on the falling diagonal through
     // the cell: the search would take it for a winning open four.
     {"", "", "          x", "          x", "       o   xx", "    x x  x", "     xx x", "  o.xx+..o", "       x",
      "  o    x"},
     true, false},
    {"exact five besides an overline",
     {"", "", "", "", "       x", "       x", "       x", "   xxxx+", "       x", "       x", "       x"},
     false, false},
    {"exact five besides a double three",
     {"", "", "", "", "", "     x x", "      xx", "   xxxx+"},
     false, false},
};

// The fixture's name stands for it wherever GoogleTest prints the parameter
// (the test list, failure messages); without this it prints raw bytes.
void PrintTo(const Fixture& f, std::ostream* out) { *out << f.name; }

class ExactForbidden : public ::testing::TestWithParam<Fixture> {
protected:
    static void SetUpTestSuite() { buildClassTable(); }
    void SetUp() override { selectTableVariant(COLOUR_X); }
};

TEST_P(ExactForbidden, JudgesTheMarkedCell) {
    const Fixture& f = GetParam();
    std::vector<uint32_t> cells = cellsOf(f.rows);
    const std::vector<uint32_t> before = cells;
    EXPECT_EQ(isExactlyForbidden(cells.data(), N, COLOUR_X, markedCell(f.rows)), f.exactlyForbidden);
    EXPECT_EQ(cells, before);
    EXPECT_EQ(fastVerdictForbids(f.rows), f.fastForbidden);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, ExactForbidden, ::testing::ValuesIn(FIXTURES),
                         [](const ::testing::TestParamInfo<Fixture>& info) {
                             std::string name;
                             for (const char* c = info.param.name; *c; ++c)
                                 name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
                             return name;
                         });

TEST(ExactForbiddenTest, WhiteStonesAndTheColourOfBlackDecide) {
    // The plain double three with the colours swapped: O is black.
    std::vector<uint32_t> cells = cellsOf({"", "", "", "", "", "       x", "       x", "     xx+"});
    for (uint32_t& c : cells)
        if (c) c = COLOUR_O;
    const uint32_t cell = cellIndex(7, 7);
    EXPECT_TRUE(isExactlyForbidden(cells.data(), N, COLOUR_O, cell));
    // The same shape in white's stones is nothing for black.
    EXPECT_FALSE(isExactlyForbidden(cells.data(), N, COLOUR_X, cell));
    // A white stone closing one three leaves a single three.
    cells[cellIndex(4, 7)] = COLOUR_X;
    cells[cellIndex(8, 7)] = COLOUR_X;
    EXPECT_FALSE(isExactlyForbidden(cells.data(), N, COLOUR_O, cell));
}

TEST(ExactForbiddenTest, OccupiedAndOffBoardCellsAreNotForbidden) {
    std::vector<uint32_t> cells = cellsOf({"", "", "", "", "", "       x", "       x", "     xx+"});
    EXPECT_FALSE(isExactlyForbidden(cells.data(), N, COLOUR_X, cellIndex(6, 7)));
    EXPECT_FALSE(isExactlyForbidden(cells.data(), N, COLOUR_X, cellIndex(15, 7)));
}

TEST(ExactForbiddenTest, TheBoardEdgeBlocksLikeAWhiteStone) {
    // A vertical three against the top edge cannot become a straight four.
    std::vector<uint32_t> cells = cellsOf({"       x", "       x", "     xx+"});
    EXPECT_FALSE(isExactlyForbidden(cells.data(), N, COLOUR_X, cellIndex(7, 2)));
    cells = cellsOf({"", "       x", "       x", "     xx+"});
    EXPECT_TRUE(isExactlyForbidden(cells.data(), N, COLOUR_X, cellIndex(7, 3)));
}

}  // namespace
