// The move picker: hands a search node its moves one at a time, the most
// promising first, generating them lazily in stages so that a cutoff on an
// early move saves generating and scoring the rest.
//
// Main mode offers the transposition-table move, then the threat moves
// (best first), then the two killers and the counter move, then the quiet
// moves (best first). When the side to move holds an open-four point, five
// point or five that the opponent does not outrank, the node ends after the
// threat moves: nothing else can matter there. Answer mode, for a node that
// must answer a threat, offers the transposition-table move and then the
// threat responses (best first), nothing else.
//
// What a caller may rely on:
//   - next() never returns a cell twice in one node, and every move it
//     returns stands on an empty cell; 0 means no further move, and once
//     returned it keeps being returned, except that a call with skipQuiets
//     true returns 0 at the quiet stages without leaving them, so a later
//     call with skipQuiets false still delivers the quiet moves.
//   - Moves come back with every bit their generator gave them (the forcing
//     flag included); the table move, killers and counter move as stored.
//     Neither the forbidden rule nor the neighbourhood is checked for the
//     table move, killers and counter move: the search filters.
//   - Generated moves come out in descending score, ties nearest the front
//     of what is left (generation order among the best ones).
//
// Batch storage. A generator can write up to MAX_GENERATED_MOVES entries in
// one call (a crowded board really writes over a thousand), far too much for
// the node's stack frame. So the picker owns no array: it generates into the
// batch slice of its stack entry (StackEntry::batch, one slice of
// MAX_GENERATED_MOVES entries per ply in the thread's MoveBatches, wired up
// once by initSearchStack). Two pickers of one ply therefore share a slice;
// that is safe because the only search that builds a second picker on an
// entry whose picker is live is the singular-extension search, which runs on
// the table move, and the table move is returned before any batch is
// generated. A picker must not outlive its node.
#pragma once

#include <cstdint>

#include "board/position.h"
#include "movegen/scored_move.h"
#include "movegen/search_stack.h"
#include "movegen/search_stats.h"

enum PickerStage : int32_t {
    // main mode
    STAGE_TT_MOVE = 0,
    STAGE_GENERATE_THREATS = 1,
    STAGE_THREAT_MOVES = 2,
    STAGE_KILLER_1 = 3,
    STAGE_KILLER_2 = 4,
    STAGE_COUNTER_MOVE = 5,
    STAGE_GENERATE_QUIETS = 6,
    STAGE_QUIET_MOVES = 7,
    // answer mode
    STAGE_ANSWER_TT_MOVE = 8,
    STAGE_GENERATE_RESPONSES = 9,
    STAGE_RESPONSES = 10,
};

struct MovePicker {
    const Position& position;
    const SearchStats& stats;
    StackEntry* stack;      // this node's entry; earlier plies lie in front of it
    MoveWord counterMove;   // the move that last refuted the previous ply's move
    MoveWord ttMove;        // 0 when there is none or its cell is taken
    MoveWord killers[2];
    int32_t stage;
    ScoredMove* cur;        // the unreturned part of the batch: [cur, end)
    ScoredMove* end;
    // Cells returned or rejected so far: bit (cell & 31) of word (cell >> 5).
    // It covers every 10-bit cell, so no stored move can index outside it.
    uint32_t seen[32];
    ScoredMove* moves;      // the batch store: the stack entry's slice

    // A table move whose cell is taken is dropped here, and the picker then
    // starts at its generation stage.
    MovePicker(const Position& pos, const SearchStats& stats, MoveWord ttMove, StackEntry* entry,
               bool answerMode);
    MovePicker(const MovePicker&) = delete;
    MovePicker& operator=(const MovePicker&) = delete;

    MoveWord next(bool skipQuiets);

private:
    void startBatch(ScoredMove* batchEnd);
    MoveWord selectBest();
    bool offer(MoveWord move);
    bool testAndSetSeen(uint32_t cell);
};

// The ordering score of a move at the node of the given stack entry:
// moveHistory + the cell's positional weight + the continuation-history rows
// of the entries 1, 2 and 4 plies back + half that of the entry 6 plies
// back, leaving out missing rows.
int32_t moveScore(const Position& pos, const SearchStats& stats, const StackEntry* entry, MoveWord move);

// True when the side to move has an open-four point, a five point or a five
// and its highest such class is at least the opponent's: its threat moves
// are then all a node needs, and the quiet moves are left out.
bool threatCutApplies(const Position& pos);
