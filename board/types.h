// The small words the whole engine talks in: move words and colours, cell
// indexes, the per-direction pattern codes and per-cell threat classes, the
// fields of a direction slot and of a threat word, and the fixed capacities
// of the board. Everything here is a constant or a one-line accessor; callers
// may rely on the bit layouts being exactly the documented ones.
#pragma once

#include <cstdint>

// ---------------------------------------------------------------------------
// Move words and colours
// ---------------------------------------------------------------------------

// A move or stone: y in bits 0-4, x in bits 5-9 (cell index x*32 + y, rows of
// 32 cells whatever the board size), colour in bits 10-11.
using MoveWord = uint32_t;

constexpr uint32_t COLOUR_X = 0x400;        // the engine's own stones
constexpr uint32_t COLOUR_O = 0x800;        // the opponent's stones
constexpr uint32_t COLOUR_UNKNOWN = 0xc00;  // blackColour not yet known
constexpr uint32_t COLOUR_WALL = 0xc00;     // a wall cell in a line code
constexpr uint32_t COLOUR_MASK = 0xc00;
constexpr uint32_t CELL_MASK = 0x3ff;
constexpr uint32_t MOVE_MASK = 0xfff;  // two words name the same move when these bits agree

constexpr uint32_t cellIndex(uint32_t x, uint32_t y) { return x * 32 + y; }
constexpr uint32_t cellOf(MoveWord m) { return m & CELL_MASK; }
constexpr uint32_t colourOf(MoveWord m) { return m & COLOUR_MASK; }
constexpr uint32_t xOf(MoveWord m) { return (m >> 5) & 31; }
constexpr uint32_t yOf(MoveWord m) { return m & 31; }
constexpr MoveWord makeMoveWord(uint32_t colour, uint32_t x, uint32_t y) {
    return colour | cellIndex(x, y);
}
constexpr uint32_t otherColour(uint32_t colour) { return colour ^ COLOUR_MASK; }

// ---------------------------------------------------------------------------
// Game rules
// ---------------------------------------------------------------------------

// The rule a game is played by, numbered as INFO RULE names them (renju is
// also sent as 4). Freestyle: five or more in a row wins, for either colour.
// Standard: exactly five wins, for either colour; six or more wins nothing.
// Renju: black wins with exactly five and may not make an overline, a double
// four or a double three; white wins with five or more.
enum GameRule : uint8_t {
    RULE_FREESTYLE = 0,
    RULE_STANDARD = 1,
    RULE_RENJU = 2,
};

// ---------------------------------------------------------------------------
// Directions
// ---------------------------------------------------------------------------

// 0: constant y (along x), 1: constant x (along y), 2: constant x+y
// (x+1, y-1), 3: constant x-y (x+1, y+1). The step is the change of the cell
// index from one position of the line to the next.
constexpr int DIRECTION_COUNT = 4;
constexpr int DIRECTION_STEP[DIRECTION_COUNT] = {32, 1, 31, 33};

// ---------------------------------------------------------------------------
// DirCode: what a stone of one colour on a cell makes in one direction
// ---------------------------------------------------------------------------

// DirCodes: what a stone of the mover on an empty cell makes in one line.
constexpr uint8_t CODE_OCCUPIED = 0;          // cell holds a stone that is not part of a five
constexpr uint8_t CODE_NOTHING = 1;           // nothing of three strength or more
constexpr uint8_t CODE_CLOSED_THREE = 2;      // a three that can only become a closed four
constexpr uint8_t CODE_TWO_CLOSED_THREES = 3;
constexpr uint8_t CODE_OVERLINE = 5;          // black only: six or more
constexpr uint8_t CODE_DOUBLE_FOUR = 6;       // black only: two fours in this line
constexpr uint8_t CODE_SPLIT_OPEN_THREE = 7;
constexpr uint8_t CODE_SOLID_OPEN_THREE = 8;
constexpr uint8_t CODE_FOUR = 9;              // a four with one completing cell
constexpr uint8_t CODE_FOUR_AND_THREE = 10;   // a four and a further closed three in this line
constexpr uint8_t CODE_OPEN_FOUR = 11;        // two completing cells (white: also two fours)
constexpr uint8_t CODE_FIVE = 12;
constexpr uint8_t CODE_IN_FIVE = 13;          // occupied by a mover's stone that lies in a five

// DirectionSlot / PatternTable entry fields (bit positions in the u64).
constexpr int SLOT_CODE_X_SHIFT = 0;
constexpr int SLOT_CODE_O_SHIFT = 8;
constexpr int SLOT_SCORE_X_SHIFT = 16;
constexpr int SLOT_SCORE_O_SHIFT = 24;
constexpr int SLOT_DETAIL_X_SHIFT = 32;
constexpr int SLOT_DETAIL_O_SHIFT = 48;

// Off-board cells and spare slots: DirCode 1 for both colours, all else 0.
constexpr uint64_t NO_PATTERN_SLOT = 0x0101;

