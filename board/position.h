// The board of one game with everything the search reads incrementally: the
// colour of every cell, the direction slot (pattern-table entry) of every
// cell and direction, the class pair of every cell, and a stack of per-ply
// records holding the threat lists, class counts, running score, hash key
// and neighbourhood of the stones. Every change goes through makeMove,
// unmakeMove, makeNullMove, unmakeNullMove and makeVirtualMove, and every
// push can be taken back exactly: cells, line codes, slots, class pairs,
// shapes, stone count and side to move return bit for bit, and the current
// record is the one it was before, untouched (but for the lists a sync keeps
// in it: STATE_KEPT_BYTES).
//
// A Position is several MiB: keep it in static storage or on the heap, never
// on the stack. It belongs to one thread. It checks nothing: callers play
// only empty on-board cells and take back only the last push.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "board/cell_shapes.h"
#include "board/lines.h"
#include "board/types.h"

class SearchThread;

// One ply of the record stack. The head (area up to updateMask) is copied as
// one block from the previous record by makeMove and makeNullMove.
struct StateRecord {
    // Neighbourhood of the stones: bit y+3 of word x+3 is set when (x, y)
    // lies near some stone. Candidate cells of row x are
    // (area[x+3] >> 3) & emptyMask[x].
    uint32_t area[26];
    uint16_t classCountX[CLASS_COUNT];  // cells whose X class is 0 ... 10
    uint16_t classCountO[CLASS_COUNT];
    int32_t eval;      // X stones add, O stones subtract
    // The sums of the empty cells' shape values (cell_shapes.h): [0] X's
    // cells, [1] O's; [..][0] valued as the side to move's, [..][1] as the
    // other side's.
    int32_t shapeSum[2][2];
    uint8_t hasFourX;  // X has a cell of class 4, 5, 7, 8 or 9
    uint8_t hasFourO;
    uint16_t updateMask[DIRECTION_COUNT];  // masks this record's stone used, per direction

    uint64_t key;
    uint32_t changedCount;  // valid entries of changedCells / savedClasses
    MoveWord virtualMove;   // the hash-only move of makeVirtualMove, else 0
    ThreatList threatsX;
    ThreatList threatsO;
    uint32_t changedCells[RECHECK_CAPACITY];  // cells whose class pair putStone recomputed
    ClassPair savedClasses[RECHECK_CAPACITY];  // their pairs before, index for index
    uint64_t savedSlots[DIRECTION_COUNT][LINE_SAVED_SLOTS];  // the slots its stone changed, as they were
    // The shapes follow lazily (syncShapes): a record whose stone they do
    // not count yet is pending. The sync that brings records up to date
    // keeps in each of them what its stone changed (the lists below), for
    // the unmaking of the record that asked for it, whose shapeSyncBase
    // names the last record that was up to date.
    uint32_t stoneCell;                   // this record's stone, if it has one
    uint16_t shapeMask[DIRECTION_COUNT];  // cells whose shape codes alone it may change; 0 without a stone
    uint32_t codeShapeCount;              // valid entries of codeShapeCells / savedShapes
    uint32_t codeShapeCells[SHAPE_CELL_CAPACITY + 1];  // its cell, and those whose code refresh moved a shape code
    uint8_t shapesPending;                // the cells' shapes and shapeSum lack this record's stone
    StateRecord* shapeSyncBase;           // set on the record whose sync brought those above it up
    // From here on, the lists a sync keeps: a record pending below the
    // current one may find them rewritten.
    uint32_t shapeCellCount;  // valid entries of shapeRefreshes / savedCellShapes
    ShapeRefresh shapeRefreshes[SHAPE_CELL_CAPACITY];  // cells whose shape codes alone changed
    ShapePair savedCellShapes[SHAPE_CELL_CAPACITY];    // their shapes before
    ShapePair savedShapes[SHAPE_CELL_CAPACITY + 1];    // the shapes before of codeShapeCells
};

// Bytes of a record that makeMove copies as the head.
constexpr size_t STATE_HEAD_BYTES = offsetof(StateRecord, key);
// Bytes of a record that stay as they are while records above it come and
// go: all but the lists a sync keeps.
constexpr size_t STATE_KEPT_BYTES = offsetof(StateRecord, shapeCellCount);

// A cell's line in one direction and its position along it.
struct CellLine {
    LineRecord* line;
    uint32_t position;
};

// Line number and position of a cell on its two diagonals.
struct DiagonalPlace {
    uint32_t line;
    uint32_t position;
};

struct DiagonalGeometry {
    DiagonalPlace place[2][1024];                // [direction - 2][cell index]
    MoveWord cells[2][DIAGONAL_LINE_ROOM][32];  // cells along each diagonal, with 0x800
};

