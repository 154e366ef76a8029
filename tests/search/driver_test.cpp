// Time allotment and limits of the search driver.
#include "search/driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <regex>
#include <sstream>
#include <string>

#include "board/bench_pictures.h"
#include "board/position.h"
#include "board/startup_tables.h"
#include "search/clock.h"
#include "search/info.h"
#include "search/search_control.h"
#include "search/threads.h"
#include "search/tt.h"
#include "search/tunables.h"
#include "support/board_drawing.h"

namespace {

SearchLimits limitsWith(int32_t turnTime, int32_t time, int32_t movesToGo, int32_t depth = 0) {
    SearchLimits limits;
    limits.turnTime = turnTime;
    limits.time = time;
    limits.movesToGo = movesToGo;
    limits.depth = depth;
    limits.startTime = 1000;
    return limits;
}

TEST(InitTime, BudgetsForTheClocksGiven) {
    struct Case {
        const char* name;
        SearchLimits limits;
        uint32_t stones;
        int32_t optimum, maximum;
    };
    const Case cases[] = {
        {"no clock at all: play at once", limitsWith(0, 0, 10), 20, 1, 1},
        {"turn time only: the whole turn", limitsWith(4990, 0, 102, 28), 20, 4990, 4990},
        // Of 60000 ms less 10 ms kept back per move: this move's share by its
        // importance against the next 101 moves'.
        {"many moves to go", limitsWith(0, 60000, 102), 20, 1420, 6000},
        // Fewer than four stones: the opening move counts 1 + 4/7 times.
        {"empty board", limitsWith(0, 60000, 102), 0, 1787, 6000},
        // However few moves seem left, a move takes a tenth of the time at most.
        {"one move left on the match clock", limitsWith(0, 10000, 1), 20, 1000, 1000},
        {"two moves to go", limitsWith(0, 10000, 2), 20, 1000, 1000},
        {"turn time caps the match share", limitsWith(300, 10000, 2), 20, 300, 300},
        {"the match clock has run out: at once", limitsWith(0, 1, 109), 6, 1, 1},
    };
    for (const Case& c : cases) {
        initTime(c.limits, c.stones);
        EXPECT_EQ(Time.startTime, 1000) << c.name;
        EXPECT_EQ(Time.optimumTime, c.optimum) << c.name;
        EXPECT_EQ(Time.maximumTime, c.maximum) << c.name;
    }
}

TEST(InitTime, MoreMovesToGoMeansLessTimeForThisOne) {
    initTime(limitsWith(0, 60000, 10), 30);
    const int32_t fewMoves = Time.optimumTime;
    initTime(limitsWith(0, 60000, 102), 30);
    EXPECT_LT(Time.optimumTime, fewMoves);
    EXPECT_LE(Time.optimumTime, Time.maximumTime);
}

TEST(TimeManagement, AnyClockOrNoLimitAtAllRunsOnTheClock) {
    EXPECT_TRUE(usesTimeManagement(limitsWith(500, 0, 1, 28)));  // turn time with the default depth limit
    EXPECT_TRUE(usesTimeManagement(limitsWith(0, 9000, 1)));
    EXPECT_TRUE(usesTimeManagement(limitsWith(0, 0, 1, 0)));
    EXPECT_FALSE(usesTimeManagement(limitsWith(0, 0, 1, 28)));  // only a depth limit
}

TEST(CheckTime, StopsAtTheHardLimitLessItsMargin) {
    // A 500 ms hard limit: the search stops 30 ms before it, so that the
    // last nodes, the information line and the reply still make it in time.
    struct Case {
        SearchLimits limits;
        int64_t elapsed;
        bool stops;
    };
    const Case cases[] = {
        {limitsWith(500, 0, 1, 28), 300, false},
        {limitsWith(500, 0, 1, 28), 480, true},
        {limitsWith(0, 9000, 1), 480, true},
        {limitsWith(0, 0, 1, 28), 5000, false},  // no clock: only the depth limit
    };
    for (const Case& c : cases) {
        Limits = c.limits;
        Time.maximumTime = 500;
        Time.startTime = nowMs() - c.elapsed;
        stopFlag.store(false);
        checkTime();
        EXPECT_EQ(stopRequested(), c.stops) << c.elapsed << " ms";
    }
    stopFlag.store(false);
    Limits = SearchLimits{};
}

TEST(CheckTime, TheNodeLimitCountsEveryThreadsNodes) {
    // Two threads of 6 nodes each are 12 nodes: past a limit of 10, though
    // neither thread alone is.
    initPool(2, 1);
    ASSERT_TRUE(makeMissingThreads(Threads));
    ASSERT_EQ(Threads.count, 2u);
    struct Case {
        uint64_t limit;
        bool stops;
    };
    for (const Case& c : {Case{10, true}, Case{12, true}, Case{13, false}}) {
        Limits = limitsWith(0, 0, 1, 28);
        Limits.nodes = c.limit;
        for (uint64_t t = 0; t < Threads.count; ++t) Threads.threads[t]->position.nodes.store(6);
        stopFlag.store(false);
        checkTime();
        EXPECT_EQ(stopRequested(), c.stops) << "limit " << c.limit;
    }
    stopFlag.store(false);
    Limits = SearchLimits{};
    destroyPool(Threads);
}

TEST(MoveImportance, FallsAsTheBoardFills) {
    EXPECT_GT(moveImportance(10), moveImportance(60));
    EXPECT_GT(moveImportance(60), moveImportance(120));
    EXPECT_NEAR(moveImportance(0), 1.0, 0.001);
}

// The engine's pool, with its main thread's position copied from a
// benchmark picture and the root moves collected as a search request does.
class IterateTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        buildClassTable();
        initReductions(2);
    }
    void SetUp() override {
        initPool(1, 1);
        resize(TT, 1 << 22);
        clear(TT);
        auto game = std::make_unique_for_overwrite<Position>();
        reset(*game, 20);
        setupFromPicture(*game, benchmarkPictures[15], COLOUR_X);
        MainThread& main = mainThread(Threads);
        copyFrom(main.position, *game, &main);
        const std::vector<uint32_t> noBlocks;
        const std::vector<MoveWord> noSearchMoves;
        collectRootMoves(main.position, {noBlocks, noSearchMoves}, main.rootMoves);
        main.rootDepth = main.completedDepth = 0;
        clearSearchTables(Threads);
        Limits = SearchLimits{};
        Limits.depth = 8;
    }
    void TearDown() override {
        stopFlag.store(false);
        destroyPool(Threads);
    }
};

