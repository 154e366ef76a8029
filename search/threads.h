// The search threads and the pool that owns them. A search thread sleeps in
// its idle loop between searches; startSearching wakes it to run its search
// once (think on the main thread, iterate on any other), and
// waitForSearchFinished blocks until it sleeps again. A new thread sets
// itself up before it first sleeps, and its creation returns only once it
// sleeps (the pool creates helpers together and then waits for all); ending one (endThread, or its
// destruction) wakes it with the exit flag and joins it, without a search.
//
// The pool holds the main thread and, once a search starts, as many helper
// threads as the thread count in force asks for, up to maxThreadCount() in
// all: a count set before a memory limit, or cut by one, never makes
// threads that the limit would not hold, and a new count costs the next
// search a few milliseconds at most. A thread's record lives in a large
// block (platform/large_block.h), backed only as its search touches it, so
// a new thread is cheap to make. When the system cannot give a thread its
// record or its stack, the pool does with the threads it has. Every thread
// runs the same iterative deepening on its own copy of the position; they
// share only the transposition table. The pool and its threads are changed
// only while no search runs, on the protocol thread. The pool is never torn
// down at process exit: end of input may end the process while a search
// runs, and nothing must then wait for it.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

#include "board/position.h"
#include "board/types.h"
#include "movegen/root_moves.h"
#include "movegen/search_stack.h"
#include "movegen/search_stats.h"
#include "platform/large_block.h"
#include "platform/platform.h"
#include "search/search_client.h"
#include "search/search_control.h"
#include "search/tt.h"

// Stack of a search thread. The node searches recurse up to 128 plies and the
// leaf and threat-answer searches go on below the last one, every frame with
// move-picker arrays of a few KiB (one 400-move list alone is 3.2 KiB), and
// AddressSanitizer builds make every frame several times larger. The usual
// 8 MiB default would be tight; 64 MiB of address space costs nothing until
// the pages are touched.
constexpr size_t SEARCH_THREAD_STACK_BYTES = 64u << 20;

// The board size a new thread's position is set up for; every search copies
// the game position over it.
constexpr uint32_t SEARCH_THREAD_BOARD_SIZE = 20;

// A search thread. About 65 MB of address space (a whole Position, the
// move-ordering statistics and the move batches), of which a search touches
// a few MiB: create it with new, which places it in a large block of its
// own, zeroed and backed as it is touched (new throws std::bad_alloc when
// no block can be had). End or destroy it only while it sleeps, after
// waitForSearchFinished.
class SearchThread : public InLargeBlock {
public:
    // Starts the native thread with a SEARCH_THREAD_STACK_BYTES stack, which
    // sets up the thread's position and then sleeps in its idle loop.
    // Returns once it sleeps, or at once without waitUntilIdle: the caller
    // must then waitForSearchFinished before anything else touches the
    // thread. index: the pool's thread count at creation. When the system
    // cannot start the native thread, `started` is false and the object has
    // nothing to end: destroy it.
    explicit SearchThread(uint64_t index, bool waitUntilIdle = true);
    // Ends the native thread (endThread) if that has not been done yet.
    virtual ~SearchThread();
    // One whole search, run on this thread by the idle loop:
    // iterate for a plain search thread, think for the main thread.
    virtual void search();

    SearchThread(const SearchThread&) = delete;
    SearchThread& operator=(const SearchThread&) = delete;

    NativeThread nativeThread;  // runs idleLoop
    bool started = false;         // the native thread runs
    std::mutex mutex;        // guards exit and searchingFlag
    std::condition_variable sleepCondition;  // signalled on every change of either
    bool exit = false;            // set once, when the thread is ended
    bool searchingFlag = false;   // a search is requested or running
    uint64_t idx;                 // place in the pool
    uint64_t pvIdx = 0;           // the principal variation being searched
    int32_t selDepth = 0;         // deepest ply reached in this search
    int32_t callsCnt = 0;         // nodes left before the next time check
    Position position;            // this thread's copy of the searched position
    std::vector<RootMove> rootMoves;
    // The root list was widened beyond the moves the picker offers: the root
    // node takes its moves from rootMoves, in their order, instead.
    bool rootFromList = false;
    int32_t rootDepth = 0;
    int32_t completedDepth = 0;
    int32_t evalOffset = 0;       // taken off the static evaluation; follows the root score
    std::atomic<bool> resetCalls{false};  // set by any thread: restart the countdown to the time check
    // moveHistory, counterMoves and contHistory, which the move picker reads;
    // the main thread's are cleared before every search, a helper's start
    // as the zeroed memory of a new thread.
    SearchStats stats;
    // The move picker's batch store, one slice per ply; left uninitialised
    // so that only the pages a search writes are ever touched.
    MoveBatches batches;
};

// The thread that answers the move request: it runs think, keeps what the
// reply and the score-trend remarks need from one search to the next, and
// knows the game that receives its output.
class MainThread : public SearchThread {
public:
    explicit MainThread(uint64_t index, bool waitUntilIdle = true) : SearchThread(index, waitUntilIdle) {}
    void search() override;

