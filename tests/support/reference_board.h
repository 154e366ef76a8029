// Test support: a board state computed from scratch from a list of stones,
// without the incremental machinery of Position. Every window is read
// straight from the stones' coordinates, every slot is a plain pattern-table
// lookup, every class a ClassTable lookup (the table class, before the Renju
// verdict), the threat lists are the sorted sets of (cell, direction) pairs
// above code 4, and the key, neighbourhood and empty mask follow their
// definitions cell by cell. compareWithReference says where a Position
// differs from it; rejudgedClassDifferences checks the Renju verdict on the
// cells the last stone had re-judged.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "board/position.h"
#include "board/types.h"

struct ReferenceBoard {
    uint32_t boardSize = 0;
    uint32_t cells[BOARD_CELLS] = {};
    uint32_t windows[BOARD_CELLS][DIRECTION_COUNT] = {};  // on-board cells only
    uint64_t slots[BOARD_CELLS][DIRECTION_COUNT] = {};
    ClassPair classes[CLASS_CELLS] = {};  // table classes, no Renju verdict
    std::vector<ThreatWord> threatsX;     // sorted, class fields 0
    std::vector<ThreatWord> threatsO;     // sorted, class fields 0
    uint32_t emptyMask[32] = {};       // words x < boardSize
    uint32_t area[26] = {};
    uint64_t key = 0;
};

// The window of the cell (x, y) in a direction, read from the cells: 11
// cells from offset -5 to +5, 2 bits each, walls off the board.
uint32_t referenceWindow(const uint32_t* cells, uint32_t boardSize, uint32_t x, uint32_t y,
                         int direction);

// Builds the reference for the stones (in any order) on an N x N board with
// the given pattern-table variant; the key includes SIDE_KEY when O is to
// move (pass hashStones = false for a picture set-up, whose stones are not
// hashed).
void buildReference(ReferenceBoard& ref, uint32_t boardSize, const std::vector<MoveWord>& stones,
                    const uint64_t* table, bool xToMove, bool hashStones = true);

// The empty-cell entries in the threat list of one colour, sorted.
std::vector<ThreatWord> sortedThreats(const ThreatList& list);

// Differences between the position and the reference, one line each (at most
// a dozen); empty when they agree. Direction slots are compared in their code
// and detail fields, the fields the board keeps current for every cell (a
// stone's score bytes are read only when it is put). The running score,
// which depends on the order of the stones, is not compared here.
//
// Classes: the colour judged as black (X when blackColour is X, else O) has
// its table classes 6, 7 and 8 replaced by the Renju verdict, which reads the
// whole board and is refreshed only on the cells a stone has re-judged, so
// for those cells only the range is checked here (6 -> 0, 2 or 1; 7 -> 5, 7
// or 1; 8 -> 8 or 1); every other class must equal the table class. The
// class counts, the four flags and the class fields of the threat words must
// agree with the classes the position stores; the threat words must equal
// the reference's in every other bit.
std::string compareWithReference(const Position& pos, const ReferenceBoard& ref);

// The colour whose classes the Renju verdict adjusts.
uint32_t judgedColour(const Position& pos);

// The judged colour's class of a cell, stored or table (reference).
uint8_t judgedClass(const Position& pos, ClassPair pair);

// The Renju verdict on the cells the current record's stone re-judged
// (changedCells). The stone re-judges them one after another, and a verdict
// reads the stored classes of the completion points, so a cell judged early
// may see a completion point's class from before the stone. The check is
// therefore a replay: from the class pairs before the stone (savedClasses),
// each listed cell in turn gets the reference's table pair with the judged
// colour's class replaced by adjustBlackClass on the board as it is at that
// point; the result must be the stored classes, and each saved pair the one
// the cell held at its turn. The position's classes are put back afterwards.
//
// Beside that it counts, for the listed cells whose judged table class is 6,
// 7 or 8, how many stored classes differ from the verdict evaluated on the
// finished board, and the same for the cells not listed, whose verdict may
// legitimately be older than the stone. Outside renju nothing is judged: it
// only checks that the stone listed no cell beyond its four lines.
struct RejudgedCheck {
    uint32_t checked = 0;
    uint32_t differing = 0;  // from the verdict on the finished board
    uint32_t outsideChecked = 0;
    uint32_t outsideDiffering = 0;
    uint32_t outcomes[CLASS_COUNT][CLASS_COUNT] = {};  // [table class][stored class], listed cells
    std::string text;  // differences from the replay, and stale four-three or open-four verdicts
};
RejudgedCheck rejudgedClassDifferences(Position& pos, const ReferenceBoard& ref);

// The direction slot fields that the board keeps current for every cell.
constexpr uint64_t SLOT_KEPT_FIELDS = 0xffffffff0000ffffULL;
