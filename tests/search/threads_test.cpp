#include "search/threads.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "board/startup_tables.h"
#include "front/commands.h"

namespace {

using namespace std::chrono_literals;

// Only a broken handshake takes this long; nothing here measures speed.
constexpr auto HANG_LIMIT = 10s;

template <class Condition>
bool becomesTrue(Condition condition) {
    const auto deadline = std::chrono::steady_clock::now() + HANG_LIMIT;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// Runs work on a helper thread and tells whether it finished in time. A
// helper still blocked is left behind, so that a thread that never wakes
// fails the test instead of hanging it.
bool finishes(std::function<void()> work) {
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::thread([done, work = std::move(work)] {
        work();
        done->store(true);
    }).detach();
    return becomesTrue([&done] { return done->load(); });
}

bool searchingFlagOf(SearchThread& thread) {
    std::lock_guard<std::mutex> lock(thread.mutex);
    return thread.searchingFlag;
}

// A search thread whose search is the test's: it counts its runs in a counter
// that outlives the thread, notes where it ran, and can be held inside a
// search until the test lets it go.
class ScriptedThread : public SearchThread {
public:
    ScriptedThread(uint64_t index, std::atomic<int>& runCounter) : SearchThread(index), runs(runCounter) {}

    void search() override {
        runs.fetch_add(1);
        ranOn = std::this_thread::get_id();
        pthread_attr_t attributes;
        if (pthread_getattr_np(pthread_self(), &attributes) == 0) {
            pthread_attr_getstacksize(&attributes, &stackBytes);
            pthread_attr_destroy(&attributes);
        }
        inSearch.store(true);
        while (hold.load()) std::this_thread::sleep_for(1ms);
        inSearch.store(false);
    }

    std::atomic<int>& runs;
    std::atomic<bool> hold{false};
    std::atomic<bool> inSearch{false};
    std::thread::id ranOn;
    size_t stackBytes = 0;
};

class SearchThreadTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { buildClassTable(); }

    // The thread is created on a helper so that a creation that never sees
    // the thread go idle fails instead of hanging.
    ScriptedThread* create(uint64_t index) {
        ScriptedThread* made = nullptr;
        if (!finishes([&made, this, index] { made = new ScriptedThread(index, runs); })) return nullptr;
        return made;
    }
    static bool destroy(ScriptedThread* thread) {
        return finishes([thread] { delete thread; });
    }

    std::atomic<int> runs{0};
};

TEST_F(SearchThreadTest, StartsIdleWithClearedCountersAndAnEmptyBoard) {
    ScriptedThread* thread = create(3);
    ASSERT_NE(thread, nullptr) << "creation did not see the new thread go idle";
    EXPECT_FALSE(searchingFlagOf(*thread));
    EXPECT_FALSE(thread->exit);
    EXPECT_EQ(thread->idx, 3u);
    EXPECT_EQ(thread->pvIdx, 0u);
    EXPECT_EQ(thread->selDepth, 0);
    EXPECT_EQ(thread->callsCnt, 0);
    EXPECT_EQ(thread->evalOffset, 0);
    EXPECT_FALSE(thread->resetCalls.load());
    EXPECT_TRUE(thread->rootMoves.empty());
    EXPECT_EQ(thread->rootDepth, 0);
    EXPECT_EQ(thread->completedDepth, 0);
    EXPECT_EQ(thread->position.boardSize, SEARCH_THREAD_BOARD_SIZE);
    EXPECT_EQ(thread->position.stoneCount, 0u);
    EXPECT_EQ(thread->position.emptyMask[19], (1u << 20) - 1);
    EXPECT_TRUE(destroy(thread));
}

TEST_F(SearchThreadTest, SleepsUntilStartedAndLeavesWithoutSearchingWhenEndedIdle) {
    ScriptedThread* thread = create(0);
    ASSERT_NE(thread, nullptr);
    std::this_thread::sleep_for(30ms);  // time in which a thread that does not sleep would search
    EXPECT_EQ(runs.load(), 0);
    // Ended while the scripted search still exists, so a search on the way
    // out would be counted.
    ASSERT_TRUE(finishes([thread] { endThread(*thread); })) << "ending an idle thread did not join it";
    EXPECT_EQ(runs.load(), 0);
    EXPECT_TRUE(destroy(thread)) << "destroying an ended thread";
    EXPECT_EQ(runs.load(), 0);
}

TEST_F(SearchThreadTest, RunsOneSearchPerStartOnItsOwnLargeStack) {
    ScriptedThread* thread = create(0);
    ASSERT_NE(thread, nullptr);
    // Nothing started yet: the wait returns at once.
    ASSERT_TRUE(finishes([thread] { waitForSearchFinished(*thread); }));
    EXPECT_EQ(runs.load(), 0);
    for (int started = 1; started <= 5; ++started) {
        startSearching(*thread);
        ASSERT_TRUE(finishes([thread] { waitForSearchFinished(*thread); })) << "search " << started;
        // The flag is cleared only after the search returned, so the count is exact.
        EXPECT_EQ(runs.load(), started);
        EXPECT_FALSE(searchingFlagOf(*thread));
    }
    EXPECT_NE(thread->ranOn, std::this_thread::get_id());
    EXPECT_GE(thread->stackBytes, SEARCH_THREAD_STACK_BYTES);
    EXPECT_TRUE(destroy(thread)) << "destroying a thread that has searched did not join it";
    EXPECT_EQ(runs.load(), 5);
}

TEST_F(SearchThreadTest, WaitReturnsOnlyAfterTheSearchEnds) {
    ScriptedThread* thread = create(0);
    ASSERT_NE(thread, nullptr);
    thread->hold = true;
    startSearching(*thread);
    ASSERT_TRUE(becomesTrue([thread] { return thread->inSearch.load(); })) << "the started thread never searched";

    std::atomic<bool> waitReturned{false};
    std::thread waiter([thread, &waitReturned] {
        waitForSearchFinished(*thread);
        waitReturned = true;
    });
    std::this_thread::sleep_for(30ms);  // time in which a wait that does not block would return
    EXPECT_FALSE(waitReturned.load());
    EXPECT_TRUE(searchingFlagOf(*thread));

    thread->hold = false;
    if (!becomesTrue([&waitReturned] { return waitReturned.load(); })) {
        waiter.detach();
        FAIL() << "the wait never returned after the search ended";
    }
    waiter.join();
    EXPECT_FALSE(thread->inSearch.load());
    EXPECT_EQ(runs.load(), 1);
    EXPECT_TRUE(destroy(thread));
}

class ThreadPoolTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { buildClassTable(); }

