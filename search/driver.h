// The search driver: turns a move request into a search on the main search
// thread and the search into a reply. startThinking builds and narrows the
// root moves, copies the game position to the search thread and wakes it;
// on that thread think allots time, runs iterative deepening with aspiration
// windows and several principal variations, then prints the information
// line, a remark on the score trend, and the move (placed on the game
// position first) or "SWAP".
#pragma once

#include <cstdint>

#include "search/search_limits.h"

struct Position;
struct SearchClient;
struct ThreadPool;
class SearchThread;
class MainThread;

// The limits of the running search (one global copy).
extern SearchLimits Limits;

struct TimeManager {
    int64_t startTime = 0;    // ms, monotonic
    int32_t optimumTime = 0;  // ms the search should normally take
    int32_t maximumTime = 0;  // ms it may never exceed
};
extern TimeManager Time;

// Returns at once; the search runs on the pool's main thread and reports to
// the client, which is null in the benchmark (no output).
void startThinking(ThreadPool& pool, Position& gamePos, const SearchLimits& limits, const SearchClient* client);

// The main thread's search and any thread's iterative deepening.
void think(MainThread& main);
void iterate(SearchThread& thread);

// The thread whose move and line the reply takes, once every thread has
// finished: the main thread when it searches alone or for several lines;
// otherwise by the pool's choice (the deepest completed iteration, or a vote
// of the threads weighted by depth and score, a proven win first).
SearchThread& bestThread(ThreadPool& pool);

// Readies the threads for a search: the main thread's move statistics are
// cleared (the helpers keep theirs from search to search) and every
// thread's countdown to the time check restarts.
void clearSearchTables(ThreadPool& pool);

// True when the search runs on a clock: a per-move or a match time was
// given, or no limit of any kind. A depth or node limit does not switch the
// clock off.
bool usesTimeManagement(const SearchLimits& limits);

// Fills Time from the limits and the number of stones on the searched board.
void initTime(const SearchLimits& limits, uint32_t stoneCount);

// How much of the remaining time a move at this stone count deserves.
double moveImportance(uint32_t stoneCount);
