// Cell shapes: one number per multiset of four line codes, the same whatever
// the order of the directions and for either colour, and the shapes the
// board gives drawn cells.
#include "board/cell_shapes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "board/position.h"
#include "board/startup_tables.h"
#include "support/board_drawing.h"

namespace {

class CellShapeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { buildClassTable(); }
};

TEST_F(CellShapeTest, EveryMultisetOfFourCodesHasItsOwnShape) {
    // Every shape code: the DirCodes of an empty cell and the levels below
    // three strength.
    std::vector<uint8_t> all;
    for (uint8_t code = 1; code <= 15; ++code)
        if (code != CODE_IN_FIVE) all.push_back(code);
    ASSERT_EQ(all.size(), SHAPE_CODE_COUNT);
    std::set<uint16_t> seen;
    for (size_t a = 0; a < all.size(); ++a)
        for (size_t b = a; b < all.size(); ++b)
            for (size_t c = b; c < all.size(); ++c)
                for (size_t d = c; d < all.size(); ++d) {
                    uint8_t codes[4] = {all[a], all[b], all[c], all[d]};
                    const uint16_t shape = shapeOfCodes(codes);
                    EXPECT_TRUE(seen.insert(shape).second) << int(codes[0]) << int(codes[1]) << int(codes[2])
                                                           << int(codes[3]);
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
    for (uint8_t stone : {CODE_OCCUPIED, CODE_IN_FIVE, uint8_t(16), uint8_t(200)}) {
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
            EXPECT_EQ(shapeOf(across, swapped, 7, 14, rule), SHAPE_NOTHING);
            // In a corner, a diagonal too short for a five is dead.
            const uint8_t corner[4] = {CODE_NOTHING, CODE_NOTHING, CODE_NOTHING, SHAPE_CODE_DEAD};
            EXPECT_EQ(shapeOf(across, swapped, 0, 14, rule), shapeOfCodes(corner));
        }
    }
}

// Below three strength a line is dead, a lone stone's, a two's or an open
// two's: drawn in the row of (7,7), the other lines of the cell empty.
TEST_F(CellShapeTest, LinesBelowThreeStrengthAreToldApart) {
    auto game = std::make_unique_for_overwrite<Position>();
    struct Case {
        const char* row;  // y = 7; the cell is x = 7
        uint8_t code;
    };
    const Case cases[] = {
        {"...............", CODE_NOTHING},
        {"X..............", CODE_NOTHING},         // too far to share five cells
        {"....O....O.....", SHAPE_CODE_DEAD},      // no five free cells through it
        {".....OX........", SHAPE_CODE_TWO},       // two, closed on one side
        {"......X........", SHAPE_CODE_OPEN_TWO},  // two inside a free six
        {"....X..........", SHAPE_CODE_OPEN_TWO},  // split
        {"...X...........", SHAPE_CODE_TWO},       // four apart: no six holds both inside
        {".....XX........", CODE_SOLID_OPEN_THREE},
    };
    for (GameRule rule : {RULE_FREESTYLE, RULE_STANDARD, RULE_RENJU})
        for (const Case& c : cases)
            for (bool swapped : {false, true}) {
                std::string row(c.row);
                if (swapped)
                    for (char& ch : row) ch = ch == 'X' ? 'O' : ch == 'O' ? 'X' : ch;
                const std::vector<std::string_view> rows = {"", "", "", "", "", "", "", row};
                reset(*game, 15);
                setupFromPicture(*game, pictureFromRows(rows, 15), swapped ? COLOUR_O : COLOUR_X, rule);
                const ShapePair pair = game->shapes[cellIndex(7, 7)];
                const uint8_t codes[4] = {c.code, CODE_NOTHING, CODE_NOTHING, CODE_NOTHING};
                EXPECT_EQ(swapped ? pair.o : pair.x, shapeOfCodes(codes))
                    << c.row << (swapped ? " swapped" : "") << ", rule " << int(rule);
            }
}

// Without shape tracking (every value 0) a game is the same game: the same
// classes, threat lists and running score move by move and after take-backs,
// and the slots differ at most in the shape codes of empty cells.
TEST_F(CellShapeTest, UntrackedShapesLeaveEverythingElseAsItWas) {
    auto tracked = std::make_unique_for_overwrite<Position>();
    auto untracked = std::make_unique_for_overwrite<Position>();
    const uint32_t moves[][2] = {{7, 7}, {8, 8}, {7, 8}, {6, 6}, {7, 9}, {7, 6}, {9, 9}, {8, 7},
                                 {6, 8}, {5, 9}, {10, 10}, {6, 7}, {8, 6}, {9, 5}, {4, 10}, {5, 5}};
    for (GameRule rule : {RULE_RENJU, RULE_FREESTYLE}) {
        for (Position* pos : {tracked.get(), untracked.get()}) {
            shapesTracked = pos == tracked.get();
            reset(*pos, 15);
            selectGameRule(*pos, rule);
            selectRuleTables(*pos, COLOUR_X);
        }
        const auto same = [&](const char* when) {
            uint32_t differing = 0;
            for (uint32_t c = 0; c < CLASS_CELLS; ++c) {
                differing += tracked->classes[c].x != untracked->classes[c].x ||
                             tracked->classes[c].o != untracked->classes[c].o;
                for (int d = 0; d < DIRECTION_COUNT; ++d)
                    differing += ((tracked->slots[c][d] ^ untracked->slots[c][d]) & ~SHAPE_CODE_BITS) != 0;
            }
            EXPECT_EQ(differing, 0u) << when;
            EXPECT_EQ(tracked->current->threatsX.count, untracked->current->threatsX.count) << when;
            EXPECT_EQ(tracked->current->threatsO.count, untracked->current->threatsO.count) << when;
            EXPECT_EQ(tracked->current->eval, untracked->current->eval) << when;
        };
        uint32_t ply = 0;
        for (const auto& m : moves) {
            const MoveWord move = makeMoveWord(ply++ % 2 == 0 ? COLOUR_X : COLOUR_O, m[0], m[1]);
            for (Position* pos : {tracked.get(), untracked.get()}) {
                shapesTracked = pos == tracked.get();
                makeMove(*pos, move);
            }
            same("after a move");
        }
        while (ply > 4) {
            --ply;
            const MoveWord move = makeMoveWord(ply % 2 == 0 ? COLOUR_X : COLOUR_O, moves[ply][0], moves[ply][1]);
            for (Position* pos : {tracked.get(), untracked.get()}) {
                shapesTracked = pos == tracked.get();
                unmakeMove(*pos, move);
            }
            same("after a take-back");
        }
    }
    shapesTracked = true;
}

}  // namespace
