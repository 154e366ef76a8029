// The searches at the horizon of the node searches. There is no
// capture-style quiescence search: a quiet move hands over to a leaf node,
// which only evaluates, and a move that made a threat (class 4 or more for
// the mover) hands over to a threat-answer node, which tries the opponent's
// answers and recurses while each answer is itself a threat.
//
// What a caller may rely on:
//   - All four first complete a pending virtual move of the current record
//     (the answer nodes make their moves in virtual form, so that a child cut
//     off by the table never pays for the board update) and then run the
//     quick win check; a proven result is stored exact and returned.
//   - A leaf searches no move; an answer node tries only the move picker's
//     threat answers and returns ply - 32000 when it has none.
//   - Neither polls the stop flag nor the clock: the answer recursion ends
//     because every level needs a threat of class 4 or more to go on.
//   - The full-window variants write the node's principal variation into
//     ss->pv (which the caller points at a buffer) and raise selDepth.
//   - Nothing here allocates; the Position comes back as it was.
#pragma once

#include <cstdint>

#include "board/position.h"
#include "movegen/search_stack.h"
#include "search/tt.h"

int32_t leafNonPV(Position& pos, StackEntry* ss, int32_t beta, int32_t depth);
int32_t leafPV(Position& pos, StackEntry* ss, int32_t beta, int32_t depth);

int32_t answerNonPV(Position& pos, StackEntry* ss, int32_t alpha, int32_t beta, int32_t depth);
int32_t answerPV(Position& pos, StackEntry* ss, int32_t alpha, int32_t beta, int32_t depth);

// ---------------------------------------------------------------------------
// Shared with the node searches
// ---------------------------------------------------------------------------

// The principal-variation buffer of a full-window node: a move per ply left
// and the terminating 0.
constexpr int32_t PV_BUFFER_SIZE = MAX_PLY + 1;

// Two move words name the same move when cell and colour agree; the upper
// bits (class, direction, forcing flag) are not part of a move's identity.
constexpr bool sameMove(MoveWord a, MoveWord b) { return ((a ^ b) & MOVE_MASK) == 0; }

// The score of a node at `ply` whose quick win check proved a result r
// (r > 0: the side to move wins within r plies, r < 0: it loses within -r).
constexpr int32_t quickWinValue(int32_t r, int32_t ply) {
    return (r < 0 ? ply - SCORE_MATE : SCORE_MATE - ply) - r;
}

// The depth a quick win is stored with: it holds far beyond the horizon.
constexpr int32_t quickWinDepth(int32_t depth) { return depth + 6 < 127 ? depth + 6 : 127; }

// pv becomes `move` followed by the zero-terminated childPv (none when null).
inline void updatePv(MoveWord* pv, MoveWord move, const MoveWord* childPv) {
    *pv++ = move;
    if (childPv)
        while (*childPv) *pv++ = *childPv++;
    *pv = MOVE_NONE;
}
