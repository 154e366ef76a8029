// The cell shapes' values: their text form read back as written, the errors
// of a file that does not read (the values in use stay), the built-in text,
// and the share of the evaluation they make.
#include "search/shape_values.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>

#include "board/position.h"
#include "board/startup_tables.h"
#include "board/tables.h"
#include "search/evaluate.h"
#include "search/tunables.h"
#include "support/board_drawing.h"

namespace {

class ShapeValuesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { buildClassTable(); }
    void TearDown() override {
        std::memset(ShapeValueSets, 0, sizeof ShapeValueSets);
        resetTunables();
        selectTableVariant(COLOUR_X);
    }
    // Values that tell every set, view and shape apart.
    static void fillDistinct(ShapeValueTables& values) {
        for (uint32_t s = 0; s < SHAPE_SET_COUNT; ++s)
            for (uint32_t shape = 1; shape < SHAPE_COUNT; ++shape) {
                values[s].of[shape].own = int16_t(shape * 7 % 2000 - 1000 + int(s) * 3);
                values[s].of[shape].other = int16_t(-(int(shape) * 11 % 3000) + int(s));
            }
    }
};

TEST_F(ShapeValuesTest, TheTextReadsBackAsWritten) {
    static ShapeValueTables written, read;
    fillDistinct(written);
    std::string error;
    const std::string text = formatShapeValues(written, "fitted on nothing\nsecond line");
    EXPECT_EQ(text.rfind("# fitted on nothing\n# second line\nrenju_black own ", 0), 0u);
    ASSERT_TRUE(parseShapeValues(text, read, error)) << error;
    EXPECT_EQ(std::memcmp(written, read, sizeof read), 0);
    // The values built into the program read too.
    EXPECT_TRUE(useBuiltInShapeValues());
}

TEST_F(ShapeValuesTest, AFileThatDoesNotReadChangesNothingAndSaysWhy) {
    static ShapeValueTables good;
    fillDistinct(good);
    const std::string text = formatShapeValues(good, "");
    std::string lines[8];
    {
        size_t start = 0;
        for (std::string& line : lines) {
            const size_t end = text.find('\n', start);
            line = text.substr(start, end - start);
            start = end + 1;
        }
    }
    const auto joined = [&lines](int leaveOut, const std::string& extra) {
        std::string t;
        for (int i = 0; i < 8; ++i)
            if (i != leaveOut) t += lines[i] + "\n";
        return t + extra;
    };
    struct Case {
        std::string text;
        std::string error;
    };
    const Case cases[] = {
        {joined(7, ""), "7 lines of values, not 8"},
        {joined(-1, lines[0] + "\n"), "line 9: renju_black own a second time"},
        {joined(-1, "\n# fine\nnonsense own 1\n"), "line 11: not a set (renju_black, renju_white, freestyle, standard) and a view (own, other)"},
        {joined(7, "standard other 1 2 3\n"), "line 8: 3 values, not 2380"},
        {joined(7, lines[7] + " 5\n"), "line 8: more than 2380 values"},
        {joined(7, "standard other 1 x\n"), "line 8: 'x' is not a whole number from -32767 to 32767"},
        {joined(7, "standard other 40000\n"), "line 8: '40000' is not a whole number from -32767 to 32767"},
        {"", "0 lines of values, not 8"},
    };
    for (const Case& c : cases) {
        static ShapeValueTables values;
        std::memcpy(values, good, sizeof values);
        std::string error;
        EXPECT_FALSE(parseShapeValues(c.text, values, error)) << c.error;
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(std::memcmp(values, good, sizeof values), 0) << c.error;
    }
    // A file: missing, or bad, leaves the values in use as they were.
    std::memcpy(ShapeValueSets, good, sizeof good);
    std::string error;
    EXPECT_FALSE(loadShapeValues("/nonexistent/shapes.txt", error));
    EXPECT_EQ(error, "cannot read /nonexistent/shapes.txt");
    const std::string path = ::testing::TempDir() + "pebblon_shapes.txt";
    std::ofstream(path) << joined(3, "");
    EXPECT_FALSE(loadShapeValues(path.c_str(), error));
    EXPECT_EQ(error, path + ", 7 lines of values, not 8");
    EXPECT_EQ(std::memcmp(ShapeValueSets, good, sizeof good), 0);
    std::ofstream(path) << text;
    EXPECT_TRUE(loadShapeValues(path.c_str(), error)) << error;
    std::remove(path.c_str());
}

// The evaluation adds the side to move's cells valued as its own and takes
// off the other side's valued as the other's, at SHAPES sixteenths.
TEST_F(ShapeValuesTest, TheEvaluationAddsTheShapesAtTheirShare) {
    auto pos = std::make_unique_for_overwrite<Position>();
    const std::string picture = pictureFromRows({"", "", "", "", "", "", "", "....XX.O", "......O"}, 15);
    reset(*pos, 15);
    setupFromPicture(*pos, picture, COLOUR_X, RULE_FREESTYLE);
    const int32_t plain = evaluate(*pos);
    // Values by hand: every X cell shape worth 3 as the own view, every O
    // cell shape 5 as the other view; nothing else.
    for (uint32_t shape = 1; shape < SHAPE_COUNT; ++shape) {
        ShapeValueSets[SHAPES_FREESTYLE].of[shape].own = 3;
        ShapeValueSets[SHAPES_FREESTYLE].of[shape].other = 5;
    }
    setupFromPicture(*pos, picture, COLOUR_X, RULE_FREESTYLE);
    const int32_t empty = int32_t(15 * 15 - 5);
    for (uint8_t side : {uint8_t(1), uint8_t(0)}) {
        pos->sideToMove = side;
        SCOPED_TRACE(side ? "X to move" : "O to move");
        setTunable("SHAPES", 0);
        const int32_t without = evaluate(*pos);
        if (side) {
            EXPECT_EQ(without, plain);
        }
        for (int32_t share : {16, 8, 32})
            for (int32_t tempo : {0, 1000}) {
                setTunable("SHAPES", share);
                setTunable("SHAPE_TEMPO", tempo);
                // The scaling of the sum: four thirty-seconds; the classes'
                // part is as it was; the tempo counts for the side to move,
                // whichever it is, at the shapes' share.
                const int32_t shapes = share * (3 * empty - 5 * empty + tempo) / 16;
                EXPECT_NEAR(evaluate(*pos), without + (4 * shapes) / 32, 1) << share << ", tempo " << tempo;
            }
    }
    // Untracked, the shapes add nothing, their tempo neither.
    shapesTracked = false;
    setupFromPicture(*pos, picture, COLOUR_X, RULE_FREESTYLE);
    setTunable("SHAPES", 16);
    setTunable("SHAPE_TEMPO", 1000);
    pos->sideToMove = 1;
    EXPECT_EQ(evaluate(*pos), plain);
    shapesTracked = true;
}

}  // namespace
