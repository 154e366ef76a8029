// The tactical threat search: proves short forced wins and losses from the
// class counts and threat lists alone, playing only forced moves (the single
// block of a five point, the blocks of open fours, the mover's four-three
// points). It needs no depth limit: every line it follows is forcing and is
// bounded by the empty cells. The position is unchanged on return.
//
// Results count plies from the side to move's view: r > 0 wins within r
// plies, r < 0 loses within -r plies, 0 proves nothing.
#pragma once

#include <cstdint>
#include <vector>

#include "board/position.h"
#include "movegen/root_moves.h"

int32_t threatSearch(Position& pos);

// Scores every root move by the threat search of its child and keeps only
// the moves with the longest proven win, or drops the proven losses when no
// move wins; the list is untouched when the root itself is proven.
void filterRootMovesByThreats(Position& pos, std::vector<RootMove>& rootMoves);

// Turns a pending virtual move of the current record into a real stone, so
// the record is afterwards taken back by unmakeMove like any move.
void completeVirtualMove(Position& pos);
