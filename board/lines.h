// The lines of the board: for each row, column and diagonal a 64-bit line
// code (two bits per cell, walls around), the entry words and slot references
// of its cells, and the two operations that putStone and unmakeMove run on a
// line: adding a stone (which refreshes the slots of the cells the pattern
// tables flag and keeps both colours' threat lists in step) and removing it
// again. A caller may rely on: after adding a stone, every slot of the line
// whose code or detail changed holds the pattern-table entry of its new
// window, and the threat lists hold exactly one word per empty (cell,
// direction) whose code is above 4 (the slots whose shape codes alone may
// change are left for refreshShapeCodes); removing the stone with what the
// add saved restores the line code and every slot it changed, bit for bit.
#pragma once

#include <cstdint>

#include "board/types.h"

struct Position;

// One colour's threat words of one record.
struct ThreatList {
    uint32_t count;
    ThreatWord words[THREAT_LIST_CAPACITY];
};

// One cell of a line: its entry words for X and O (cell | colour |
// direction << 12) and its direction slot.
struct LineEntry {
    uint32_t xWord;
    uint32_t oWord;
    uint64_t* slot;
};

constexpr uint32_t LINE_SPARE_SLOTS = 22;

struct LineRecord {
    // Position p occupies bits 2(p+5) and 2(p+5)+1; five wall cells precede
    // position 0 and five follow position length-1.
    uint64_t code;
    uint32_t length;
    uint32_t xDirectionWord;  // 0x400 | direction << 12
    uint32_t oDirectionWord;  // 0x800 | direction << 12
    LineEntry entries[MAX_LINE_LENGTH];
    // No-pattern slots the entries point at while the line is being built.
    uint64_t spareSlots[LINE_SPARE_SLOTS];
};

// The 11-cell window centred on position p: 22 bits, the centre in bits 10-11.
inline uint32_t lineWindow(const LineRecord& line, uint32_t p) {
    return uint32_t(line.code >> (2 * p)) & 0x3fffff;
}

// The code of an empty line of the given length: only the walls set.
constexpr uint64_t emptyLineCode(uint32_t length) {
    return (uint64_t(1023) << (2 * length + 10)) | 0x3ff;
}

// Index of a line in the position's line array: the 22 lines of direction 0
// first, then 22 of direction 1, 43 of direction 2 and 43 of direction 3.
constexpr uint32_t LINE_BASE[DIRECTION_COUNT] = {
    0, STRAIGHT_LINE_ROOM, 2 * STRAIGHT_LINE_ROOM, 2 * STRAIGHT_LINE_ROOM + DIAGONAL_LINE_ROOM};

// Removes the first word whose cell, colour and direction equal those of w;
// the last word moves into the hole. No match leaves the list unchanged.
void removeThreatWord(ThreatList& list, ThreatWord w);

// An empty cell whose shape codes alone a stone changed: its slot, what the
// slot held before, and the cell. Unmaking puts the slot back from it.
struct ShapeRefresh {
    uint64_t* slot;
    uint64_t before;
    uint32_t cell;
};

// The slots a stone's add changes in one line, at most: its own and ten
// neighbours'.
constexpr uint32_t LINE_SAVED_SLOTS = 11;

// Puts a stone of Colour (COLOUR_X or COLOUR_O) at position p of the line.
// Stores in updateMask the cells refreshed for their codes or details and
// at saved what their slots held (the stone's own first), for unmaking;
// appends their cells at recheckCursor and returns the advanced cursor (at
// most 10 cells), and appends at shapeCursor, advancing it, the empty ones
// whose slot's shape codes changed too. Stores in shapeMask the empty cells
// whose shape codes alone may have changed: their slots are left as they
// were, for refreshShapeCodes.
template <uint32_t Colour>
uint32_t* addStoneToLine(LineRecord& line, uint32_t p, ThreatList& threatsX, ThreatList& threatsO,
                         uint16_t& updateMask, uint16_t& shapeMask, uint64_t* saved, uint32_t* recheckCursor,
                         uint32_t*& shapeCursor);

// Refreshes from the line as it stands the slots of the cells of shapeMask
// (around position p, as addStoneToLine stored it) that are still empty,
// and appends each whose shape codes changed at cursor (at most 10).
ShapeRefresh* refreshShapeCodes(LineRecord& line, uint32_t p, uint16_t shapeMask, ShapeRefresh* cursor);

// Takes the stone at position p off the line and puts back the slots the
// add changed, as they were (updateMask and saved as the add stored them);
// the shape refreshes are put back by the caller. The threat lists are not
// touched: they live in the record that unmaking pops.
void removeStoneFromLine(LineRecord& line, uint32_t p, uint16_t updateMask, const uint64_t* saved);

// Resets a line to an unused one: all walls, length 0, spare slots only.
void clearLine(LineRecord& line);

// Builds the lines of the position's board size for an empty board: wall
// templates and lengths, the diagonal geometry, entry words, slot references
// and the pattern-table entry of every on-board slot.
void buildLines(Position& pos);
