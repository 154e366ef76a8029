// The move-ordering statistics one search thread learns while it searches:
// how often a move cut off (moveHistory), which move last refuted a given
// move (counterMoves), and how good a move was right after another one
// (contHistory). Every table is indexed by a move's low 11 bits, the cell
// and the X colour bit, so X and O moves on one cell have separate entries.
// The search writes them; the move picker reads them. About 8 MiB: a thread
// keeps its one copy on the heap. The search clears it before every search.
#pragma once

#include <cstdint>
#include <cstring>

// Index of a move in the statistics tables.
constexpr uint32_t statIndex(uint32_t move) { return move & 0x7ff; }
constexpr uint32_t STAT_ENTRIES = 2048;

struct SearchStats {
    int16_t moveHistory[STAT_ENTRIES];
    uint32_t counterMoves[STAT_ENTRIES];  // by the previous move's index: the move that refuted it
    // Row r belongs to a move of index r; within it, the entry of the move
    // that followed it. A stack entry points at the row of its currentMove.
    int16_t contHistory[STAT_ENTRIES][STAT_ENTRIES];
};

inline void clearSearchStats(SearchStats& stats) { std::memset(&stats, 0, sizeof stats); }
