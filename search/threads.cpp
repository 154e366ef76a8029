#include "search/threads.h"

#include "search/driver.h"

#include <algorithm>
#include <new>
#include <thread>

ThreadPool Threads;

namespace {

// The position (16.5 MiB) gets only what reset sets up: every search copies
// the game position over it first. The statistics need nothing: a new
// thread's record is zeroed memory, and the main thread's are cleared
// before every search anyway. The new thread does this itself, so that
// helpers created together set up in parallel and each touches its own
// memory first.
void setUp(SearchThread& thread) { reset(thread.position, SEARCH_THREAD_BOARD_SIZE); }

void runIdleLoop(void* thread) {
    setUp(*static_cast<SearchThread*>(thread));
    idleLoop(*static_cast<SearchThread*>(thread));
}

// A new search thread, or null when the system cannot give it its record or
// its stack.
template <class Thread>
Thread* newSearchThread(uint64_t index, bool waitUntilIdle) {
    Thread* thread = nullptr;
    try {
        thread = new Thread(index, waitUntilIdle);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    if (thread->started) return thread;
    delete thread;
    return nullptr;
}

// Ends and deletes the pool's last thread (it sleeps).
void endLastThread(ThreadPool& pool) {
    SearchThread* last = pool.threads[pool.count - 1];
    --pool.count;
    endThread(*last);
    delete last;
    pool.threads[pool.count] = nullptr;
}

}  // namespace

SearchThread::SearchThread(uint64_t index, bool waitUntilIdle) : idx(index) {
    // The new thread clears searchingFlag once it is set up and sleeps;
    // until then the thread is not ready to be started. A native thread
    // rather than std::thread, which cannot be given a stack size.
    std::unique_lock<std::mutex> lock(mutex);
    searchingFlag = true;
    started = startNativeThread(nativeThread, SEARCH_THREAD_STACK_BYTES, runIdleLoop, this);
    if (!started) {
        // Nothing runs that could be ended or waited for.
        searchingFlag = false;
        exit = true;
        return;
    }
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
        if (thread.exit) return;  // ended and joined before, or never started
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

bool initPool(ThreadPool& pool, int64_t threadCount, int64_t multiPv) {
    MainThread* main = newSearchThread<MainThread>(pool.count, true);
    if (!main) return false;
    pool.threads[0] = main;
    pool.count = 1;
    pool.multiPV = static_cast<uint64_t>(multiPv);
    setThreadCount(pool, threadCount);
    return true;
}

void setThreadCount(ThreadPool& pool, int64_t threadCount) {
    pool.target = std::min(clampThreadCount(threadCount), std::max<uint64_t>(pool.threadCap, 1));
    while (pool.count > pool.target) endLastThread(pool);
}

bool makeMissingThreads(ThreadPool& pool) {
    // The new helpers set up side by side; the pool is ready once all sleep.
    const uint64_t first = pool.count;
    bool madeAll = true;
    while (pool.count < pool.target) {
        SearchThread* helper = newSearchThread<SearchThread>(pool.count, false);
        if (!helper) {
            madeAll = false;
            break;
        }
        pool.threads[pool.count++] = helper;
        // This one took the room the rest of the engine needs: it goes again
        // (a thread still setting up sees the exit flag once it is done).
        if (!roomLeftForTheRest()) {
            endLastThread(pool);
            madeAll = false;
            break;
        }
    }
    for (uint64_t t = first; t < pool.count; ++t) waitForSearchFinished(*pool.threads[t]);
    if (!madeAll) pool.target = pool.count;
    return madeAll;
}

bool initPool(int64_t threadCount, int64_t multiPv) { return initPool(Threads, threadCount, multiPv); }

void destroyPool(ThreadPool& pool) {
    while (pool.count > 0) endLastThread(pool);
    pool.target = 0;
}

void resetScoreTrend(ThreadPool& pool) {
    if (pool.count == 0) return;
    MainThread& main = mainThread(pool);
    main.winSeen = false;
    main.peakScore = -SCORE_INFINITE;
    main.lastScore = -SCORE_INFINITE;
}
