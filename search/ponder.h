// The ponder guess: the opponent's expected reply to the chosen root move,
// shown as the second move of its principal variation when the search did
// not reach it. It is read from the transposition table entry of the
// position after the root move, and trusted only when it is one of the moves
// the engine would consider there (same cell and colour as a move of that
// position's move list).
#pragma once

#include "board/position.h"
#include "movegen/root_moves.h"

// Plays pv[0], probes the engine's transposition table with the new key,
// and appends the stored move, exactly as stored, when the child's move list
// holds a move with the same cell and colour; then takes pv[0] back. Returns
// whether the pv now holds at least two moves; false at once when the pv is
// empty or starts with 0. The position comes back unchanged.
bool extractPonderMove(RootMove& rootMove, Position& pos);