// Detail field (16 bits per colour).
constexpr uint16_t DETAIL_KEY_MASK = 0x7f;     // bit k: key cell at offset k - shift
constexpr int DETAIL_SHIFT_SHIFT = 7;          // 3-bit shift field
constexpr int DETAIL_LEVEL_SHIFT = 10;         // 2-bit level field
constexpr uint16_t DETAIL_NO_THREAT_FLAG = 0x1000;
constexpr uint16_t LEVEL_OVERLINE = 0;
constexpr uint16_t LEVEL_FIVE_OR_NOTHING = 1;
constexpr uint16_t LEVEL_FOUR = 2;
constexpr uint16_t LEVEL_THREE = 3;
constexpr uint16_t NO_THREAT_DETAIL = 0x1400;  // code 1 (and an occupied cell outside a five)
constexpr uint16_t FIVE_DETAIL = 0x0400;       // codes 12 and 13

// Codes above this make the (cell, direction) pair a threat-list entry.
constexpr uint8_t CODE_THREAT_ABOVE = 4;

// The score field of an empty cell holds its shape code in the line (a
// stone on the cell has its worth there instead): the DirCode when a stone
// there makes three strength or more, else how far below it the line is.
// Codes 4, 14 and 15 are no DirCode, so each shape code names one thing.
constexpr uint8_t SHAPE_CODE_LONE = CODE_NOTHING;  // a five can still come through the cell
constexpr uint8_t SHAPE_CODE_DEAD = 4;             // no five can ever come through the cell
constexpr uint8_t SHAPE_CODE_TWO = 14;             // a stone there makes two in five free cells
constexpr uint8_t SHAPE_CODE_OPEN_TWO = 15;        // ... with both ends of a six free: an open three next

// ---------------------------------------------------------------------------
// CellClass: the combined threat class of a cell for one colour
// ---------------------------------------------------------------------------

constexpr uint8_t CLASS_NONE = 0;
constexpr uint8_t CLASS_FORBIDDEN = 1;
constexpr uint8_t CLASS_CLOSED_THREES = 2;
constexpr uint8_t CLASS_OPEN_THREE = 3;
constexpr uint8_t CLASS_FOUR = 4;
constexpr uint8_t CLASS_FOUR_CLOSED_THREE = 5;
constexpr uint8_t CLASS_DOUBLE_THREE = 6;
constexpr uint8_t CLASS_FOUR_THREE = 7;
constexpr uint8_t CLASS_OPEN_FOUR = 8;  // also a double four
constexpr uint8_t CLASS_FIVE = 9;       // the move makes five
constexpr uint8_t CLASS_FIVE_STANDS = 10;
constexpr int CLASS_COUNT = 11;

// The class pair of one cell, X's class first.
struct ClassPair {
    uint8_t x;
    uint8_t o;
};
static_assert(sizeof(ClassPair) == 2);

// ---------------------------------------------------------------------------
// DirectionSlot (u64): a copy of the pattern-table entry of a cell's window
// ---------------------------------------------------------------------------

constexpr uint8_t slotCodeX(uint64_t s) { return uint8_t(s); }
constexpr uint8_t slotCodeO(uint64_t s) { return uint8_t(s >> 8); }
constexpr uint8_t slotScoreX(uint64_t s) { return uint8_t(s >> 16); }
constexpr uint8_t slotScoreO(uint64_t s) { return uint8_t(s >> 24); }
// The shape code of an empty cell (meaningless on a cell with a stone).
constexpr uint8_t slotShapeCodeX(uint64_t s) { return uint8_t(s >> 16 & 15); }
constexpr uint8_t slotShapeCodeO(uint64_t s) { return uint8_t(s >> 24 & 15); }
constexpr uint64_t SHAPE_CODE_BITS = 0x0f0f0000;  // both shape codes of a slot
constexpr uint16_t slotDetailX(uint64_t s) { return uint16_t(s >> 32); }
constexpr uint16_t slotDetailO(uint64_t s) { return uint16_t(s >> 48); }

// The code and detail of the given colour (COLOUR_X or COLOUR_O).
constexpr uint8_t slotCode(uint64_t s, uint32_t colour) {
    return colour == COLOUR_X ? slotCodeX(s) : slotCodeO(s);
}
constexpr uint16_t slotDetail(uint64_t s, uint32_t colour) {
    return colour == COLOUR_X ? slotDetailX(s) : slotDetailO(s);
}

// Detail field: key-cell mask bits 0-6, shift 7-9, level 10-11, no-threat 12-15.
constexpr uint32_t detailKeyMask(uint16_t d) { return d & 0x7f; }
constexpr uint32_t detailShift(uint16_t d) { return (d >> 7) & 7; }
constexpr uint32_t detailLevel(uint16_t d) { return (d >> 10) & 3; }
constexpr bool detailNoThreat(uint16_t d) { return (d >> 12) != 0; }

// ---------------------------------------------------------------------------
// ThreatWord (u32): one (cell, direction) that makes at least a three
// ---------------------------------------------------------------------------

// Bits 0-9 cell, 10-11 colour, 12-13 direction, 14-20 key-cell mask,
// 21-23 shift, 24-25 level, 26-29 CellClass of the cell for the list's colour.
using ThreatWord = uint32_t;

