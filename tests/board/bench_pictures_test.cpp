// Checks the benchmark picture list as data: sizes, symbols, mark totals and
// that every position is one a real game could reach (equal stone counts for
// X to move, no finished five on the board, marks next to the stones). The
// checks read the picture text directly and use none of the board code.
#include "board/bench_pictures.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <string_view>

static const std::string_view firstPicture =
    " . . ! X . X X"
    " . . . O O . ."
    " . . X . O . ."
    " . . . X O . ."
    " . . X X ! . O"
    " . . . . . . ."
    " . . . . . . .";

// Side length of a square picture, or 0 when the length is not 2 * N * N.
static int pictureSize(std::string_view picture) {
    for (int n = 1; n <= 32; ++n) {
        if (static_cast<std::size_t>(2 * n * n) == picture.size()) return n;
    }
    return 0;
}

static char symbolAt(std::string_view picture, int size, int x, int y) {
    if (x < 0 || y < 0 || x >= size || y >= size) return '#';
    return picture[1 + 2 * x + 2 * size * y];
}

static int countSymbol(std::string_view picture, char symbol) {
    int size = pictureSize(picture);
    int count = 0;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            if (symbolAt(picture, size, x, y) == symbol) ++count;
    return count;
}

static bool isStone(char symbol) { return symbol == 'X' || symbol == 'O'; }

// Longest run of one colour's stones in any of the four line directions.
static int longestRun(std::string_view picture) {
    const int size = pictureSize(picture);
    const int directions[4][2] = {{1, 0}, {0, 1}, {1, 1}, {1, -1}};
    int longest = 0;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            char stone = symbolAt(picture, size, x, y);
            if (!isStone(stone)) continue;
            for (const auto& d : directions) {
                // Count each run once, from its first stone.
                if (symbolAt(picture, size, x - d[0], y - d[1]) == stone) continue;
                int length = 0;
                while (symbolAt(picture, size, x + length * d[0], y + length * d[1]) == stone)
                    ++length;
                if (length > longest) longest = length;
            }
        }
    }
    return longest;
}

static bool hasStoneWithin(std::string_view picture, int size, int x, int y, int distance) {
    for (int dy = -distance; dy <= distance; ++dy)
        for (int dx = -distance; dx <= distance; ++dx)
            if (isStone(symbolAt(picture, size, x + dx, y + dy))) return true;
    return false;
}

static std::string label(int index) { return "picture " + std::to_string(index + 1); }

TEST(BenchPictures, ListHasFortyOneBoardsOfTheExpectedSizes) {
    ASSERT_EQ(benchmarkPictures.size(), 41u);
    for (int i = 0; i < BENCHMARK_PICTURE_COUNT; ++i) {
        int expectedSize = i == 0 ? 7 : i == 6 ? 6 : 20;
        EXPECT_EQ(benchmarkPictures[i].size(),
                  static_cast<std::size_t>(2 * expectedSize * expectedSize))
            << label(i);
        EXPECT_EQ(pictureSize(benchmarkPictures[i]), expectedSize) << label(i);
    }
    EXPECT_EQ(benchmarkPictures[0].size(), 98u);
    EXPECT_EQ(benchmarkPictures[6].size(), 72u);
}

TEST(BenchPictures, FirstPictureIsTheSevenBySevenPuzzle) {
    EXPECT_EQ(benchmarkPictures[0], firstPicture);
}

TEST(BenchPictures, MarkTotalsOverTheWholeList) {
    int marksForX = 0, marksForO = 0, annotations = 0;
    for (std::string_view picture : benchmarkPictures) {
        marksForX += countSymbol(picture, '!');
        marksForO += countSymbol(picture, '?');
        for (char c = '1'; c <= '9'; ++c) annotations += countSymbol(picture, c);
        for (char c = 'A'; c <= 'E'; ++c) annotations += countSymbol(picture, c);
    }
    EXPECT_EQ(marksForX, 76);
    EXPECT_EQ(marksForO, 3);
    EXPECT_GT(annotations, 0);
}

TEST(BenchPictures, EveryCellIsASpaceThenAKnownSymbol) {
    const std::string_view symbols = ".XO!?123456789ABCDE";
    for (int i = 0; i < BENCHMARK_PICTURE_COUNT; ++i) {
        std::string_view picture = benchmarkPictures[i];
        for (std::size_t k = 0; k < picture.size(); k += 2) {
            EXPECT_EQ(picture[k], ' ') << label(i) << " at character " << k;
            EXPECT_NE(symbols.find(picture[k + 1]), std::string_view::npos)
                << label(i) << " at character " << k + 1;
        }
    }
}

TEST(BenchPictures, ComposedPositionsHaveXToMoveAsBlack) {
    // X moved first and the sides alternate, so with X to move both have
    // played equally often. The fixed 7 x 7 puzzle is a bare tactics board
    // (7 X against 5 O) and is left out.
    for (int i = 1; i < BENCHMARK_PICTURE_COUNT; ++i) {
        int stonesX = countSymbol(benchmarkPictures[i], 'X');
        int stonesO = countSymbol(benchmarkPictures[i], 'O');
        EXPECT_EQ(stonesX, stonesO) << label(i);
        EXPECT_GT(stonesX, 0) << label(i);
    }
}

TEST(BenchPictures, RunCheckSeesFivesInEveryDirection) {
    struct Case {
        std::string_view picture;
        int longest;
    };
    const Case cases[] = {
        {" X . . . ."
         " . X . . ."
         " . . X . ."
         " . . . X ."
         " . . . . X", 5},
        {" . . . . O"
         " . . . O ."
         " . . O . ."
         " . O . . ."
         " O . . . .", 5},
        {" . . X . ."
         " . . X . ."
         " . . X . ."
         " . . X . ."
         " . . O . .", 4},
        {" X X O X X"
         " . . . . ."
         " O O O O ."
         " . . . . ."
         " . . . . .", 4},
    };
    for (const Case& c : cases) EXPECT_EQ(longestRun(c.picture), c.longest) << c.picture;
}

TEST(BenchPictures, NoPositionHoldsAFiveAlready) {
    for (int i = 0; i < BENCHMARK_PICTURE_COUNT; ++i)
        EXPECT_LT(longestRun(benchmarkPictures[i]), 5) << label(i);
}

TEST(BenchPictures, MarksSitNextToTheStones) {
    for (int i = 0; i < BENCHMARK_PICTURE_COUNT; ++i) {
        std::string_view picture = benchmarkPictures[i];
        int size = pictureSize(picture);
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                char symbol = symbolAt(picture, size, x, y);
                if (symbol != '!' && symbol != '?') continue;
                EXPECT_TRUE(hasStoneWithin(picture, size, x, y, 2))
                    << label(i) << " mark '" << symbol << "' at " << x << "," << y;
            }
        }
    }
}
