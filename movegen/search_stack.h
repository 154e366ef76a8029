// The search stack: one record per ply of the alpha-beta search, holding
// what a node tells its children and what it learns from them (the move
// being searched, killers, the continuation-history row of its move, its
// principal-variation buffer), plus the move picker's batch slice of the
// ply. Nodes reach earlier plies by counting back from their own entry, as
// far as six plies, so seven guard entries stand in front of the root entry;
// the root is recognised by the entry in front of it having ply 0.
//
// What a caller may rely on: initSearchStack leaves the stack exactly as a
// search expects it (guards, root and the two entries after it zeroed, ply
// numbered from 1 at the root, every searchable ply given its own batch
// slice), and nothing here allocates.
#pragma once

#include <cstdint>
#include <cstring>

#include "board/types.h"
#include "movegen/generators.h"
#include "movegen/scored_move.h"

constexpr int32_t MAX_PLY = 128;  // no node is searched at ply 128 or beyond

constexpr MoveWord MOVE_NONE = 0;
constexpr MoveWord MOVE_NULL = 1023;  // cell 1023, no colour bits

// Entries in front of the root: a node reads the entries 1, 2, 4 and 6 plies
// back, and the root's entry 6 back must still be a zeroed guard.
constexpr int32_t STACK_GUARD_ENTRIES = 7;
// Behind the root: plies 1 to MAX_PLY, and two more, because a leaf or
// answer node at ply 128 still clears the statScore of the entry two plies
// ahead before it returns.
constexpr int32_t STACK_SIZE = STACK_GUARD_ENTRIES + MAX_PLY + 2;

struct StackEntry {
    int32_t ply;          // distance from the root, root = 1; 0 in the guards
    int32_t staticEval;   // SCORE_NONE when the side to move must answer a threat
    int32_t statScore;    // history sum of the move being searched
    int32_t moveCount;    // moves tried so far at this node
    MoveWord currentMove; // move being searched from here (MOVE_NULL during the null move)
    MoveWord excludedMove;  // move left out by a singular-extension search, else 0
    MoveWord killers[2];
    MoveWord* pv;          // zero-terminated principal variation (full-window nodes)
    int16_t* contHistory;  // row of SearchStats::contHistory chosen by currentMove, or null
    ScoredMove* batch;     // the move picker's batch store of this ply, MAX_GENERATED_MOVES entries
};

// The move picker's batch stores of one search thread: one slice per ply on
// which a node can build a picker (plies 1 to 127; ply 128 is kept for
// simplicity). About 39 MB of address space; keep it where it is never
// initialised (a search thread's record, or new MoveBatches, not new
// MoveBatches()), so that only the pages a search really writes are ever
// touched.
struct MoveBatches {
    ScoredMove slices[MAX_PLY][MAX_GENERATED_MOVES];
};

// Builds a fresh stack for one iteration loop and returns the root entry:
// the guards, the root and the two entries after it zeroed, ply numbered
// from 1 at the root, and every entry from the root on given its ply's batch
// slice (null beyond ply 128). Entries further on are written by the nodes
// before they are read.
inline StackEntry* initSearchStack(StackEntry (&stack)[STACK_SIZE], MoveBatches& batches) {
    StackEntry* root = stack + STACK_GUARD_ENTRIES;
    std::memset(static_cast<void*>(stack), 0, sizeof(StackEntry) * (STACK_GUARD_ENTRIES + 3));
    for (int32_t i = 0; i < MAX_PLY + 2; ++i) {
        root[i].ply = i + 1;
        root[i].batch = i < MAX_PLY ? batches.slices[i] : nullptr;
    }
    return root;
}