TEST_F(IterateTest, AStopBeforeTheFirstIterationStillLetsItComplete) {
    MainThread& main = mainThread(Threads);
    ASSERT_GT(main.rootMoves.size(), 10u);
    raiseStop();
    iterate(main);  // on this thread: the pool's own thread sleeps
    EXPECT_EQ(main.completedDepth, 1);
    EXPECT_EQ(main.rootDepth, 2);  // the stop is obeyed from the second iteration on
    // The move the reply takes carries a searched score and line, never the
    // unsearched guess.
    EXPECT_GT(main.rootMoves[0].score, ROOT_SCORE_UNKNOWN);
    EXPECT_GE(main.position.nodes, main.rootMoves.size());  // every root move was played
}

// Several lines, the search stopped by a node limit at many points: a line
// cut off, and every line after it, shows the depth and score it had at the
// last depth completed, never the "not searched" score, and the lines of
// each depth come best first.
TEST_F(IterateTest, LinesCutOffByAStopShowTheirLastCompletedDepth) {
    auto game = std::make_unique_for_overwrite<Position>();
    reset(*game, 15);
    setupFromPicture(*game, pictureFromRows({"", "", "", "", "", "", "", ".......O", "......O.X"}, 15), COLOUR_O);
    MainThread& main = mainThread(Threads);
    Threads.multiPV = 5;
    const std::regex infoLine("depth ([0-9]+)-[0-9]+ multipv ([0-9]) ev (-?M?-?[0-9]+)( lowerbound| upperbound)? n .*");
    int cutOffLines = 0;
    for (uint64_t nodes = 20000; nodes <= 400000; nodes += 12000) {
        SCOPED_TRACE("MAX_NODE " + std::to_string(nodes));
        clear(TT);
        copyFrom(main.position, *game, &main);
        collectRootMoves(main.position, {{}, {}}, main.rootMoves);
        main.rootDepth = main.completedDepth = 0;
        clearSearchTables(Threads);
        stopFlag.store(false);
        Limits = SearchLimits{};
        Limits.nodes = nodes;
        iterate(main);
        ASSERT_TRUE(stopRequested());
        if (main.pvIdx > 0 && main.pvIdx < 5) ++cutOffLines;
        const std::string text = infoLines(Threads, main, main.rootDepth, -SCORE_INFINITE, SCORE_INFINITE, 1);
        std::istringstream lines(text);
        std::string line;
        int k = 0, lastDepth = main.rootDepth;
        while (std::getline(lines, line)) {
            ++k;
            if (line.rfind("MESSAGE ", 0) == 0) line = line.substr(8);
            std::smatch m;
            ASSERT_TRUE(std::regex_match(line, m, infoLine)) << line;
            EXPECT_EQ(std::stoi(m[2]), k) << line;
            const int depth = std::stoi(m[1]);
            // Lines before the one cut off show this depth, the rest the last one.
            EXPECT_EQ(depth, k - 1 < int(main.pvIdx) || k == 1 ? main.rootDepth : main.rootDepth - 1) << line;
            EXPECT_LE(depth, lastDepth) << line;
            lastDepth = depth;
            EXPECT_NE(m[3], scoreText(-SCORE_INFINITE)) << line;
            EXPECT_NE(m[3], scoreText(ROOT_SCORE_UNKNOWN)) << line;
            EXPECT_FALSE(m[4].matched) << line;
        }
        EXPECT_EQ(k, 5) << text;
        // Within a depth the lines come best first: those before the cut
        // (the first always among them), then those after it.
        const size_t cut = std::max<size_t>(main.pvIdx, 1);
        for (size_t i = 1; i < 5; ++i) {
            if ((i < cut) == (i - 1 < cut)) {
                EXPECT_GE(main.rootMoves[i - 1].score, main.rootMoves[i].score) << i;
            }
        }
    }
    // The limits cut several searches off in the middle of a line after the first.
    EXPECT_GE(cutOffLines, 5);
    Threads.multiPV = 1;
}