constexpr uint32_t THREAT_IDENTITY_MASK = 0x3fff;  // cell, colour and direction
constexpr uint32_t THREAT_DETAIL_MASK = 0x3ffc000;  // mask, shift and level
constexpr uint32_t THREAT_CLASS_MASK = 0x3c000000;
constexpr uint32_t THREAT_CLASS_SHIFT = 26;

constexpr uint32_t threatCell(ThreatWord w) { return w & CELL_MASK; }
constexpr uint32_t threatColour(ThreatWord w) { return w & COLOUR_MASK; }
constexpr uint32_t threatDirection(ThreatWord w) { return (w >> 12) & 3; }
constexpr uint32_t threatKeyMask(ThreatWord w) { return (w >> 14) & 0x7f; }
constexpr uint32_t threatShift(ThreatWord w) { return (w >> 21) & 7; }
constexpr uint32_t threatLevel(ThreatWord w) { return (w >> 24) & 3; }
constexpr uint8_t threatClass(ThreatWord w) { return uint8_t((w >> THREAT_CLASS_SHIFT) & 15); }
constexpr ThreatWord withThreatClass(ThreatWord w, uint8_t cls) {
    return (w & ~THREAT_CLASS_MASK) | (uint32_t(cls) << THREAT_CLASS_SHIFT);
}

// The threat word of an entry word (cell | colour | direction << 12) whose
// window has the given pattern-table entry; class field 0.
constexpr ThreatWord threatWordX(uint32_t entryWord, uint64_t e) {
    return uint32_t((e >> 18) & THREAT_DETAIL_MASK) | entryWord;
}
constexpr ThreatWord threatWordO(uint32_t entryWord, uint64_t e) {
    return uint32_t(((e >> 48) << 14) & THREAT_DETAIL_MASK) | entryWord;
}

// ---------------------------------------------------------------------------
// Board geometry and capacities
// ---------------------------------------------------------------------------

constexpr uint32_t MIN_BOARD_SIZE = 5;
constexpr uint32_t MAX_BOARD_SIZE = 20;
constexpr uint32_t MAX_STONES = MAX_BOARD_SIZE * MAX_BOARD_SIZE;  // 400

// Per-cell arrays cover a 22 x 32 grid of cell indexes, so that a cell one or
// two steps off a 20 x 20 board still has an index inside them.
constexpr uint32_t BOARD_CELLS = 704;
// The class pairs cover cells 0-639 (x < 20).
constexpr uint32_t CLASS_CELLS = 640;

// Lines: 22 of each straight family, 43 of each diagonal family (2N-1 for the
// largest board plus room), 130 in all.
constexpr uint32_t STRAIGHT_LINE_ROOM = 22;
constexpr uint32_t DIAGONAL_LINE_ROOM = 43;
constexpr uint32_t LINE_COUNT = 2 * STRAIGHT_LINE_ROOM + 2 * DIAGONAL_LINE_ROOM;
constexpr uint32_t MAX_LINE_LENGTH = MAX_BOARD_SIZE;

// Threat words per colour in one record. A list never holds two words of
// one (cell, direction): a word is appended only when its slot is refreshed
// to a code above 4, right after the word of the old slot was removed if that
// code was above 4 too; the stone's own words leave the list when it is put;
// and a slot whose code changes is always refreshed (the update-mask
// contract), so a word stays only while its slot's code stays above 4. Hence
// at most one word per (cell, direction) of a 20 x 20 board: 4 * 400 = 1600.
constexpr uint32_t THREAT_LIST_CAPACITY = 4 * MAX_STONES;

// Cells whose class pair one putStone recomputes. The four lines flag at most
// 10 cells each (an update mask uses bits 0-10 and never bit 5, the stone's
// own cell; the line tests check this over the whole table), plus the placed
// cell itself: 41. Then one cell per class-1 word of the black list, and one
// per word of the black list whose table class is 6, 7 or 8 (7 or 8). Both
// picks read the same list of at most 1600 words, and a word can be picked by
// both (a double three judged forbidden keeps table class 6): 2 * 1600 more.
constexpr uint32_t RECHECK_CAPACITY = 4 * 10 + 1 + 2 * THREAT_LIST_CAPACITY;
// Cells a stone refreshes for their shape codes alone: at most 10 a line.
constexpr uint32_t SHAPE_CELL_CAPACITY = 4 * 10;

// Records. The game position pushes one per recorded stone on top of the
// set-up record: at most 1 + 400. A search copy starts from record 0 of a
// fresh copy; every push is either a stone (at most one per empty cell, the
// threat search included: at most 400 in all) or a null or virtual move (at
// most one per alpha-beta ply, and no node is searched at ply 128: at most
// 127). So 1 + 400 + 128 records cover both.
constexpr uint32_t STATE_RECORD_COUNT = 1 + MAX_STONES + 128;

// Stones in the history: at most one per on-board cell, 400; the array keeps
// the room of the class pairs (cells 0-639).
constexpr uint32_t HISTORY_CAPACITY = 640;
