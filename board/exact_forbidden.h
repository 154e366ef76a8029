// The exact Renju verdict on one black move, read from the stones alone and
// independent of the pattern tables. The search keeps its fast, shallow
// verdict (board/renju.h); this one is for the few places where a wrong
// answer costs the game, such as the engine's own moves as black at the root.
//
// With the tested black stone placed: an exact five (a run of exactly five
// through the cell) is never forbidden, whatever else the move makes;
// otherwise an overline, two or more fours (two on one line included) or two
// or more real open threes are forbidden. A three is real only when some
// empty cell turns it into a straight four and that cell is itself a legal
// black move with the tested stone standing, judged the same way, so the
// test recurses; each level adds a stone and the depth is bounded (beyond the
// bound a completion cell counts as legal, which errs towards forbidding).
//
// Callers may rely on: the board given is left exactly as it was; anything
// on a cell that is neither empty nor black blocks a line like a white stone.
#pragma once

#include <cstdint>

#include "board/types.h"

// A plain board the test plays its trial stones on: cell = x*32 + y, each
// cell 0 (empty), COLOUR_X or COLOUR_O.
struct ExactBoard {
    uint32_t boardSize;
    uint32_t blackColour;
    uint32_t cells[BOARD_CELLS];
};

// Copies the first boardSize rows of 32 cells.
void loadExactBoard(ExactBoard& board, const uint32_t* cells, uint32_t boardSize, uint32_t blackColour);

// Whether black may not play the empty cell. The board is used as scratch
// and restored before returning. An occupied or off-board cell is not
// forbidden (it is not a move at all).
bool isExactlyForbidden(ExactBoard& board, uint32_t cell);

// The same on the caller's cells (copied into a local board first).
bool isExactlyForbidden(const uint32_t* cells, uint32_t boardSize, uint32_t blackColour, uint32_t cell);
