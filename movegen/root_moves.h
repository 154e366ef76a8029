// The moves the search considers at its root. RootMove is one record per
// root move with the score of the current and of the previous iteration and
// the principal variation that starts with the move. generateMoveList builds
// the whole move set the move picker would offer at a node, at once and
// without repeats: the driver takes its root moves from it, and the ponder
// guess is checked against it.
//
// What a caller may rely on: the list holds every cell at most once, in the
// order the generators first produced it, each move with all the bits its
// generator gave it; `value` is not written. It is empty when a five
// stands. The position is only read.
#pragma once

#include <cstdint>
#include <vector>

#include "board/position.h"
#include "board/types.h"
#include "movegen/generators.h"
#include "movegen/scored_move.h"

constexpr int32_t ROOT_SCORE_UNKNOWN = -32001;

struct RootMove {
    int32_t score = ROOT_SCORE_UNKNOWN;
    int32_t previousScore = ROOT_SCORE_UNKNOWN;
    std::vector<MoveWord> pv;  // pv[0] is the root move
};

// One move per cell of a 20 x 20 board at most.
constexpr uint32_t MOVE_LIST_CAPACITY = MAX_STONES;

struct MoveList {
    ScoredMove moves[MOVE_LIST_CAPACITY];
    uint32_t size;
};

// Room for the raw output of one generator call, repeats included, which
// can be far longer than a MoveList. Keep it on the heap.
struct GenerationScratch {
    ScoredMove moves[MAX_GENERATED_MOVES];
};

// Fills the list for the side to move: nothing when a five stands; the
// threat responses when the side to move must answer a threat; otherwise the
// threat moves followed by the quiet moves, the quiet moves left out when
// the threat cut of the move picker applies. Repeats of a cell are dropped,
// its first occurrence kept.
void generateMoveList(const Position& pos, MoveList& list, GenerationScratch& scratch);
// The same with a scratch area that belongs to the calling thread, allocated
// on the thread's first call and kept (the call comes once per search).
void generateMoveList(const Position& pos, MoveList& list);

// The cells a root move may not take besides what the rule forbids: cells the
// caller excluded (an analysis board's blocked cells) and, when the second
// list is not empty, every move outside it.
struct RootExclusions {
    const std::vector<uint32_t>& blockedCells;
    const std::vector<MoveWord>& searchMoves;
};

// The moves the engine may play at the root, in generation order. They are
// generateMoveList's moves without the excluded ones and, when the side to
// move is black under renju, without the moves the exact Renju test forbids. When that
// leaves nothing the list is widened rather than emptied, in this order, each
// step only when the one before gave nothing:
//   - every candidate near the stones that is neither excluded nor forbidden;
//   - every such empty cell of the board;
//   - every empty cell that is not excluded, forbidden ones included;
//   - every empty cell.
// So the list is empty only when a five stands (the game is decided) or the
// board is full. Returns true when the list was widened: its moves are then
// not all among those the move picker offers at the root, and the root search
// must take them from the list.
bool collectRootMoves(const Position& pos, const RootExclusions& exclusions, std::vector<RootMove>& rootMoves);
