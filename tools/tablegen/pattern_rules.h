// Pattern definitions of the line tables, answered straight from the rules.
//
// A window is the 11-cell piece of a line code around one cell: 22 bits, the
// cell at window index i (offset i - 5 from the centre) in bits 2i and 2i+1,
// 00 empty, 01 X, 10 O, 11 wall. For any window these functions say what a
// stone of either colour on the centre makes in that line (its DirCode and
// detail field), what a stone already on the centre is worth, and which
// neighbours must be refreshed after a stone lands on the centre.
//
// The table generator runs them once per window at build time; the tests use
// them to check the embedded tables and to ask "what is this window" without
// going through the tables. Nothing here is used by the engine at run time.
#pragma once

#include <cstdint>

#include "board/tables.h"

constexpr uint32_t CELL_EMPTY = 0;
constexpr uint32_t CELL_X = 1;
constexpr uint32_t CELL_O = 2;
constexpr uint32_t CELL_WALL = 3;

constexpr int WINDOW_CELLS = 11;
constexpr int CENTRE_INDEX = 5;
constexpr uint32_t WINDOW_COUNT = 1u << 22;

// The 2-bit content of the cell at window index 0..10.
uint32_t windowCell(uint32_t window, int index);

// Builds a window from 11 characters for offsets -5..+5: 'x' an X stone,
// 'o' an O stone, '#' a wall, '.' or '+' an empty cell. Any other character,
// or a text that is not exactly 11 characters long, is a caller error and
// yields the window of 11 walls.
uint32_t windowFromText(const char* text);

// A window that can occur on a board: walls only as one run at either end
// and never on the centre. Every other window holds the no-pattern entry
// and an empty update mask.
bool isPossibleWindow(uint32_t window);

// Exchanges X and O in every cell; walls and empty cells stay.
uint32_t swapColours(uint32_t window);

// What a stone of one colour (the mover) on the centre makes in this line.
// For an occupied centre: code 13 when the centre holds a mover's stone that
// lies in a five, else 0; stoneScore is the worth of the centre stone when
// it is the mover's (0 otherwise and for an empty centre). shapeCode is the
// empty centre's shape code (SHAPE_CODE_*, or the code from three strength
// on), 0 for an occupied one; the entry keeps it where the worth goes.
struct SidePattern {
  uint8_t code;
  uint16_t detail;
  uint8_t stoneScore;
  uint8_t shapeCode = 0;
};

// How one colour wins, and whether the forbidden-move rule binds it, in the
// tables of one game rule.
struct ColourRule {
  bool exactFive;   // only exactly five in a row wins; six or more is no five
  bool restricted;  // an overline or two fours in one line is a forbidden move
};

// Renju black, renju white (five or more), freestyle (five or more, either
// colour) and standard (exactly five, either colour, nobody restricted).
constexpr ColourRule RENJU_BLACK = {true, true};
constexpr ColourRule RENJU_WHITE = {false, false};
constexpr ColourRule FREESTYLE_COLOUR = {false, false};
constexpr ColourRule STANDARD_COLOUR = {true, false};

// The rule of each colour in a table variant: X's first.
struct TableRule {
  ColourRule x;
  ColourRule o;
};
TableRule tableRuleOf(TableVariant variant);

// mover is CELL_X or CELL_O.
SidePattern sidePattern(uint32_t window, uint32_t mover, ColourRule rule);
// The same under renju: moverIsBlack picks black's rule or white's.
SidePattern sidePattern(uint32_t window, uint32_t mover, bool moverIsBlack);

// The full pattern entry (DirectionSlot layout) of a window in a table
// variant. Impossible windows give the no-pattern value 0x0101.
uint64_t patternEntry(uint32_t window, TableVariant variant);
// The same for the renju variant in which blackCell (CELL_X or CELL_O) is black.
uint64_t patternEntry(uint32_t window, uint32_t blackCell);

// The cells to refresh after a stone landed on the centre of this window:
// bit b marks offset b - 5 as a cell whose code or detail may change (an
// empty cell) or that may have joined or left a five (a stone); bit
// SHAPE_MASK_SHIFT + b marks an empty cell where only the shape code may
// change. The same for every table variant: the cells beside a five are
// marked for both colours, as an exact five needs.
uint32_t updateMask(uint32_t window);