    static bool create(ThreadPool& pool, int64_t threadCount, int64_t multiPv) {
        return finishes([&pool, threadCount, multiPv] { initPool(pool, threadCount, multiPv); });
    }
    // What a search start does first: the helpers asked for are made.
    static bool makeHelpers(ThreadPool& pool) {
        return finishes([&pool] { EXPECT_TRUE(makeMissingThreads(pool)); });
    }
    static bool destroy(ThreadPool& pool) {
        return finishes([&pool] { destroyPool(pool); });
    }
};

TEST_F(ThreadPoolTest, HoldsAFreshMainThreadAndMakesTheHelpersAskedForWhenASearchStarts) {
    struct Case {
        int64_t threadCount;
        int64_t multiPv;
        uint64_t threads;  // what the pool holds
        uint64_t multiPV;
    };
    const uint64_t most = maxThreadCount();
    const Case cases[] = {
        {1, 1, 1, 1},
        {4, 3, 4, 3},
        {0, 1, 1, 1},   // 0 or below: one thread
        {-5, 1, 1, 1},
        {int64_t(most) + 1, 1, most, 1},  // above the most there may be: that many
        {2, -1, 2, UINT64_MAX},  // a negative MultiPV count is passed on as it is
    };
    EXPECT_GE(most, 64u);
    EXPECT_GE(most, uint64_t(std::thread::hardware_concurrency()));
    EXPECT_LE(most, POOL_CAPACITY);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "threads " << c.threadCount << ", multipv " << c.multiPv);
        ThreadPool pool;
        ASSERT_TRUE(create(pool, c.threadCount, c.multiPv));
        // No helper until a search starts: a memory limit set after the
        // thread count may still cut them.
        EXPECT_EQ(pool.count, 1u);
        EXPECT_EQ(pool.target, c.threads);
        ASSERT_TRUE(makeHelpers(pool));
        ASSERT_EQ(pool.count, c.threads);
        EXPECT_EQ(pool.target, c.threads);
        EXPECT_EQ(pool.multiPV, c.multiPV);
        auto* main = dynamic_cast<MainThread*>(pool.threads[0]);
        ASSERT_NE(main, nullptr);
        EXPECT_EQ(main->idx, 0u);
        EXPECT_EQ(main->chosenMove, 0u);
        EXPECT_FALSE(main->winSeen);
        EXPECT_EQ(main->peakScore, -32001);
        EXPECT_EQ(main->lastScore, -32001);
        EXPECT_EQ(main->client.say, nullptr);
        for (uint64_t t = 1; t < pool.count; ++t) {
            EXPECT_EQ(pool.threads[t]->idx, t);
            EXPECT_EQ(dynamic_cast<MainThread*>(pool.threads[t]), nullptr) << "helper " << t;
        }
        ASSERT_TRUE(destroy(pool));
        EXPECT_EQ(pool.count, 0u);
        EXPECT_EQ(pool.target, 0u);
        EXPECT_EQ(pool.threads[0], nullptr);
        EXPECT_EQ(pool.multiPV, c.multiPV);
    }
}

