// Tables computed once at start-up (or when the board size or the caution
// setting changes) and only read afterwards: the ClassTable that combines a
// cell's four direction codes into its threat class, the positional weights
// of the cells for a board size, and the search's reduction and move-count
// tables. buildClassTable and initReductions must run before any position is
// set up or searched; nothing here is written while a search runs.
#pragma once

#include <cstdint>

#include "board/types.h"

// Index d0 | d1 << 4 | d2 << 8 | d3 << 12 (the DirCodes of directions 0-3)
// -> CellClass. Entries with a code of 14 or 15 are 0.
extern uint8_t ClassTable[65536];

void buildClassTable();

// The ClassTable class of a cell for X (low bytes) or O (second bytes) from
// its four direction slots.
inline uint8_t tableClassX(const uint64_t* cellSlots) {
    return ClassTable[(cellSlots[0] & 15) | (cellSlots[1] & 15) << 4 |
                      (cellSlots[2] & 15) << 8 | (cellSlots[3] & 15) << 12];
}
inline uint8_t tableClassO(const uint64_t* cellSlots) {
    return ClassTable[(cellSlots[0] >> 8 & 15) | (cellSlots[1] >> 8 & 15) << 4 |
                      (cellSlots[2] >> 8 & 15) << 8 | (cellSlots[3] >> 8 & 15) << 12];
}

// How many of the eight six-cell segments through (x, y) lie wholly on an
// N x N board: per direction, the one from a step behind to four ahead and
// the one from four behind to a step ahead.
uint32_t sixCellSegmentCount(int x, int y, uint32_t boardSize);

// Fills weights[0 .. BOARD_CELLS) for an N x N board: for every on-board cell
// four times the number of six-cell segments through the cells within three
// steps, minus the board's mean; 0 off the board.
void computeWeights(int32_t* weights, uint32_t boardSize);

// Reduction tables [i][depth][moveCount], i = 0, 1, depth and moveCount
// 0 ... 63 (0 where either is 0), and the move-count limits per depth.
extern int32_t reductionsA[2][64][64];
extern int32_t reductionsB[2][64][64];
extern int32_t moveCountsA[16];
extern int32_t moveCountsB[16];

// ln d, correctly rounded, for d = 1 ... 63 (0 for d = 0): what the reduction
// tables are computed from on every system.
extern const double NATURAL_LOGS[64];

// Fills the reduction and move-count tables for a caution factor 0 ... 4
// (a larger factor acts as 4): r = round(ln d * ln m * K), halves away from
// zero, with K from the factor.
void initReductions(uint32_t cautionFactor);
