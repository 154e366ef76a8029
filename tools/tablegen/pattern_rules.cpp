// Pattern definitions of the line tables: DirCodes, details, stone scores
// and update masks of an 11-cell window.
//
// The pattern functions work on the mover's view of a window: two 11-bit
// masks (bit i = window index i) of the mover's stones and of the empty
// cells; everything else (the other colour, walls, the window's edge) blocks.
// "The run through the centre" is the maximal run of mover stones that
// contains the centre, inside the 11 cells.
#include "tools/tablegen/pattern_rules.h"

#include <algorithm>
#include <bit>
#include <initializer_list>


constexpr uint32_t ALL_CELLS = (1u << WINDOW_CELLS) - 1;
constexpr uint32_t CENTRE_BIT = 1u << CENTRE_INDEX;
constexpr uint32_t ALL_WALLS = (1u << 22) - 1;
constexpr uint32_t SEGMENT_CELLS = 0x1f;  // five consecutive cells
constexpr int PREFERRED_SHIFT = 4;
constexpr int MAX_KEY_BIT = 6;

// Worth of a stone per 5-cell segment through it that is still open for its
// colour, by the number of own stones in the segment (the stone included).
constexpr uint8_t SEGMENT_WORTH[6] = {0, 1, 4, 10, 20, 40};

uint32_t windowCell(uint32_t window, int index) {
  return (window >> (2 * index)) & 3;
}

uint32_t windowFromText(const char* text) {
  uint32_t window = 0;
  for (int i = 0; i < WINDOW_CELLS; ++i) {
    uint32_t cell;
    switch (text[i]) {
      case 'x': cell = CELL_X; break;
      case 'o': cell = CELL_O; break;
      case '#': cell = CELL_WALL; break;
      case '.':
      case '+': cell = CELL_EMPTY; break;
      default: return ALL_WALLS;
    }
    window |= cell << (2 * i);
  }
  return text[WINDOW_CELLS] == '\0' ? window : ALL_WALLS;
}

bool isPossibleWindow(uint32_t window) {
  if (windowCell(window, CENTRE_INDEX) == CELL_WALL) return false;
  // A wall must be followed by walls out to the window's edge (board edges
  // and the ends of short lines are the only walls).
  for (int i = 1; i < CENTRE_INDEX; ++i)
    if (windowCell(window, i) == CELL_WALL && windowCell(window, i - 1) != CELL_WALL) return false;
  for (int i = CENTRE_INDEX + 1; i < WINDOW_CELLS - 1; ++i)
    if (windowCell(window, i) == CELL_WALL && windowCell(window, i + 1) != CELL_WALL) return false;
  return true;
}

uint32_t swapColours(uint32_t window) {
  uint32_t lowBits = window & 0x155555;
  uint32_t highBits = (window >> 1) & 0x155555;
  return (lowBits << 1) | highBits;
}

// ---------------------------------------------------------------------------
// The mover's view: runs, fives, completion cells, four-makers.

struct Run {
  int low;
  int high;
  int length() const { return high - low + 1; }
  uint32_t cells() const { return (ALL_CELLS >> (WINDOW_CELLS - length())) << low; }
};

// own must hold the centre.
static Run runThroughCentre(uint32_t own) {
  int low = CENTRE_INDEX;
  int high = CENTRE_INDEX;
  while (low > 0 && ((own >> (low - 1)) & 1)) --low;
  while (high < WINDOW_CELLS - 1 && ((own >> (high + 1)) & 1)) ++high;
  return {low, high};
}

// Black needs exactly five; white counts five or more.
static bool isFive(int runLength, bool exactFive) {
  return exactFive ? runLength == 5 : runLength >= 5;
}

static bool hasFiveThroughCentre(uint32_t own, bool exactFive) {
  return isFive(runThroughCentre(own).length(), exactFive);
}

static uint32_t lowestCell(uint32_t cells) { return cells & (0u - cells); }

// The empty cells that complete a five through the centre.
static uint32_t completionCells(uint32_t own, uint32_t empty, bool exactFive) {
  uint32_t found = 0;
  for (uint32_t rest = empty; rest != 0; rest &= rest - 1) {
    uint32_t cell = lowestCell(rest);
    if (hasFiveThroughCentre(own | cell, exactFive)) found |= cell;
  }
  return found;
}