TEST_F(ThreadPoolTest, ALoweredCapBoundsEveryThreadCount) {
    ThreadPool pool;
    pool.threadCap = 3;
    ASSERT_TRUE(create(pool, 8, 1));
    EXPECT_EQ(pool.target, 3u);
    for (int64_t count : {2, 64, 0, 3}) {
        SCOPED_TRACE(count);
        ASSERT_TRUE(finishes([&pool, count] { setThreadCount(pool, count); }));
        EXPECT_EQ(pool.target, std::min<uint64_t>(clampThreadCount(count), 3));
        ASSERT_TRUE(makeHelpers(pool));
        EXPECT_EQ(pool.count, pool.target);
    }
    ASSERT_TRUE(destroy(pool));
}

TEST_F(ThreadPoolTest, ANewThreadCountKeepsTheMainThreadAndWhatItRemembers) {
    ThreadPool pool;
    ASSERT_TRUE(create(pool, 1, 3));
    MainThread* main = &mainThread(pool);
    main->chosenMove = 0x4e9;
    main->winSeen = true;
    for (int64_t count : {4, 2, 0, 3}) {
        SCOPED_TRACE(count);
        const uint64_t before = pool.count;
        ASSERT_TRUE(finishes([&pool, count] { setThreadCount(pool, count); }));
        // Helpers beyond the new count end at once; missing ones come with
        // the next search.
        EXPECT_EQ(pool.count, std::min(before, clampThreadCount(count)));
        ASSERT_TRUE(makeHelpers(pool));
        ASSERT_EQ(pool.count, clampThreadCount(count));
        EXPECT_EQ(&mainThread(pool), main);
        EXPECT_EQ(main->chosenMove, 0x4e9u);
        EXPECT_TRUE(main->winSeen);
        EXPECT_EQ(pool.multiPV, 3u);
        for (uint64_t t = 1; t < pool.count; ++t) EXPECT_EQ(pool.threads[t]->idx, t);
        for (uint64_t t = pool.count; t < 8; ++t) EXPECT_EQ(pool.threads[t], nullptr);
    }
    EXPECT_TRUE(destroy(pool));
}

TEST_F(ThreadPoolTest, NewGameForgetsTheScoreTrendOnly) {
    // The engine's own pool, as the command line creates it and the game
    // commands reach it.
    ASSERT_EQ(Threads.count, 0u);
    ASSERT_TRUE(finishes([] { initPool(4, 2); }));
    ASSERT_EQ(Threads.target, 4u);
    EXPECT_EQ(Threads.multiPV, 2u);
    MainThread& main = mainThread(Threads);
    main.winSeen = true;
    main.peakScore = 31990;
    main.lastScore = 400;
    main.chosenMove = 0x4e9;

    resetPreviousScores();
    EXPECT_FALSE(main.winSeen);
    EXPECT_EQ(main.peakScore, -32001);
    EXPECT_EQ(main.lastScore, -32001);
    EXPECT_EQ(main.chosenMove, 0x4e9u);

    ASSERT_TRUE(destroy(Threads));
    // No main thread (the pool not created, or being rebuilt): nothing to forget.
    resetPreviousScores();
    EXPECT_EQ(Threads.count, 0u);
}

}  // namespace
