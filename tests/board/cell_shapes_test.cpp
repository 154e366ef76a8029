// Cell shapes: one number per multiset of four line codes, the same whatever
// the order of the directions and for either colour, and the shapes the
// board gives drawn cells.
#include "board/cell_shapes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>

#include "board/position.h"
#include "board/startup_tables.h"
#include "support/board_drawing.h"

namespace {

class CellShapeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { buildClassTable(); }
};

TEST_F(CellShapeTest, EveryMultisetOfFourCodesHasItsOwnShape) {
    std::set<uint16_t> seen;
    for (uint8_t a = 1; a <= 12; ++a)
        for (uint8_t b = a; b <= 12; ++b)
            for (uint8_t c = b; c <= 12; ++c)
                for (uint8_t d = c; d <= 12; ++d) {
                    uint8_t codes[4] = {a, b, c, d};
                    const uint16_t shape = shapeOfCodes(codes);
                    EXPECT_TRUE(seen.insert(shape).second) << int(a) << int(b) << int(c) << int(d);
                    uint8_t back[4];
                    codesOfShape(shape, back);
                    EXPECT_TRUE(std::equal(codes, codes + 4, back)) << shape;
                    // Every order of the directions gives the same shape.
                    std::sort(codes, codes + 4);
                    do {
                        EXPECT_EQ(shapeOfCodes(codes), shape);
                        EXPECT_EQ(ShapeTable[codes[0] | codes[1] << 4 | codes[2] << 8 | codes[3] << 12], shape);
                    } while (std::next_permutation(codes, codes + 4));
                }
    EXPECT_EQ(seen.size(), SHAPE_COUNT - 1);
    EXPECT_EQ(*seen.begin(), 1u);
    EXPECT_EQ(*seen.rbegin(), SHAPE_COUNT - 1);
    const uint8_t nothing[4] = {CODE_NOTHING, CODE_NOTHING, CODE_NOTHING, CODE_NOTHING};
    EXPECT_EQ(shapeOfCodes(nothing), SHAPE_NOTHING);
    // A stone on the cell, in a five or not, is the occupied shape.
    for (uint8_t stone : {CODE_OCCUPIED, CODE_IN_FIVE, uint8_t(14), uint8_t(15)}) {
        const uint8_t codes[4] = {CODE_FOUR, stone, CODE_NOTHING, CODE_NOTHING};
        EXPECT_EQ(shapeOfCodes(codes), SHAPE_OCCUPIED) << int(stone);
    }
}

// Drawn boards: the shape of a cell is what its four lines make, the same
// whatever the directions they run in, and for either colour on the board
// with the colours swapped (black swapped with them under renju).
TEST_F(CellShapeTest, DrawnCellsHaveTheShapeOfTheirLinesInAnyDirectionAndColour) {
    auto game = std::make_unique_for_overwrite<Position>();
    // Rows are drawn y = 0 first, one character per x; the stones are X's,
    // or O's when swapped.
    const auto shapeOf = [&game](const std::vector<std::string_view>& rows, bool swapped, uint32_t x, uint32_t y,
                                 GameRule rule) {
        std::vector<std::string> kept;
        for (std::string_view row : rows) {
            std::string r(row);
            if (swapped) std::replace(r.begin(), r.end(), 'X', 'O');
            kept.push_back(r);
        }
        const std::vector<std::string_view> drawn(kept.begin(), kept.end());
        reset(*game, 15);
        setupFromPicture(*game, pictureFromRows(drawn, 15), swapped ? COLOUR_O : COLOUR_X, rule);
        const ShapePair pair = game->shapes[cellIndex(x, y)];
        return swapped ? pair.o : pair.x;
    };
    // X at (4,7) (5,7) (7,7) and (6,5) (6,6): on (6,7) a four across (an open
    // one: (3,7) and (8,7) are free) and an open three down.
    const std::vector<std::string_view> across = {"", "", "", "", "", "......X", "......X", "....XX.X"};
    // The same mirrored across the main diagonal: (7,6) has the four down and
    // the three across.
    const std::vector<std::string_view> down = {"", "", "", "", ".......X", ".......X", ".....XX", ".......X"};
    const uint8_t expected[4] = {CODE_NOTHING, CODE_NOTHING, CODE_SOLID_OPEN_THREE, CODE_OPEN_FOUR};
    for (GameRule rule : {RULE_FREESTYLE, RULE_STANDARD, RULE_RENJU}) {
        SCOPED_TRACE("rule " + std::to_string(int(rule)));
        for (bool swapped : {false, true}) {
            SCOPED_TRACE(swapped ? "O's stones" : "X's stones");
            EXPECT_EQ(shapeOf(across, swapped, 6, 7, rule), shapeOfCodes(expected));
            EXPECT_EQ(shapeOf(down, swapped, 7, 6, rule), shapeOfCodes(expected));
            // A cell with a stone has the occupied shape.
            EXPECT_EQ(shapeOf(across, swapped, 4, 7, rule), SHAPE_OCCUPIED);
            // A cell far from the stones has nothing in any line.
            EXPECT_EQ(shapeOf(across, swapped, 0, 14, rule), SHAPE_NOTHING);
        }
    }
}

}  // namespace
