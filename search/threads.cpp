#include "search/threads.h"

#include "search/driver.h"

#include <algorithm>
#include <cstdlib>
#include <thread>

ThreadPool Threads;

namespace {

// The position (16.5 MiB) is not zeroed: reset sets up every part of it a
// search reads, and every search copies the game position over it first.
// The main thread's statistics are cleared before every search, so only a
// helper's are cleared here. Zeroing more would only make start-up touch
// every page. The new thread does this itself, so that helpers created
// together set up in parallel and each touches its own memory first.
void setUp(SearchThread& thread) {
    reset(thread.position, SEARCH_THREAD_BOARD_SIZE);
    // A helper's statistics carry over between searches: they start clear.
    if (thread.idx != 0) clearSearchStats(thread.stats);
}

void runIdleLoop(void* thread) {
    setUp(*static_cast<SearchThread*>(thread));
    idleLoop(*static_cast<SearchThread*>(thread));
}

// A native thread rather than std::thread, which cannot be given a stack size.
void startSearchThread(SearchThread& thread) {
    const bool started = startNativeThread(thread.nativeThread, SEARCH_THREAD_STACK_BYTES, runIdleLoop, &thread);
    // Without its search thread the engine could never answer a move; like
    // any resource the engine cannot get, this ends the process quietly with
    // status 0 rather than leaving the manager waiting.
    if (!started) std::exit(0);
}

}  // namespace

SearchThread::SearchThread(uint64_t index, bool waitUntilIdle) : idx(index) {
    // The new thread clears searchingFlag once it is set up and sleeps;
    // until then the thread is not ready to be started.
    std::unique_lock<std::mutex> lock(mutex);
    searchingFlag = true;
    startSearchThread(*this);
    if (waitUntilIdle) sleepCondition.wait(lock, [this] { return !searchingFlag; });
}

SearchThread::~SearchThread() { endThread(*this); }

// A plain thread deepens its own search; the main thread runs the whole
// search of a move request with its reply.
void SearchThread::search() { iterate(*this); }
void MainThread::search() { think(*this); }

void idleLoop(SearchThread& thread) {
    std::unique_lock<std::mutex> lock(thread.mutex);
    if (thread.exit) return;
    for (;;) {
        thread.searchingFlag = false;
        // Signalling before every wait wakes a caller blocked in creation or
        // in waitForSearchFinished as soon as this thread is idle.
        while (!thread.searchingFlag && !thread.exit) {
            thread.sleepCondition.notify_one();
            thread.sleepCondition.wait(lock);
        }
        if (thread.exit) return;
        lock.unlock();
        thread.search();
        lock.lock();
    }
}

void endThread(SearchThread& thread) {
    {
        std::lock_guard<std::mutex> lock(thread.mutex);
        if (thread.exit) return;  // ended and joined before
        thread.exit = true;
        thread.sleepCondition.notify_one();
    }
    joinNativeThread(thread.nativeThread);
}

void startSearching(SearchThread& thread) {
    std::lock_guard<std::mutex> lock(thread.mutex);
    thread.searchingFlag = true;
    thread.sleepCondition.notify_one();
}

void waitForSearchFinished(SearchThread& thread) {
    std::unique_lock<std::mutex> lock(thread.mutex);
    thread.sleepCondition.wait(lock, [&thread] { return !thread.searchingFlag; });
}

uint64_t maxThreadCount() {
    const uint64_t hardware = std::thread::hardware_concurrency();
    return std::min<uint64_t>(std::max<uint64_t>(hardware, 64), POOL_CAPACITY);
}

uint64_t clampThreadCount(int64_t count) {
    if (count < 1) return 1;
    return std::min<uint64_t>(uint64_t(count), maxThreadCount());
}

void initPool(ThreadPool& pool, int64_t threadCount, int64_t multiPv) {
    pool.threads[0] = new MainThread(pool.count);
    pool.count = 1;
    pool.multiPV = static_cast<uint64_t>(multiPv);
    setThreadCount(pool, threadCount);
}

void setThreadCount(ThreadPool& pool, int64_t threadCount) {
    const uint64_t wanted = std::min(clampThreadCount(threadCount), std::max<uint64_t>(pool.threadCap, 1));
    while (pool.count > wanted) {
        SearchThread* last = pool.threads[pool.count - 1];
        --pool.count;
        endThread(*last);
        delete last;
        pool.threads[pool.count] = nullptr;
    }
    // The new helpers set up side by side; the pool is ready once all sleep.
    const uint64_t first = pool.count;
    while (pool.count < wanted) {
        pool.threads[pool.count] = new SearchThread(pool.count, false);
        ++pool.count;
    }
    for (uint64_t t = first; t < pool.count; ++t) waitForSearchFinished(*pool.threads[t]);
}

void initPool(int64_t threadCount, int64_t multiPv) { initPool(Threads, threadCount, multiPv); }

void destroyPool(ThreadPool& pool) {
    while (pool.count > 0) {
        --pool.count;
        endThread(*pool.threads[pool.count]);
        delete pool.threads[pool.count];
        pool.threads[pool.count] = nullptr;
    }
}

void resetScoreTrend(ThreadPool& pool) {
    if (pool.count == 0) return;
    MainThread& main = mainThread(pool);
    main.winSeen = false;
    main.peakScore = -SCORE_INFINITE;
    main.lastScore = -SCORE_INFINITE;
}