// A run through the centre exactly four long whose two end cells both
// complete a five.
static bool isStraightFour(uint32_t own, uint32_t empty, bool exactFive) {
  Run run = runThroughCentre(own);
  if (run.length() != 4 || run.low == 0 || run.high == WINDOW_CELLS - 1) return false;
  uint32_t lowEnd = 1u << (run.low - 1);
  uint32_t highEnd = 1u << (run.high + 1);
  return (empty & lowEnd) && (empty & highEnd) && hasFiveThroughCentre(own | lowEnd, exactFive) &&
         hasFiveThroughCentre(own | highEnd, exactFive);
}

// Empty cells after which the line holds a four through the centre.
static uint32_t fourMakers(uint32_t own, uint32_t empty, bool exactFive) {
  uint32_t found = 0;
  for (uint32_t rest = empty; rest != 0; rest &= rest - 1) {
    uint32_t cell = lowestCell(rest);
    if (completionCells(own | cell, empty & ~cell, exactFive) != 0) found |= cell;
  }
  return found;
}

// Empty cells after which the line holds a straight four through the centre.
static uint32_t straightFourMakers(uint32_t own, uint32_t empty, bool exactFive) {
  uint32_t found = 0;
  for (uint32_t rest = empty; rest != 0; rest &= rest - 1) {
    uint32_t cell = lowestCell(rest);
    if (isStraightFour(own | cell, empty & ~cell, exactFive)) found |= cell;
  }
  return found;
}

// The stones the line already had (centre excluded) in the run through the
// centre of placed; a white overline counts with all its stones.
static uint32_t fiveStones(uint32_t lineStones, uint32_t placed) {
  return lineStones & runThroughCentre(placed).cells() & ~CENTRE_BIT;
}

// A four with completion cell onlyCompletion also counts a further three
// (code 10) when two more stones on other empty cells make another five
// through the centre that shares none of the line's stones (centre aside)
// with the four's five: .xxx.+.x.x. is 10, .oxxx+..... stays 9.
static bool hasSeparateThree(uint32_t own, uint32_t empty, uint32_t onlyCompletion, bool exactFive) {
  uint32_t fourStones = fiveStones(own, own | onlyCompletion);
  uint32_t others = empty & ~onlyCompletion;
  for (uint32_t first = others; first != 0; first &= first - 1) {
    uint32_t e = lowestCell(first);
    for (uint32_t second = first & (first - 1); second != 0; second &= second - 1) {
      uint32_t placed = own | e | lowestCell(second);
      if (hasFiveThroughCentre(placed, exactFive) && (fiveStones(own, placed) & fourStones) == 0)
        return true;
    }
  }
  return false;
}

// Closed threes count as two separate ones (code 3) when two pairs of empty
// cells each complete a five through the centre and the two fives share none
// of the line's stones (centre aside): .xx..+.x.x. is 3.
static bool hasTwoSeparateThrees(uint32_t own, uint32_t empty, bool exactFive) {
  uint32_t stoneSets[55];
  int count = 0;
  for (uint32_t first = empty; first != 0; first &= first - 1) {
    uint32_t e = lowestCell(first);
    for (uint32_t second = first & (first - 1); second != 0; second &= second - 1) {
      uint32_t placed = own | e | lowestCell(second);
      if (hasFiveThroughCentre(placed, exactFive)) stoneSets[count++] = fiveStones(own, placed);
    }
  }
  for (int i = 0; i < count; ++i)
    for (int j = i + 1; j < count; ++j)
      if ((stoneSets[i] & stoneSets[j]) == 0) return true;
  return false;
}

// Key cells of an open three: the four-makers that stop it, i.e. after an
// opponent stone there no straight-four-maker is left. For ...xx+..... these
// are -3 and +1; for ...x.+x.... they are -3, -1 and +2.
static uint32_t openThreeKeyCells(uint32_t own, uint32_t empty, uint32_t makers, bool exactFive) {
  uint32_t keys = 0;
  for (uint32_t rest = makers; rest != 0; rest &= rest - 1) {
    uint32_t cell = lowestCell(rest);
    if (straightFourMakers(own, empty & ~cell, exactFive) == 0) keys |= cell;
  }
  return keys;
}

// Five stones through the centre need a 5-cell segment through it with no
// blocked cell; with at most two more stones to place it must already hold
// three. Without such a segment nothing reaches three strength: this only
// saves work, the steps below would find nothing either.
static bool canMakeThree(uint32_t own, uint32_t empty) {
  for (int low = CENTRE_INDEX - 4; low <= CENTRE_INDEX; ++low) {
    uint32_t segment = SEGMENT_CELLS << low;
    if ((segment & ~(own | empty)) == 0 && std::popcount(own & segment) >= 3) return true;
  }
  return false;
}

