// The precomputed line-pattern tables and the choice of the variant in use.
//
// Both tables are indexed by a window (22 bits: the 11 cells around a cell of
// a line, two bits each, the cell itself in bits 10-11). A PatternTable entry
// is the DirectionSlot of the centre cell: what a stone of either colour on
// it makes in that line (DirCodes, details with the key cells), and what a
// stone already there is worth or, for an empty centre, its shape code. An
// UpdateMaskTable entry, for a window whose centre has just received a
// stone, marks the neighbours (bit b = offset b - 5) whose codes or details
// may have changed, and in bits SHAPE_MASK_SHIFT + b the empty ones whose
// shape code alone may have changed; every neighbour whose slot changes is
// marked in one of the two.
//
// The tables are generated at build time and are part of the program's
// read-only data: nothing is read or computed at start-up, and the pointers
// below are valid before any code runs. The PatternTable exists in one
// variant per game rule, two for renju (X black or O black); the
// UpdateMaskTable is the same for all. The variant in use is process-wide and
// is switched only while no search runs.
#pragma once

#include <cstdint>

#include "board/types.h"

// The PatternTable variants, in the order of the generated file: renju with
// O black and with X black (black needs exactly five and may not make an
// overline or two fours in a line), freestyle and standard (the same rule for
// both colours).
enum TableVariant : uint32_t {
    TABLE_RENJU_O_BLACK = 0,
    TABLE_RENJU_X_BLACK = 1,
    TABLE_FREESTYLE = 2,
    TABLE_STANDARD = 3,
};
constexpr uint32_t TABLE_VARIANT_COUNT = 4;

extern const uint64_t* patternTable;     // PatternTable variant in use; initially renju with X black
extern const uint32_t* updateMaskTable;  // the one UpdateMaskTable, which every variant shares
const uint64_t* patternTableOf(TableVariant variant);
const uint64_t* patternTableXBlack();  // the renju variants
const uint64_t* patternTableOBlack();
// Points patternTable at the variant of the rule: under renju by who is
// black (0x400 X, 0x800 O; while black is unknown a renju variant already in
// use stays, else X-black), under the other rules their one table.
void selectTableVariant(GameRule rule, uint32_t blackColour);
// The same under renju.
void selectTableVariant(uint32_t blackColour);

// Where an update mask's cells of shape changes alone begin.
constexpr uint32_t SHAPE_MASK_SHIFT = 16;

constexpr uint32_t TABLE_ENTRIES = 1u << 22;  // one entry per window
constexpr uint32_t WINDOW_BITS_MASK = 0x3fffff;
