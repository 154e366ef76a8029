// The process-wide transposition table shared by the search threads without
// locks. Clusters of two 16-byte entries; a key's cluster comes from its low
// bits and the entry keeps the high 32 bits. Probes and stores may race
// between threads: every reader checks key32 and treats the stored move as a
// hint to validate. Resizing and clearing happen only while no search runs.
#pragma once

#include <cstddef>
#include <cstdint>

#include "board/types.h"

constexpr int32_t SCORE_MATE = 32000;
constexpr int32_t SCORE_INFINITE = 32001;
constexpr int32_t SCORE_NONE = 32002;
// Scores of at least this magnitude are wins or losses found by the search.
constexpr int32_t SCORE_MATE_IN_MAX_PLY = 31744;

enum Bound : uint8_t {
    BOUND_NONE = 0,
    BOUND_UPPER = 1,
    BOUND_LOWER = 2,
    BOUND_EXACT = 3,
};

constexpr int8_t DEPTH_NONE = -6;

struct TTEntry {
    MoveWord move;     // best or refuting move, 0 for none
    uint32_t key32;    // high half of the key; 0 marks an empty entry
    int16_t value;     // table form, or SCORE_NONE
    int16_t staticEval;
    uint16_t gen;      // generation of the store
    uint8_t bound;
    int8_t depth;
};
static_assert(sizeof(TTEntry) == 16);

struct TTCluster {
    TTEntry entries[2];
};
static_assert(sizeof(TTCluster) == 32);

struct TranspositionTable {
    uint32_t clusterCount = 0;  // a power of two
    TTCluster* table = nullptr;
    void* mem = nullptr;        // the mapping, released with the table
    size_t mappedBytes = 0;
    uint16_t generation = 0;
};

extern TranspositionTable TT;

struct ProbeResult {
    TTEntry* entry;
    bool found;
};

// The entry of the key, or the entry to replace (found false): an empty or
// matching entry first, else the one with the lower generation + depth (the
// first one on a tie). A key whose high half is 0 is never found.
ProbeResult probe(TranspositionTable& tt, uint64_t key);

// The store rule every search node uses on the entry its probe returned. A
// store of a shallower result for the same key is skipped unless it is exact.
inline void store(TranspositionTable& tt, TTEntry* entry, uint64_t key, int32_t value, uint8_t bound,
                  int32_t depth, MoveWord move, int32_t staticEval) {
    const uint32_t k = static_cast<uint32_t>(key >> 32);
    if (move != 0) entry->move = move;
    else if (entry->key32 != k) entry->move = 0;
    if (entry->key32 == k && bound != BOUND_EXACT && depth <= entry->depth - 4) return;
    entry->key32 = k;
    entry->value = static_cast<int16_t>(value);
    entry->staticEval = static_cast<int16_t>(staticEval);
    entry->bound = bound;
    entry->depth = static_cast<int8_t>(depth);
    entry->gen = tt.generation;
}

// Sizes the table to the largest power of two of bytes strictly below the
// given size, at least 8 KiB (0 means 128 MiB). An unchanged cluster count
// keeps the contents; otherwise the new table is empty. When no memory can be
// had at all the process ends with status 1.
void resize(TranspositionTable& tt, uint64_t bytes);
// The cluster count resize gives for a size in bytes.
uint64_t clusterCountFor(uint64_t bytes);

// Empties every cluster.
void clear(TranspositionTable& tt);

// Ages the stored entries by one search: generation += 8, wrapping.
inline void newSearch(TranspositionTable& tt) { tt.generation = static_cast<uint16_t>(tt.generation + 8); }

inline TTCluster* clusterOf(const TranspositionTable& tt, uint64_t key) {
    return tt.table + (key & (tt.clusterCount - 1));
}

inline void prefetch(const TranspositionTable& tt, uint64_t key) { __builtin_prefetch(clusterOf(tt, key)); }

// Mate scores carry the distance from the node that stores them, so they
// read right from any ply that finds them again.
inline int32_t valueToTable(int32_t value, int32_t ply) {
    return value >= SCORE_MATE_IN_MAX_PLY ? value + ply : value <= -SCORE_MATE_IN_MAX_PLY ? value - ply : value;
}
inline int32_t valueFromTable(int32_t value, int32_t ply) {
    if (value == SCORE_NONE) return SCORE_NONE;
    return value >= SCORE_MATE_IN_MAX_PLY ? value - ply : value <= -SCORE_MATE_IN_MAX_PLY ? value + ply : value;
}
