#include "search/info.h"

#include <gtest/gtest.h>

#include <memory>

#include "board/position.h"
#include "board/startup_tables.h"

namespace {

TEST(ScoreText, WinsLossesAndPlainScores) {
    struct Case {
        int32_t value;
        const char* text;
    };
    const Case cases[] = {
        {31999, "+M-1"}, {31998, "+M1"}, {31997, "+M1"}, {31996, "+M3"}, {31744, "+M255"},
        {-31999, "-M0"}, {-31744, "-M255"}, {31743, "7935"}, {-7, "-1"}, {0, "0"}, {401, "100"},
    };
    for (const Case& c : cases) EXPECT_EQ(scoreText(c.value), c.text) << c.value;
}

TEST(NodeCountText, UnitsAboveTheirThresholds) {
    struct Case {
        uint64_t nodes;
        const char* text;
    };
    const Case cases[] = {
        {0, "0"},          {10000, "10000"},      {10001, "10k"},         {10000000, "10000k"},
        {10000001, "10M"}, {10000000000, "10000M"}, {10000000001, "10G"},
    };
    for (const Case& c : cases) EXPECT_EQ(nodeCountText(c.nodes), c.text) << c.nodes;
}

TEST(MoveText, PlainAndExtensionStyles) {
    buildClassTable();
    auto pos = std::make_unique<Position>();
    reset(*pos, 15);
    EXPECT_EQ(moveText(*pos, COLOUR_X | cellIndex(7, 7)), "Xh7");
    EXPECT_EQ(moveText(*pos, COLOUR_O | cellIndex(0, 14)), "Oa14");
    EXPECT_EQ(moveText(*pos, cellIndex(2, 3)), " c3");
    EXPECT_EQ(moveText(*pos, 31 << 5), "");
    pos->yixinMode = 1;
    EXPECT_EQ(moveText(*pos, COLOUR_X | cellIndex(7, 7)), "h8");
    EXPECT_EQ(moveText(*pos, COLOUR_O | cellIndex(0, 14)), "o15");
    EXPECT_EQ(moveText(*pos, COLOUR_O | cellIndex(14, 0)), "a1");
}

}  // namespace
