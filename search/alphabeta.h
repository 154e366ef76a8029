// The node searches of the game tree: searchPV, the full-window search that
// also serves as the root search, and searchNonPV, the null-window search.
// Both are fail-soft alpha-beta searches with the transposition table, the
// quick win check of the threat search, null-move pruning (null window
// only), internal iterative deepening (full window only), singular
// extension, move-count and futility pruning, late-move reductions and
// history statistics. At depth 0 they hand over to the leaf and
// threat-answer searches (search/leaf.h).
//
// What a caller may rely on:
//   - The search runs on the Position of a search thread (pos.owner must be
//     set) over a stack built by initSearchStack; the root is the entry whose
//     predecessor has ply 0, and at the root the thread's rootMoves and pvIdx
//     say which moves are searched: every root move searched gets its score
//     and principal variation written, -32001 when it failed low.
//   - The Position comes back as it was (stones, key, current record); only
//     its node counter grows.
//   - Once the stop flag is raised every node returns 0 at its next check and
//     stores nothing; the caller must discard such a result.
//   - Nothing here allocates, except the rewrite of a root move's principal
//     variation.
#pragma once

#include <cstdint>

#include "board/position.h"
#include "movegen/search_stack.h"
#include "search/tt.h"

class SearchThread;

// Pruning that returns a score is allowed only while the score is below this
// in absolute value: beyond it lie proven wins.
constexpr int32_t SCORE_KNOWN_WIN = 10000;

// History updates with a bonus this large or larger are skipped: the update
// formula would overshoot the 16-bit cells.
constexpr int32_t HISTORY_BONUS_LIMIT = 324;

// Full-window node; the root when the entry in front has ply 0.
int32_t searchPV(Position& pos, StackEntry* ss, int32_t alpha, int32_t beta, int32_t depth, bool cutNode);

// Null-window node: callers pass beta = alpha + 1.
int32_t searchNonPV(Position& pos, StackEntry* ss, int32_t alpha, int32_t beta, int32_t depth, bool cutNode,
                    bool skipEarlyPruning);

// The history bonus of a result found at the given depth. Callers pass 0
// instead when depth >= 18, where it would exceed HISTORY_BONUS_LIMIT.
constexpr int32_t statBonus(int32_t depth) { return depth <= 9 ? 10 * depth : depth * (depth + 2) - 2; }

// The bonus as callers hand it on: 0 from depth 18 on.
constexpr int32_t cappedStatBonus(int32_t depth) { return depth >= 18 ? 0 : statBonus(depth); }

// A move refuted the node of `ss`: it becomes the first killer, earns the
// bonus in the move history and the continuation rows, becomes the counter
// move of the previous ply's move, and the listed moves searched before it
// lose the bonus.
void updateStats(SearchThread& thread, StackEntry* ss, MoveWord move, const MoveWord* quiets, int32_t quietCount,
                 int32_t bonus);

// Adds the bonus for `move` to the continuation rows of the entries 1, 2, 4
// and 6 plies before `ss`, where they exist.
void updateContinuation(StackEntry* ss, MoveWord move, int32_t bonus);
