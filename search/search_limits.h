// The limits of one search, built by the front end for every move request
// from the settings in force, and applied by the search driver.
#pragma once

#include <cstdint>
#include <vector>

#include "board/types.h"

// The deepest iteration a search runs.
constexpr int32_t MAX_SEARCH_DEPTH = 127;

struct SearchLimits {
    std::vector<MoveWord> searchMoves;  // non-empty: only these root moves
    std::vector<uint32_t> blockedCells; // root moves on these cells are dropped
    int32_t time = 0;       // ms left in the match (0: no match clock; 1: move at once)
    int32_t inc = 0;        // ms added per move
    int32_t movesToGo = 0;  // filled by the driver
    int32_t depth = 0;      // 0: no depth limit; at most MAX_SEARCH_DEPTH
    int32_t turnTime = 0;   // ms for this move (0: no per-move limit)
    int32_t reserve = 0;    // ms kept back per move
    int32_t moveBase = 0;   // cells of the board
    uint64_t nodes = 0;     // 0: no node limit
    bool swapQuery = false; // the reply may be SWAP
    int64_t startTime = 0;  // monotonic ms when the request was built
};
