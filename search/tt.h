// The process-wide transposition table shared by the search threads without
// locks. Clusters of two 16-byte entries; a key's cluster comes from its low
// bits and the entry keeps the high 32 bits. Probes and stores may race
// between threads: every reader checks key32 and treats the stored move as a
// hint to validate. Resizing and clearing happen only while no search runs.
#pragma once

#include <atomic>
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

// What one entry holds, as read from the table or about to be written.
struct TTEntry {
    MoveWord move;     // best or refuting move, 0 for none
    uint32_t key32;    // high half of the key; 0 marks an empty entry
    int16_t value;     // table form, or SCORE_NONE
    int16_t staticEval;
    uint16_t gen;      // generation of the store
    uint8_t bound;
    int8_t depth;
};

// An entry in the table: two words, each stored and loaded whole (relaxed
// atomics, so threads may probe and store at once without locks). The first
// word keeps the key's high half XOR-ed with both halves of the second word:
// when another thread's store lands between the two words of one entry, the
// entry reads as another key and is never taken for a valid one.
struct TTSlot {
    std::atomic<uint64_t> keyWord;   // checked key | gen << 32 | bound << 48 | depth << 56
    std::atomic<uint64_t> dataWord;  // move | value << 32 | staticEval << 48

    TTEntry load() const {
        const uint64_t k = keyWord.load(std::memory_order_relaxed);
        const uint64_t d = dataWord.load(std::memory_order_relaxed);
        return {uint32_t(d), uint32_t(k) ^ fold(d), int16_t(d >> 32), int16_t(d >> 48),
                uint16_t(k >> 32), uint8_t(k >> 48), int8_t(k >> 56)};
    }
    void save(const TTEntry& e) {
        const uint64_t d = uint64_t(e.move) | uint64_t(uint16_t(e.value)) << 32 | uint64_t(uint16_t(e.staticEval)) << 48;
        const uint64_t k = uint64_t(e.key32 ^ fold(d)) | uint64_t(e.gen) << 32 | uint64_t(e.bound) << 48 |
                           uint64_t(uint8_t(e.depth)) << 56;
        dataWord.store(d, std::memory_order_relaxed);
        keyWord.store(k, std::memory_order_relaxed);
    }
    static uint32_t fold(uint64_t word) { return uint32_t(word) ^ uint32_t(word >> 32); }
};
static_assert(sizeof(TTSlot) == 16);

struct TTCluster {
    TTSlot entries[2];
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

// The slot of the key and what it held when probed.
struct ProbeResult {
    TTSlot* slot;
    TTEntry entry;
    bool found;
};

// The entry of the key, or the entry to replace (found false): an empty or
// matching entry first, else the one with the lower generation + depth (the
// first one on a tie). A key whose high half is 0 is never found.
ProbeResult probe(TranspositionTable& tt, uint64_t key);

// The store rule every search node uses on the slot its probe returned. A
// store of a shallower result for the same key is skipped unless it is exact.
inline void store(TranspositionTable& tt, TTSlot* slot, uint64_t key, int32_t value, uint8_t bound,
                  int32_t depth, MoveWord move, int32_t staticEval) {
    const uint32_t k = static_cast<uint32_t>(key >> 32);
    TTEntry e = slot->load();
    if (move != 0) e.move = move;
    else if (e.key32 != k) e.move = 0;
    if (e.key32 == k && bound != BOUND_EXACT && depth <= e.depth - 4) {
        slot->save(e);
        return;
    }
    e.key32 = k;
    e.value = static_cast<int16_t>(value);
    e.staticEval = static_cast<int16_t>(staticEval);
    e.bound = bound;
    e.depth = static_cast<int8_t>(depth);
    e.gen = tt.generation;
    slot->save(e);
}

// Sizes the table to the largest power of two of bytes strictly below the
// given size, at least 8 KiB, and within half the machine's memory. An
// unchanged cluster count keeps the contents; otherwise the new table is
// empty. When the system cannot give that much, or would be left without
// room for the rest of the engine, the table takes the largest smaller size
// it can have (the old table is given back first), and when not even the
// smallest can be had, a table of that size built into the program: the
// engine always has a table, and never ends for the want of one. True when
// the table got the size asked for; false when it had to do with less.
bool resize(TranspositionTable& tt, uint64_t bytes);
// The cluster count resize aims at for a size in bytes.
uint64_t clusterCountFor(uint64_t bytes);
// The bytes of the table as it stands.
inline uint64_t tableBytes(const TranspositionTable& tt) { return uint64_t(tt.clusterCount) * sizeof(TTCluster); }

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
