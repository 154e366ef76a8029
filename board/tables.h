// The precomputed line-pattern tables and the choice of the variant in use.
//
// Both tables are indexed by a window (22 bits: the 11 cells around a cell of
// a line, two bits each, the cell itself in bits 10-11). A PatternTable entry
// is the DirectionSlot of the centre cell: what a stone of either colour on
// it makes in that line (DirCodes, details with the key cells), and what a
// stone already there is worth. An UpdateMaskTable entry, for a window whose
// centre has just received a stone, marks the neighbours (bit b = offset
// b - 5) whose slots may have changed; every neighbour whose DirCodes or
// details change is marked.
//
// The tables are generated at build time and are part of the program's
// read-only data: nothing is read or computed at start-up, and the pointers
// below are valid before any code runs. The PatternTable exists in two
// variants, one where X is black (a five is exactly five for X, five or more
// for O) and one where O is black; the UpdateMaskTable is the same for both.
// The variant in use is process-wide and is switched only while no search
// runs.
#pragma once

#include <cstdint>

extern const uint64_t* patternTable;     // PatternTable variant in use; initially the X-black one
extern const uint16_t* updateMaskTable;  // UpdateMaskTable in use (both variants are the same table)
const uint64_t* patternTableXBlack();
const uint64_t* patternTableOBlack();
// Switches the two references: 0x400 -> X-black variant, 0x800 -> O-black; any other value leaves them as they are.
void selectTableVariant(uint32_t blackColour);

constexpr uint32_t TABLE_ENTRIES = 1u << 22;  // one entry per window
constexpr uint32_t WINDOW_BITS_MASK = 0x3fffff;

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