// ---------------------------------------------------------------------------
// Details.

static int offsetOf(uint32_t cell) { return std::countr_zero(cell) - CENTRE_INDEX; }

// Key cells go into a 7-bit mask with a shift: bit k is offset k - shift.
// The shift is 4 when the keys allow it, else the nearest shift that keeps
// every key bit inside 0..6. Keys spanning more than seven cells lose the
// cells farthest from the centre (the + side first on a tie) until they fit.
static uint16_t threatDetail(uint32_t keyCells, uint16_t level) {
  int lowShift = 0;
  int highShift = 0;
  while (keyCells != 0) {
    int minOffset = offsetOf(lowestCell(keyCells));
    int maxOffset = offsetOf(std::bit_floor(keyCells));
    lowShift = -minOffset;
    highShift = MAX_KEY_BIT - maxOffset;
    if (lowShift <= highShift) break;
    if (maxOffset >= -minOffset)
      keyCells &= ~std::bit_floor(keyCells);
    else
      keyCells &= keyCells - 1;
  }
  int shift = 0;
  uint16_t mask = 0;
  if (keyCells != 0) {
    shift = PREFERRED_SHIFT < lowShift ? lowShift : PREFERRED_SHIFT > highShift ? highShift : PREFERRED_SHIFT;
    for (uint32_t rest = keyCells; rest != 0; rest &= rest - 1)
      mask |= uint16_t(1u << (offsetOf(lowestCell(rest)) + shift));
  }
  return uint16_t(mask | shift << DETAIL_SHIFT_SHIFT | level << DETAIL_LEVEL_SHIFT);
}

// ---------------------------------------------------------------------------
// Codes.

// The code of an empty centre, step by step; own already holds the mover's
// stone on the centre (the line L'), empty excludes the centre. Levels: 3
// for threes (2, 3, 7, 8), 2 for fours (6, 9, 10, 11), 1 for a five and
// for nothing (1 also carries the no-threat flag), 0 for an overline.
static SidePattern emptyCentrePattern(uint32_t own, uint32_t empty, ColourRule rule) {
  const SidePattern nothing = {CODE_NOTHING, NO_THREAT_DETAIL, 0};
  const bool exactFive = rule.exactFive;
  Run run = runThroughCentre(own);
  // Six or more: forbidden for a restricted colour, no five for another one
  // that needs exactly five (nothing else can follow in this line).
  if (exactFive && run.length() >= 6)
    return rule.restricted ? SidePattern{CODE_OVERLINE, LEVEL_OVERLINE << DETAIL_LEVEL_SHIFT, 0} : nothing;
  if (isFive(run.length(), exactFive)) return {CODE_FIVE, FIVE_DETAIL, 0};

  // Fours: the key cells are exactly the completion cells. Two fours in one
  // line are forbidden for a restricted colour and as good as an open four
  // for any other.
  uint32_t completions = completionCells(own, empty, exactFive);
  if (std::popcount(completions) >= 2) {
    bool openFour = !rule.restricted || isStraightFour(own, empty, exactFive);
    return {openFour ? CODE_OPEN_FOUR : CODE_DOUBLE_FOUR, threatDetail(completions, LEVEL_FOUR), 0};
  }
  if (completions != 0) {
    bool withThree = hasSeparateThree(own, empty, completions, exactFive);
    return {withThree ? CODE_FOUR_AND_THREE : CODE_FOUR, threatDetail(completions, LEVEL_FOUR), 0};
  }

  if (!canMakeThree(own, empty)) return nothing;
  uint32_t makers = fourMakers(own, empty, exactFive);
  if (makers == 0) return nothing;
  if (straightFourMakers(own, empty, exactFive) != 0) {
    uint8_t code = run.length() == 3 ? CODE_SOLID_OPEN_THREE : CODE_SPLIT_OPEN_THREE;
    return {code, threatDetail(openThreeKeyCells(own, empty, makers, exactFive), LEVEL_THREE), 0};
  }
  // Closed threes: every four-maker is a key cell.
  uint8_t code = hasTwoSeparateThrees(own, empty, exactFive) ? CODE_TWO_CLOSED_THREES : CODE_CLOSED_THREE;
  return {code, threatDetail(makers, LEVEL_THREE), 0};
}