    MoveWord chosenMove = 0;           // the move of the last reply
    bool failedLow = false;            // this iteration's aspiration window failed low
    double bestMoveChanges = 0;        // decaying count of best-move changes
    double previousTimeReduction = 1;  // the time reduction of the last search
    int32_t previousScore = SCORE_INFINITE;  // the score of the last search
    // The score trend over the searches of one game, for the remarks after a
    // search; resetScoreTrend clears it when a game starts.
    bool winSeen = false;
    int32_t peakScore = -SCORE_INFINITE;
    int32_t lastScore = -SCORE_INFINITE;
    // Receives the output and the move; empty in the benchmark.
    SearchClient client;
};

// Room for the pool's threads; maxThreadCount() never exceeds it.
constexpr size_t POOL_CAPACITY = 512;

// The most threads a search may use: the machine's hardware threads, and at
// least 64, so that a manager's thread count for a larger machine still runs.
uint64_t maxThreadCount();

// A thread count as the engine takes it: 0 or below means 1, above the most
// there may be means that many.
uint64_t clampThreadCount(int64_t count);

// How the reply is chosen among the threads' results.
enum ThreadChoice : uint8_t {
    THREAD_CHOICE_VOTE = 0,     // a vote weighted by depth and score
    THREAD_CHOICE_DEEPEST = 1,  // the deepest completed iteration
};

struct ThreadPool {
    uint64_t multiPV = 1;  // principal variations a search reports
    ThreadChoice threadChoice = THREAD_CHOICE_VOTE;
    uint64_t count = 0;    // threads in the list; 0 before creation and while rebuilt
    // Threads the next search runs on, the main thread included: the count
    // asked for, clamped and capped; makeMissingThreads makes the helpers
    // it lacks when a search starts.
    uint64_t target = 0;
    // A bound on the thread count below maxThreadCount(), for a harness that
    // must not pay for the most threads there may be (under the sanitizers
    // each costs tens of MiB and over 100 ms to create).
    uint64_t threadCap = POOL_CAPACITY;
    SearchThread* threads[POOL_CAPACITY] = {};  // element 0 is the main thread
};

// The engine's pool.
extern ThreadPool Threads;

// Fills an empty pool with a new MainThread, sets the (clamped) thread count
// for the searches to come, and stores the MultiPV count (a negative count
// is kept as its unsigned 64-bit image). False, with the pool left empty,
// when the system cannot give the main thread its record or its stack.
bool initPool(ThreadPool& pool, int64_t threadCount, int64_t multiPv);
// The same for the engine's pool.
bool initPool(int64_t threadCount, int64_t multiPv);

// Ends and destroys the threads from the last to the first, taking each out
// of the count before it goes; leaves the pool empty with its MultiPV count.
// Only while no search runs.
void destroyPool(ThreadPool& pool);

// What THREAD_NUM does: the (clamped, and at most threadCap) number of
// threads becomes the pool's target; helpers beyond it end at once, and
// the missing ones are made when the next search starts. The main thread,
// and what it remembers between searches, stays. Only while no search runs.
void setThreadCount(ThreadPool& pool, int64_t threadCount);

// Makes the helpers the target asks for beyond those there are, side by
// side, and returns once all of them sleep. When the system cannot give
// one its record or its stack, or would be left without room for the rest
// of the engine, the pool keeps the threads it has and the target comes
// down to them (until the next setThreadCount): false then. Only while no
// search runs.
bool makeMissingThreads(ThreadPool& pool);

// The stop flag as a thread's search obeys it: the main thread not before it
// has completed its first iteration, so that the reply is never an
// unsearched guess (the first iteration is one ply deep and takes a few
// milliseconds at most); a helper at once, so that many helpers on few cores
// never hold the reply back (one that completed no iteration has no say in
// it).
inline bool searchMustStop(const SearchThread& thread) {
    return stopRequested() && (thread.completedDepth > 0 || thread.idx != 0);
}

// The nodes of all threads' positions in this search.
inline uint64_t totalNodes(const ThreadPool& pool) {
    uint64_t nodes = 0;
    for (uint64_t t = 0; t < pool.count; ++t) nodes += pool.threads[t]->position.nodes.load(std::memory_order_relaxed);
    return nodes;
}

inline MainThread& mainThread(ThreadPool& pool) { return *static_cast<MainThread*>(pool.threads[0]); }

// Wakes the sleeping thread with exit set and joins it; it leaves its idle
// loop without a search. Once ended, a thread is never started again. Done
// before the destruction, so that the thread is joined while the whole object,
// with the parts its search would use, still exists; a second call does
// nothing.
void endThread(SearchThread& thread);

// Wakes the thread for one search.
void startSearching(SearchThread& thread);
// Returns once the thread sleeps: at once when no search was started.
void waitForSearchFinished(SearchThread& thread);
// Body of the native thread: sleeps until woken, runs one search per
// wake-up, and returns once exit is set.
void idleLoop(SearchThread& thread);

// A new game forgets the score trend of the last one (the main thread's
// winSeen, peakScore and lastScore). An empty pool has nothing to forget.
void resetScoreTrend(ThreadPool& pool);
