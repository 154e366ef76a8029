// Searches on several threads: which thread's result the reply takes (the
// vote, the deepest iteration, a proven win, the main thread alone for
// several lines), and many short searches on four threads over the benchmark
// positions and random games, some stopped from outside, each ending with a
// legal move of the root list. Run under ThreadSanitizer by make tsan.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#include "board/bench_pictures.h"
#include "board/position.h"
#include "board/startup_tables.h"
#include "search/driver.h"
#include "search/search_control.h"
#include "search/threads.h"
#include "search/tt.h"

namespace {

class ThreadedSearch : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        buildClassTable();
        initReductions(2);
    }
    void SetUp() override {
        resize(TT, 1 << 22);
        clear(TT);
    }
    void TearDown() override {
        stopFlag.store(false);
        destroyPool(Threads);
    }

    // The result a thread ends with: its first root move and depth.
    static void setResult(SearchThread& thread, MoveWord move, int32_t score, int32_t depth) {
        thread.rootMoves.clear();
        RootMove rm;
        rm.pv.push_back(move);
        rm.score = score;
        thread.rootMoves.push_back(rm);
        thread.completedDepth = depth;
    }
};

constexpr MoveWord xAt(uint32_t x, uint32_t y) { return makeMoveWord(COLOUR_X, x, y); }

TEST_F(ThreadedSearch, TheReplyTakesTheThreadTheChoiceNames) {
    initPool(3, 1);
    ASSERT_TRUE(makeMissingThreads(Threads));
    SearchThread& main = *Threads.threads[0];
    SearchThread& first = *Threads.threads[1];
    SearchThread& second = *Threads.threads[2];
    struct Case {
        const char* name;
        ThreadChoice choice;
        // move, score, depth of the main thread and the two helpers
        MoveWord moves[3];
        int32_t scores[3];
        int32_t depths[3];
        int chosen;  // index of the thread
    };
    const Case cases[] = {
        {"two helpers outvote the main thread", THREAD_CHOICE_VOTE, {xAt(7, 7), xAt(8, 8), xAt(8, 8)}, {40, 30, 30},
         {12, 11, 11}, 1},
        {"a deep lone thread outvotes shallow ones", THREAD_CHOICE_VOTE, {xAt(7, 7), xAt(8, 8), xAt(6, 6)},
         {40, 30, 50}, {20, 9, 9}, 0},
        // Votes weigh the margin above the worst thread, not the raw score:
        // with every score below zero the deepest thread must not count
        // against its own move.
        {"every score below zero: the deep thread keeps its move", THREAD_CHOICE_VOTE,
         {xAt(7, 7), xAt(8, 8), xAt(6, 6)}, {-400, -420, -410}, {20, 8, 8}, 0},
        {"a proven win beats any vote", THREAD_CHOICE_VOTE, {xAt(7, 7), xAt(7, 7), xAt(6, 6)},
         {40, 40, SCORE_MATE - 9}, {14, 14, 10}, 2},
        {"of two wins the faster one", THREAD_CHOICE_VOTE, {xAt(7, 7), xAt(8, 8), xAt(6, 6)},
         {SCORE_MATE - 13, SCORE_MATE - 7, SCORE_MATE - 9}, {14, 14, 10}, 1},
        {"a helper stopped in its first iteration has no say", THREAD_CHOICE_VOTE,
         {xAt(7, 7), xAt(8, 8), xAt(8, 8)}, {40, SCORE_MATE - 5, 30}, {12, 0, 0}, 0},
        {"nor for the deepest", THREAD_CHOICE_DEEPEST, {xAt(7, 7), xAt(8, 8), xAt(8, 8)}, {40, 90, 30},
         {12, 0, 0}, 0},
        {"the deepest iteration", THREAD_CHOICE_DEEPEST, {xAt(7, 7), xAt(8, 8), xAt(6, 6)}, {40, 30, 90},
         {12, 13, 12}, 1},
        {"as deep: the better score", THREAD_CHOICE_DEEPEST, {xAt(7, 7), xAt(8, 8), xAt(6, 6)}, {40, 30, 90},
         {12, 12, 12}, 2},
        {"as deep and as good: the main thread", THREAD_CHOICE_DEEPEST, {xAt(7, 7), xAt(8, 8), xAt(6, 6)},
         {40, 40, 40}, {12, 12, 12}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Threads.threadChoice = c.choice;
        SearchThread* threads[3] = {&main, &first, &second};
        for (int i = 0; i < 3; ++i) setResult(*threads[i], c.moves[i], c.scores[i], c.depths[i]);
        EXPECT_EQ(&bestThread(Threads), threads[c.chosen]);
    }
    // Several lines are the main thread's to report, whatever the others hold.
    Threads.threadChoice = THREAD_CHOICE_VOTE;
    Threads.multiPV = 2;
    setResult(main, xAt(7, 7), 0, 5);
    setResult(first, xAt(8, 8), SCORE_MATE - 5, 20);
    EXPECT_EQ(&bestThread(Threads), &main);
}

// A random game of the given length on 15 x 15, no five made.
void playRandomGame(Position& pos, std::mt19937& random, int stones) {
    reset(pos, 15);
    selectRuleTables(pos, COLOUR_X);
    std::uniform_int_distribution<uint32_t> near(4, 10);
    for (int placed = 0, tries = 0; placed < stones && tries < 1000; ++tries) {
        const uint32_t cell = cellIndex(near(random), near(random));
        if (pos.cells[cell] != 0) continue;
        const MoveWord m = (pos.sideToMove == 1 ? COLOUR_X : COLOUR_O) | cell;
        const uint8_t cls = pos.sideToMove == 1 ? pos.classes[cell].x : pos.classes[cell].o;
        if (cls >= CLASS_FIVE) continue;
        makeMove(pos, m);
        ++placed;
    }
}

TEST_F(ThreadedSearch, ManyShortSearchesOnFourThreadsEndWithALegalMove) {
    initPool(4, 1);
    auto game = std::make_unique_for_overwrite<Position>();
    std::mt19937 random(2026);
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE(round);
        if (round % 2 == 0) {
            reset(*game, 20);
            setupFromPicture(*game, benchmarkPictures[round % benchmarkPictures.size()], COLOUR_X);
        } else {
            playRandomGame(*game, random, 6 + round % 20);
        }
        SearchLimits limits;
        limits.depth = 4 + round % 5;
        limits.nodes = 20000 + 5000 * (round % 7);
        limits.startTime = 0;
        Threads.threadChoice = round % 3 == 0 ? THREAD_CHOICE_DEEPEST : THREAD_CHOICE_VOTE;
        startThinking(Threads, *game, limits, nullptr);
        // Every third search is stopped from outside, as YXSTOP does.
        if (round % 3 == 1) {
            std::this_thread::sleep_for(std::chrono::milliseconds(round % 5));
            raiseStop();
        }
        MainThread& main = mainThread(Threads);
        waitForSearchFinished(main);
        const MoveWord chosen = main.chosenMove;
        if (main.rootMoves.empty() || main.rootMoves[0].pv[0] == MOVE_NONE) {
            EXPECT_EQ(chosen, MOVE_NONE);
            continue;
        }
        ASSERT_NE(chosen, MOVE_NONE);
        EXPECT_EQ(game->cells[cellOf(chosen)], 0u);
        bool listed = false;
        for (const RootMove& rm : main.rootMoves) listed = listed || ((rm.pv[0] ^ chosen) & MOVE_MASK) == 0;
        EXPECT_TRUE(listed);
        EXPECT_GE(totalNodes(Threads), main.position.nodes.load());
    }
}

}  // namespace