// Sum over the 5-cell segments through the centre that hold no wall and no
// opponent stone, by the number of own stones in each.
static uint8_t stoneScore(uint32_t own, uint32_t empty) {
  int score = 0;
  for (int low = CENTRE_INDEX - 4; low <= CENTRE_INDEX; ++low) {
    uint32_t segment = SEGMENT_CELLS << low;
    if ((segment & ~(own | empty)) == 0) score += SEGMENT_WORTH[std::popcount(own & segment)];
  }
  return uint8_t(score);
}

// The shape code of an empty centre whose code is `code`, own holding the
// mover's stone on the centre. Below three strength: dead without a 5-cell
// segment through the centre free of blocks; an open two when a free 6-cell
// stretch with empty ends holds the centre and another own stone inside
// (one more stone there is an open three); a two when a free segment holds
// two own stones or more; else a lone stone.
static uint8_t emptyShapeCode(uint8_t code, uint32_t own, uint32_t empty) {
  if (code != CODE_NOTHING) return code;
  const uint32_t free = own | empty;
  int most = 0;
  for (int low = CENTRE_INDEX - 4; low <= CENTRE_INDEX; ++low) {
    const uint32_t segment = SEGMENT_CELLS << low;
    if ((segment & ~free) == 0) most = std::max(most, std::popcount(own & segment));
  }
  if (most == 0) return SHAPE_CODE_DEAD;
  for (int low = CENTRE_INDEX - 4; low <= CENTRE_INDEX - 1; ++low) {
    const uint32_t inner = 0xfu << (low + 1);
    const uint32_t ends = 1u << low | 1u << (low + 5);
    if ((ends & ~empty) == 0 && (inner & ~free) == 0 && std::popcount(own & inner) >= 2) return SHAPE_CODE_OPEN_TWO;
  }
  return most >= 2 ? SHAPE_CODE_TWO : SHAPE_CODE_LONE;
}

TableRule tableRuleOf(TableVariant variant) {
  switch (variant) {
    case TABLE_RENJU_O_BLACK: return {RENJU_WHITE, RENJU_BLACK};
    case TABLE_RENJU_X_BLACK: return {RENJU_BLACK, RENJU_WHITE};
    case TABLE_FREESTYLE: return {FREESTYLE_COLOUR, FREESTYLE_COLOUR};
    case TABLE_STANDARD: return {STANDARD_COLOUR, STANDARD_COLOUR};
  }
  return {RENJU_BLACK, RENJU_WHITE};
}

SidePattern sidePattern(uint32_t window, uint32_t mover, bool moverIsBlack) {
  return sidePattern(window, mover, moverIsBlack ? RENJU_BLACK : RENJU_WHITE);
}

SidePattern sidePattern(uint32_t window, uint32_t mover, ColourRule rule) {
  uint32_t own = 0;
  uint32_t empty = 0;
  for (int i = 0; i < WINDOW_CELLS; ++i) {
    uint32_t cell = windowCell(window, i);
    if (cell == mover) own |= 1u << i;
    if (cell == CELL_EMPTY) empty |= 1u << i;
  }
  uint32_t centre = windowCell(window, CENTRE_INDEX);
  if (centre == CELL_WALL) return {CODE_NOTHING, 0, 0};
  if (centre == CELL_EMPTY) {
    SidePattern p = emptyCentrePattern(own | CENTRE_BIT, empty & ~CENTRE_BIT, rule);
    p.shapeCode = emptyShapeCode(p.code, own | CENTRE_BIT, empty & ~CENTRE_BIT);
    return p;
  }
  if (centre != mover) return {CODE_OCCUPIED, NO_THREAT_DETAIL, 0};
  bool inFive = hasFiveThroughCentre(own, rule.exactFive);
  return {inFive ? CODE_IN_FIVE : CODE_OCCUPIED, inFive ? FIVE_DETAIL : NO_THREAT_DETAIL, stoneScore(own, empty)};
}

uint64_t patternEntry(uint32_t window, uint32_t blackCell) {
  return patternEntry(window, blackCell == CELL_X ? TABLE_RENJU_X_BLACK : TABLE_RENJU_O_BLACK);
}

uint64_t patternEntry(uint32_t window, TableVariant variant) {
  if (!isPossibleWindow(window)) return NO_PATTERN_SLOT;
  const TableRule rule = tableRuleOf(variant);
  SidePattern x = sidePattern(window, CELL_X, rule.x);
  SidePattern o = sidePattern(window, CELL_O, rule.o);
  return uint64_t(x.code) << SLOT_CODE_X_SHIFT | uint64_t(o.code) << SLOT_CODE_O_SHIFT |
         uint64_t(x.stoneScore | x.shapeCode) << SLOT_SCORE_X_SHIFT |
         uint64_t(o.stoneScore | o.shapeCode) << SLOT_SCORE_O_SHIFT |
         uint64_t(x.detail) << SLOT_DETAIL_X_SHIFT | uint64_t(o.detail) << SLOT_DETAIL_O_SHIFT;
}