TEST_F(IterateTest, TheAspirationWindowIsTheTunablesWidth) {
    // The same iterations with the window at its default, then at its
    // narrowest and widest: a window the driver did not take from the
    // tunable would search the same tree each time.
    MainThread& main = mainThread(Threads);
    const std::vector<RootMove> start = main.rootMoves;
    const auto nodesWith = [&](int32_t width) {
        setTunable("ASPIRATION", width);
        clear(TT);
        clearSearchTables(Threads);
        main.rootMoves = start;
        main.rootDepth = main.completedDepth = 0;
        const uint64_t before = main.position.nodes;
        iterate(main);
        return main.position.nodes - before;
    };
    const uint64_t standard = nodesWith(DEFAULT_SEARCH_MARGINS.aspiration);
    EXPECT_NE(nodesWith(1), standard);
    EXPECT_NE(nodesWith(10000), standard);
    EXPECT_EQ(nodesWith(DEFAULT_SEARCH_MARGINS.aspiration), standard);
}

TEST_F(IterateTest, AWidenedRootListIsSearchedNotJustListed) {
    // O's closed four on row 7: X's only answer (8,7) is blocked, so the
    // root list is widened to moves the picker never offers; each one lets
    // O make five, and the search must prove it.
    auto game = std::make_unique_for_overwrite<Position>();
    reset(*game, 15);
    setupFromPicture(*game, pictureFromRows({"", "", "", "", "", "", "", "...XOOOO", "", ".........X"}, 15), COLOUR_O);
    SearchLimits limits;
    limits.depth = 4;
    limits.blockedCells = {cellIndex(8, 7)};
    startThinking(Threads, *game, limits, nullptr);
    MainThread& main = mainThread(Threads);
    waitForSearchFinished(main);
    ASSERT_FALSE(main.rootMoves.empty());
    EXPECT_NE(cellOf(main.rootMoves[0].pv[0]), cellIndex(8, 7));
    EXPECT_LE(main.rootMoves[0].score, -SCORE_MATE_IN_MAX_PLY);
    EXPECT_GT(main.rootMoves[0].score, ROOT_SCORE_UNKNOWN);
}

}  // namespace
