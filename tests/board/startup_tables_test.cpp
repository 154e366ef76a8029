// The start-up tables: the ClassTable from direction codes, the positional
// weights for a board size, and the reduction and move-count tables.
#include "board/startup_tables.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

namespace {

uint32_t classIndex(uint32_t d0, uint32_t d1, uint32_t d2, uint32_t d3) {
    return d0 | d1 << 4 | d2 << 8 | d3 << 12;
}

TEST(ClassTable, CombinesTheFourDirectionCodes) {
    buildClassTable();
    struct Case {
        uint32_t index;
        uint8_t cls;
    };
    const Case cases[] = {
        {0x0000, CLASS_NONE},
        {0x0009, CLASS_FOUR},
        {0x0078, CLASS_DOUBLE_THREE},
        {0x00d0, CLASS_FIVE_STANDS},
        {0xe000, CLASS_NONE},  // code 14 never occurs
        {0x1111, CLASS_NONE},
        {classIndex(9, 7, 1, 1), CLASS_FOUR_THREE},
        {classIndex(7, 8, 1, 1), CLASS_DOUBLE_THREE},
        {classIndex(9, 9, 1, 1), CLASS_OPEN_FOUR},
        {classIndex(10, 1, 1, 1), CLASS_FOUR_CLOSED_THREE},
        {classIndex(2, 2, 1, 1), CLASS_CLOSED_THREES},
        {classIndex(1, 3, 1, 1), CLASS_CLOSED_THREES},
        {classIndex(2, 8, 1, 1), CLASS_CLOSED_THREES},
        {classIndex(9, 2, 1, 1), CLASS_FOUR_CLOSED_THREE},
        {classIndex(1, 1, 8, 1), CLASS_OPEN_THREE},
        {classIndex(1, 1, 1, 11), CLASS_OPEN_FOUR},
        {classIndex(5, 12, 1, 1), CLASS_FIVE},        // a five beats an overline elsewhere
        {classIndex(5, 9, 8, 1), CLASS_FORBIDDEN},    // overline
        {classIndex(6, 1, 1, 1), CLASS_FORBIDDEN},    // two fours in one line
        {classIndex(13, 12, 5, 1), CLASS_FIVE_STANDS},
        {classIndex(7, 7, 8, 9), CLASS_FOUR_THREE},
        {classIndex(0, 0, 0, 0), CLASS_NONE},
    };
    for (const Case& c : cases) EXPECT_EQ(ClassTable[c.index], c.cls) << std::hex << c.index;
    // Codes 14 and 15 stay 0 in every direction.
    for (uint32_t i = 0; i < 65536; ++i) {
        bool unused = false;
        for (int d = 0; d < 4; ++d) unused |= ((i >> (4 * d)) & 15) >= 14;
        if (unused) {
            ASSERT_EQ(ClassTable[i], 0) << std::hex << i;
        }
    }
}

TEST(Weights, SmallestBoardHasNoSegmentAnywhere) {
    int32_t weights[BOARD_CELLS];
    computeWeights(weights, 5);
    for (int32_t w : weights) EXPECT_EQ(w, 0);
}

TEST(Weights, SegmentCountsOnATwentyBoard) {
    struct Case {
        int x, y;
        uint32_t count;
    };
    const Case cases[] = {{0, 0, 0}, {19, 19, 0}, {10, 0, 2}, {0, 9, 2}, {1, 1, 3},
                          {4, 4, 8}, {10, 10, 8}, {15, 15, 8}};
    for (const Case& c : cases) EXPECT_EQ(sixCellSegmentCount(c.x, c.y, 20), c.count) << c.x << "," << c.y;
    for (int x = 0; x < 5; ++x)
        for (int y = 0; y < 5; ++y) EXPECT_EQ(sixCellSegmentCount(x, y, 5), 0u);
}

TEST(Weights, TwentyBoardCentreCornerAndMean) {
    int32_t weights[BOARD_CELLS];
    computeWeights(weights, 20);
    EXPECT_EQ(weights[cellIndex(0, 0)], -806);
    EXPECT_EQ(weights[cellIndex(19, 19)], -806);
    EXPECT_EQ(weights[cellIndex(10, 10)], 630);
    // Weights are s - mean: adding 938 back averages to 938 again.
    int64_t sum = 0;
    for (uint32_t x = 0; x < 20; ++x)
        for (uint32_t y = 0; y < 20; ++y) sum += weights[cellIndex(x, y)] + 938;
    EXPECT_EQ(sum / 400, 938);
    for (uint32_t y = 20; y < 32; ++y) EXPECT_EQ(weights[cellIndex(3, y)], 0);
    for (uint32_t x = 20; x < 22; ++x) EXPECT_EQ(weights[cellIndex(x, 3)], 0);
}

TEST(Reductions, FactorTwo) {
    initReductions(2);
    for (int m = 1; m < 64; ++m) {
        EXPECT_EQ(reductionsA[1][1][m], 0);
        EXPECT_EQ(reductionsA[0][1][m], 1);
    }
    // r = ln d * ln m / 2.32, halves away from zero.
    for (int i = 0; i < 2; ++i)
        for (int d = 1; d < 64; ++d)
            for (int m = 1; m < 64; ++m) {
                const int32_t r = reductionsA[1][d][m];
                EXPECT_EQ(reductionsA[0][d][m], r + 1);
                if (r <= 2) EXPECT_EQ(reductionsB[i][d][m], 0);
                else EXPECT_EQ(reductionsB[i][d][m], r - 2);
            }
    // ln 63 * ln 63 / 2.32 = 7.4 -> 7; ln 10 * ln 10 / 2.32 = 2.285 -> 2;
    // ln 20 * ln 12 / 2.32 = 3.210 -> 3.
    EXPECT_EQ(reductionsA[1][63][63], 7);
    EXPECT_EQ(reductionsA[1][10][10], 2);
    EXPECT_EQ(reductionsA[1][20][12], 3);
    EXPECT_EQ(reductionsB[0][63][63], 5);
    for (int m = 0; m < 64; ++m) EXPECT_EQ(reductionsA[0][0][m], 0);
    EXPECT_EQ(moveCountsA[15], 18);
    EXPECT_EQ(moveCountsB[0], 1);
    EXPECT_EQ(moveCountsB[15], 42);
}

TEST(Reductions, TheLogarithmTableIsCorrectlyRoundedAndMatchesTheLibrary) {
    // The table stands in for std::log so that every system computes the same
    // reductions; on this machine the library's values are the same bits, so
    // the tables are what the library would give.
    EXPECT_EQ(NATURAL_LOGS[0], 0.0);
    for (int d = 1; d < 64; ++d) {
        EXPECT_EQ(NATURAL_LOGS[d], std::log(double(d))) << "d = " << d;
        const long double precise = std::log(static_cast<long double>(d));
        EXPECT_LE(std::fabs(static_cast<long double>(NATURAL_LOGS[d]) - precise),
                  std::fabs(static_cast<long double>(std::nextafter(NATURAL_LOGS[d], 10.0)) - precise))
            << "d = " << d;
        EXPECT_LE(std::fabs(static_cast<long double>(NATURAL_LOGS[d]) - precise),
                  std::fabs(static_cast<long double>(std::nextafter(NATURAL_LOGS[d], -10.0)) - precise))
            << "d = " << d;
    }
    for (uint32_t factor = 0; factor <= 4; ++factor) {
        initReductions(factor);
        const double k = 1.0 / (double(factor) * -0.8266666666666667 + 3.973333333333333);
        for (int d = 1; d < 64; ++d)
            for (int m = 1; m < 64; ++m) {
                const double v = std::log(double(d)) * std::log(double(m)) * k;
                ASSERT_EQ(reductionsA[1][d][m], int32_t(v + 0.49999999999999994))
                    << "factor " << factor << ", d " << d << ", m " << m;
            }
    }
    initReductions(2);
}

TEST(Reductions, FactorFourZeroAndAboveFour) {
    // K = 1.5 for factor 4: ln 63 * ln 63 * 1.5 = 25.75 -> 26; ln 2 * ln 2 * 1.5 = 0.72 -> 1.
    initReductions(4);
    EXPECT_EQ(reductionsA[1][63][63], 26);
    EXPECT_EQ(reductionsA[1][2][2], 1);
    EXPECT_EQ(reductionsB[1][63][63], 24);
    // Above 4 acts as 4.
    initReductions(9);
    EXPECT_EQ(reductionsA[1][63][63], 26);
    // K = 1 / 3.9733 for factor 0: ln 63 * ln 63 / 3.9733 = 4.32 -> 4; ln 8 * ln 8 / 3.9733 = 1.088 -> 1.
    initReductions(0);
    EXPECT_EQ(reductionsA[1][63][63], 4);
    EXPECT_EQ(reductionsA[1][8][8], 1);
    EXPECT_EQ(reductionsA[0][8][8], 2);
    EXPECT_EQ(reductionsB[1][63][63], 2);
    initReductions(2);
}

}  // namespace