// ---------------------------------------------------------------------------
// Update masks.
//
// An empty cell's codes and details depend only on the fives through it that
// need at most two more stones (its fours, threes, key cells and the split
// into separate threes are all read from those), and, for black's exact
// five, on the cells right beside such a five. A new stone can only affect
// those fives by lying in them or right beside them. The segments examined
// are the 5-cell segments inside the window, which are exactly those that
// reach offsets -1..+1.

// Whether segment [low, low+4], read as it was before the stone arrived on
// the centre, is a five of colour c through cell k that needed at most two
// more stones before or needs at most two now; or (for the stone's own
// colour) such a five right beside the stone.
static bool segmentMayChange(uint32_t window, int k, int low, uint32_t colour, uint32_t placed) {
  int empties = 0;  // empty cells other than k, the centre counted as empty
  for (int i = low; i < low + 5; ++i) {
    if (i == k) continue;
    uint32_t cell = i == CENTRE_INDEX ? CELL_EMPTY : windowCell(window, i);
    if (cell == CELL_EMPTY)
      ++empties;
    else if (cell != colour)
      return false;
  }
  bool holdsCentre = low <= CENTRE_INDEX && CENTRE_INDEX < low + 5;
  if (holdsCentre) return colour == placed ? empties <= 3 : empties <= 2;
  return colour == placed && empties <= 2;
}

static bool emptyCellMayChange(uint32_t window, int k, uint32_t placed) {
  for (uint32_t colour : {CELL_X, CELL_O})
    for (int low = k - 4 < 0 ? 0 : k - 4; low <= k && low + 4 < WINDOW_CELLS; ++low)
      if (segmentMayChange(window, k, low, colour, placed)) return true;
  return false;
}

// A stone of the placed colour may have joined a five (code 0 -> 13) or its
// five may have grown into an overline (13 -> 0): some segment through it
// inside the window holds only that colour.
static bool stoneMayChange(uint32_t window, int k, uint32_t placed) {
  for (int low = k - 4 < 0 ? 0 : k - 4; low <= k && low + 4 < WINDOW_CELLS; ++low) {
    bool allPlaced = true;
    for (int i = low; i < low + 5; ++i) allPlaced = allPlaced && windowCell(window, i) == placed;
    if (allPlaced) return true;
  }
  return false;
}

// An empty cell's shape code below three strength reads the 5-cell
// segments through it and the 6-cell stretches with it inside that hold no
// other stone of the colour judged and no wall. The new stone can only
// change those that hold the centre too (all inside the window): the cell
// may change when one of them was still free for either colour.
static bool shapeMayChange(uint32_t window, int k) {
  const int first = k < CENTRE_INDEX ? k : CENTRE_INDEX, last = k < CENTRE_INDEX ? CENTRE_INDEX : k;
  for (uint32_t colour : {CELL_X, CELL_O})
    for (int length : {5, 6})
      for (int low = last - length + 1; low <= first; ++low) {
        if (low < 0 || low + length > WINDOW_CELLS) continue;
        if (length == 6 && (k == low || k == low + 5)) continue;
        bool free = true;
        for (int i = low; i < low + length && free; ++i) {
          const uint32_t cell = i == CENTRE_INDEX ? CELL_EMPTY : windowCell(window, i);
          free = cell == CELL_EMPTY || cell == colour;
        }
        if (free) return true;
      }
  return false;
}

uint32_t updateMask(uint32_t window) {
  if (!isPossibleWindow(window)) return 0;
  uint32_t placed = windowCell(window, CENTRE_INDEX);
  if (placed == CELL_EMPTY) return 0;
  uint32_t mask = 0;
  for (int k = 0; k < WINDOW_CELLS; ++k) {
    if (k == CENTRE_INDEX) continue;
    uint32_t cell = windowCell(window, k);
    if ((cell == CELL_EMPTY && emptyCellMayChange(window, k, placed)) ||
        (cell == placed && stoneMayChange(window, k, placed)))
      mask |= 1u << k;
    else if (cell == CELL_EMPTY && shapeMayChange(window, k))
      mask |= 1u << (k + SHAPE_MASK_SHIFT);
  }
  return mask;
}