struct Position {
    StateRecord states[STATE_RECORD_COUNT];  // record 0: the set-up position
    uint32_t stoneCount;                     // stones on the board = length of history
    uint32_t boardSize;                      // N, 5 ... 20
    // makeMove and makeVirtualMove since initBoard. Only the owner thread
    // writes it; other threads read it for the pool's node count.
    std::atomic<uint64_t> nodes;
    SearchThread* owner;                     // the search thread of a copy, null for the game's
    StateRecord* current;
    uint8_t sideToMove;  // 1: X to move, 0: O to move
    uint32_t yixinMode;  // 1 once a Yixin extension command came in
    uint32_t blackColour;  // COLOUR_X, COLOUR_O or COLOUR_UNKNOWN
    GameRule rule;         // what wins and what is forbidden; renju after reset
    uint32_t cells[BOARD_CELLS];  // 0 empty, COLOUR_X, COLOUR_O
    uint64_t slots[BOARD_CELLS][DIRECTION_COUNT];
    CellLine geometry[BOARD_CELLS][DIRECTION_COUNT];  // on-board cells only
    uint32_t emptyMask[32];  // bit y of word x: (x, y) on the board and empty
    ClassPair classes[CLASS_CELLS];
    ShapePair shapes[CLASS_CELLS];  // the shapes of every cell as of the last record synced
    MoveWord history[HISTORY_CAPACITY];  // the stones in the order they were put
    LineRecord lines[LINE_COUNT];
    DiagonalGeometry diagonals;
    int32_t weights[BOARD_CELLS];  // positional weight of every cell
};

// The sums of the shape values of the position's empty cells, counted anew
// from the cells' slots: what the record's shapeSum holds once synced, for
// the tests (all 0 while shapes are not tracked).
void recountShapeSums(const Position& pos, int32_t sums[2][2]);

// Copies the threat lists and the head of a record (what makeMove carries
// over to the next record); the key and the rest are not touched.
void copyRecordBody(StateRecord& to, const StateRecord& from);

// Game-object entry: a fresh empty board of the given size, black not yet
// known, renju, X to move, key 0. Leaves the rule-table variant as it was.
void reset(Position& pos, uint32_t boardSize);

// Rebuilds everything that depends on boardSize for an empty board
// (set pos.boardSize first to change the size).
void initBoard(Position& pos);

// Puts a stone of colour m & 0xc00 on cell m & 0x3ff in the current record,
// without pushing a record, touching the key or switching the side. Above
// record 0 the record is left pending: the cells' shapes and the sums of
// their values count the stone once syncShapes asks; in record 0 (a set-up)
// they count it at once.
void putStone(Position& pos, MoveWord m);

// Brings the cells' shapes, their slots' shape codes and the current
// record's shapeSum up to date with every stone of the pending records
// below it (nothing while shapes are not tracked, nor on a virtual move
// not yet completed). The evaluation asks before it reads the sums; until
// then a stone costs no shape work, and a subtree no evaluation reaches (a
// threat search's) costs none at all. Taking back the record later takes
// back what the sync changed.
void syncShapes(Position& pos);

void makeMove(Position& pos, MoveWord m);
// Takes back the last makeMove or makeVirtualMove; m must be its word.
void unmakeMove(Position& pos, MoveWord m);
void makeNullMove(Position& pos);
void unmakeNullMove(Position& pos);
// Pushes a record carrying only the key after m, and switches the side; the
// stone is not put. Taken back by unmakeMove(m).
void makeVirtualMove(Position& pos, MoveWord m);

// The key makeMove(m) would produce.
uint64_t keyAfter(const Position& pos, MoveWord m);

// Makes pos equal to src by replaying src's stones onto a fresh record 0
// (no records above it), with the given owner thread.
void copyFrom(Position& pos, const Position& src, SearchThread* thread);

// Sets up the board drawn in text (2 characters per cell: separator, symbol;
// N rows of N cells; length 2*N*N for N = 5 ... 20, else an empty board of
// size 0). "X" and "O" are stones, "!" and "?" mark cells for X and O, any
// other symbol is empty. Returns the marks in scan order (x outer, y inner).
// The stones are left out of the key. The game is played by the given rule.
std::vector<MoveWord> setupFromPicture(Position& pos, std::string_view text, uint32_t blackColour,
                                       GameRule rule = RULE_RENJU);

// Sets blackColour and switches the process-wide pattern-table variant to
// the one of the position's rule (under renju, the one with that colour as
// black; see selectTableVariant).
void selectRuleTables(Position& pos, uint32_t colour);

// Sets the rule and switches the pattern tables to it. The stones already on
// the board keep the codes and classes of the old rule: a caller with stones
// standing puts them again.
void selectGameRule(Position& pos, GameRule rule);

// The colour the forbidden-move rule binds: under renju black (O while black
// is not yet known, as the verdict judges it), under the other rules none (0).
inline uint32_t restrictedColour(const Position& pos) {
    if (pos.rule != RULE_RENJU) return 0;
    return pos.blackColour == COLOUR_X ? COLOUR_X : COLOUR_O;
}
