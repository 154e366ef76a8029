// The embedded pattern tables: they hold what the pattern definitions say
// for every window under every rule, the renju O-black variant is the colour
// swap of the X-black one and the freestyle and standard tables are their own
// swaps, the variant switch follows the rule and the black colour, and the
// one set of update masks flags every cell whose slot a new stone changes
// under any rule (what keeps the incremental board correct).
#include "board/tables.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "tools/tablegen/pattern_rules.h"

namespace {

// The entry of the swapped window: the two colours' bytes and details exchanged.
uint64_t swapEntryColours(uint64_t entry) {
  uint64_t codes = (entry & 0xff) << 8 | ((entry >> 8) & 0xff);
  uint64_t scores = ((entry >> 16) & 0xff) << 24 | ((entry >> 24) & 0xff) << 16;
  uint64_t details = (entry >> 48) << 32 | ((entry >> 32) & 0xffff) << 48;
  return codes | scores | details;
}

const TableVariant VARIANTS[] = {TABLE_RENJU_O_BLACK, TABLE_RENJU_X_BLACK, TABLE_FREESTYLE, TABLE_STANDARD};

TEST(PatternTables, HoldTheDefinitionsForEveryWindow) {
  uint32_t possible = 0;
  uint32_t mismatches = 0;
  for (uint32_t window = 0; window < TABLE_ENTRIES; ++window) {
    possible += isPossibleWindow(window);
    bool same = updateMaskTable[window] == updateMask(window);
    for (TableVariant v : VARIANTS) same = same && patternTableOf(v)[window] == patternEntry(window, v);
    if (!same && ++mismatches <= 5) ADD_FAILURE() << "window 0x" << std::hex << window;
  }
  EXPECT_EQ(mismatches, 0u);
  EXPECT_EQ(possible, 397488u);  // (1+3+...+3^5) * (3+9+...+3^6)
  EXPECT_EQ(patternTableOf(TABLE_RENJU_X_BLACK), patternTableXBlack());
  EXPECT_EQ(patternTableOf(TABLE_RENJU_O_BLACK), patternTableOBlack());
}

TEST(PatternTables, FreestyleAndStandardTreatBothColoursAlike) {
  for (TableVariant v : {TABLE_FREESTYLE, TABLE_STANDARD}) {
    const uint64_t* table = patternTableOf(v);
    uint32_t mismatches = 0;
    for (uint32_t window = 0; window < TABLE_ENTRIES; ++window) {
      if (table[swapColours(window)] != swapEntryColours(table[window]) && ++mismatches <= 5)
        ADD_FAILURE() << "variant " << v << ", window 0x" << std::hex << window;
    }
    EXPECT_EQ(mismatches, 0u) << "variant " << v;
  }
}

TEST(PatternTables, WhatSixInARowIsUnderEachRule) {
  // X completes six; a gap that makes six besides a five on the other side;
  // two fours in one line.
  struct Case {
    const char* window;
    uint8_t renjuBlack, renjuWhite, freestyle, standard;
  };
  const Case cases[] = {
      {"xxxxx+.....", CODE_OVERLINE, CODE_FIVE, CODE_FIVE, CODE_NOTHING},
      {"..xxx+.x...", CODE_FOUR, CODE_OPEN_FOUR, CODE_OPEN_FOUR, CODE_FOUR},
      {"..x.x+x.x..", CODE_DOUBLE_FOUR, CODE_OPEN_FOUR, CODE_OPEN_FOUR, CODE_OPEN_FOUR},
      {"...xx+xx...", CODE_FIVE, CODE_FIVE, CODE_FIVE, CODE_FIVE},
  };
  for (const Case& c : cases) {
    const uint32_t window = windowFromText(c.window);
    EXPECT_EQ(patternTableOf(TABLE_RENJU_X_BLACK)[window] & 0xff, c.renjuBlack) << c.window;
    EXPECT_EQ(patternTableOf(TABLE_RENJU_O_BLACK)[window] & 0xff, c.renjuWhite) << c.window;
    EXPECT_EQ(patternTableOf(TABLE_FREESTYLE)[window] & 0xff, c.freestyle) << c.window;
    EXPECT_EQ(patternTableOf(TABLE_STANDARD)[window] & 0xff, c.standard) << c.window;
  }
  // A stone of a six lies in a five only where six wins.
  const uint32_t six = windowFromText("..xxxxxx...");
  EXPECT_EQ(patternTableOf(TABLE_RENJU_X_BLACK)[six] & 0xff, CODE_OCCUPIED);
  EXPECT_EQ(patternTableOf(TABLE_RENJU_O_BLACK)[six] & 0xff, CODE_IN_FIVE);
  EXPECT_EQ(patternTableOf(TABLE_FREESTYLE)[six] & 0xff, CODE_IN_FIVE);
  EXPECT_EQ(patternTableOf(TABLE_STANDARD)[six] & 0xff, CODE_OCCUPIED);
}

TEST(PatternTables, OBlackVariantIsTheColourSwapOfXBlack) {
  const uint64_t* xBlack = patternTableXBlack();
  const uint64_t* oBlack = patternTableOBlack();
  uint32_t mismatches = 0;
  for (uint32_t window = 0; window < TABLE_ENTRIES; ++window) {
    uint32_t swapped = swapColours(window);
    bool same = oBlack[swapped] == swapEntryColours(xBlack[window]) &&
                updateMaskTable[swapped] == updateMaskTable[window];
    if (!same && ++mismatches <= 5) ADD_FAILURE() << "window 0x" << std::hex << window;
  }
  EXPECT_EQ(mismatches, 0u);
}

TEST(PatternTables, EmptyLineCellsHaveNoThreat) {
  // A cell in the middle of an empty line, one at the edge of the board, and
  // the single cell of a corner diagonal.
  // Their shape codes (bytes 2 and 3): a five may still come through the
  // first two, never through the corner.
  struct EmptyCase {
    const char* text;
    uint64_t entry;
  };
  for (const EmptyCase& c : {EmptyCase{".....+.....", 0x1400140001010101ull},
                             EmptyCase{"#####+.....", 0x1400140001010101ull},
                             EmptyCase{"#####+#####", 0x1400140004040101ull}}) {
    uint32_t window = windowFromText(c.text);
    EXPECT_EQ(patternTableXBlack()[window], c.entry) << c.text;
    EXPECT_EQ(patternTableOBlack()[window], c.entry) << c.text;
  }
  // Windows that cannot occur hold the no-pattern value.
  EXPECT_EQ(patternTableXBlack()[windowFromText(".....#.....")], NO_PATTERN_SLOT);
  EXPECT_EQ(patternTableOBlack()[windowFromText("..#..x.....")], NO_PATTERN_SLOT);
  EXPECT_EQ(updateMaskTable[windowFromText("..#..x.....")], 0);
}

TEST(PatternTables, OverlineForBlackIsFiveForWhite) {
  uint32_t window = windowFromText("xxxxx+.....");
  EXPECT_EQ(patternTableXBlack()[window] & 0xff, CODE_OVERLINE);
  EXPECT_EQ(patternTableOBlack()[window] & 0xff, CODE_FIVE);
  uint64_t openFour = patternTableXBlack()[windowFromText("..xxx+.....")];
  EXPECT_EQ(openFour & 0xff, CODE_OPEN_FOUR);
  EXPECT_EQ((openFour >> SLOT_DETAIL_X_SHIFT) & 0xffff, 0x0a21u);
}

TEST(PatternTables, VariantSwitchFollowsTheRuleAndTheBlackColour) {
  EXPECT_EQ(patternTable, patternTableXBlack());  // the initial selection
  const uint32_t* masks = updateMaskTable;
  selectTableVariant(0x800);
  EXPECT_EQ(patternTable, patternTableOBlack());
  selectTableVariant(0xc00);  // not yet known: no change
  EXPECT_EQ(patternTable, patternTableOBlack());
  selectTableVariant(0);
  EXPECT_EQ(patternTable, patternTableOBlack());
  selectTableVariant(0x400);
  EXPECT_EQ(patternTable, patternTableXBlack());
  // The other rules have one table, whoever is black.
  for (uint32_t black : {0x400u, 0x800u, 0xc00u}) {
    selectTableVariant(RULE_FREESTYLE, black);
    EXPECT_EQ(patternTable, patternTableOf(TABLE_FREESTYLE));
    selectTableVariant(RULE_STANDARD, black);
    EXPECT_EQ(patternTable, patternTableOf(TABLE_STANDARD));
  }
  // Back to renju with black unknown: a renju table, not the last rule's.
  selectTableVariant(RULE_RENJU, 0xc00);
  EXPECT_EQ(patternTable, patternTableXBlack());
  selectTableVariant(RULE_RENJU, 0x800);
  EXPECT_EQ(patternTable, patternTableOBlack());
  selectTableVariant(0x400);
  EXPECT_EQ(updateMaskTable, masks);
  EXPECT_NE(patternTableXBlack(), patternTableOBlack());
}

TEST(PatternTables, UpdateMasksOfLoneAndPairedStones) {
  // A lone stone changes no code, only the shapes of the cells within four.
  EXPECT_EQ(updateMaskTable[windowFromText(".....x.....")], 0x03de0000u);
  EXPECT_EQ(updateMaskTable[windowFromText(".....o.....")], 0x03de0000u);
  EXPECT_EQ(updateMaskTable[windowFromText("#####x.....")], 0x03c00000u);
  // Two adjacent stones: the codes of the cells at -4..-2 and +1..+3 around
  // them, the shape of the cell at +4.
  EXPECT_EQ(updateMaskTable[windowFromText("....xx.....")], 0x020001ceu);
  EXPECT_EQ(updateMaskTable[windowFromText(".....oo....")], 0x0002039cu);
}

// A piece of a line around a centre cell: offsets -10..+10, so that the
// windows of every cell within five of the centre can be read.
constexpr int CONTEXT_REACH = 10;
constexpr int CONTEXT_CELLS = 2 * CONTEXT_REACH + 1;

struct LineContext {
  uint32_t cells[CONTEXT_CELLS];
};

uint32_t windowAt(const LineContext& line, int offset) {
  uint32_t window = 0;
  for (int i = 0; i < WINDOW_CELLS; ++i) window |= line.cells[CONTEXT_REACH + offset - 5 + i] << (2 * i);
  return window;
}

std::string contextText(const LineContext& line) {
  std::string text;
  for (uint32_t cell : line.cells) text += ".xo#"[cell];
  return text;
}

// Random line contexts: board edges and short lines are runs of walls at
// the ends; the centre is empty. emptyShare and xShare steer how crowded the
// line is and how much of it belongs to one colour.
LineContext randomContext(std::mt19937_64& random, double emptyShare, double xShare) {
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::uniform_int_distribution<int> wallRun(0, CONTEXT_REACH);
  LineContext line{};
  int leftWalls = unit(random) < 0.5 ? 0 : wallRun(random);
  int rightWalls = unit(random) < 0.5 ? 0 : wallRun(random);
  for (int i = 0; i < CONTEXT_CELLS; ++i) {
    if (i < leftWalls || i >= CONTEXT_CELLS - rightWalls) {
      line.cells[i] = CELL_WALL;
    } else if (unit(random) < emptyShare) {
      line.cells[i] = CELL_EMPTY;
    } else {
      line.cells[i] = unit(random) < xShare ? CELL_X : CELL_O;
    }
  }
  line.cells[CONTEXT_REACH] = CELL_EMPTY;
  return line;
}

constexpr uint64_t CODES_AND_DETAILS = 0xffffffff0000ffffull;
constexpr uint64_t CODES = 0xffffull;

struct MaskTally {
  long changed = 0;       // neighbour slots whose codes or details the stone changed
  long unmarked = 0;      // ... of which the mask's code half did not mark
  long shapeChanged = 0;  // empty neighbours whose shape codes alone changed
  long shapeUnmarked = 0; // ... of which neither half of the mask marked
};

// Puts a stone on the centre and checks that every cell whose codes or
// details changed (codes and details of an empty cell, codes of a stone),
// in any variant, is marked in the code half of the update mask of the
// centre's window, and every empty cell whose shape codes changed in one
// of its halves.
void checkStone(LineContext line, uint32_t stone, MaskTally& tally) {
  uint32_t before[WINDOW_CELLS];
  for (int offset = -5; offset <= 5; ++offset) before[offset + 5] = windowAt(line, offset);
  line.cells[CONTEXT_REACH] = stone;
  const uint32_t masks = updateMaskTable[windowAt(line, 0)];
  const uint32_t mask = masks & 0xffff, either = mask | masks >> SHAPE_MASK_SHIFT;
  for (int offset = -5; offset <= 5; ++offset) {
    uint32_t cell = line.cells[CONTEXT_REACH + offset];
    if (offset == 0 || cell == CELL_WALL) continue;
    uint64_t compared = cell == CELL_EMPTY ? CODES_AND_DETAILS : CODES;
    uint32_t after = windowAt(line, offset);
    bool changed = false, shapeChanged = false;
    for (TableVariant v : VARIANTS) {
      const uint64_t* table = patternTableOf(v);
      changed = changed || ((table[before[offset + 5]] ^ table[after]) & compared) != 0;
      shapeChanged = shapeChanged || (cell == CELL_EMPTY && ((table[before[offset + 5]] ^ table[after]) & SHAPE_CODE_BITS) != 0);
    }
    if (shapeChanged && !changed) {
      ++tally.shapeChanged;
      if (!((either >> (offset + 5)) & 1) && ++tally.shapeUnmarked <= 5)
        ADD_FAILURE() << "cell " << offset << "'s shape changed but is not marked; line " << contextText(line);
    }
    if (!changed) continue;
    ++tally.changed;
    if ((mask >> (offset + 5)) & 1) continue;
    if (++tally.unmarked <= 5)
      ADD_FAILURE() << "cell " << offset << " changed but is not marked; line " << contextText(line);
  }
}

TEST(PatternTables, UpdateMasksMarkEveryChangedNeighbour) {
  std::mt19937_64 random(20240611);
  struct Mix {
    double emptyShare;
    double xShare;
    int lines;
  };
  // Sparse and dense lines, mixed and nearly one-coloured (where fives,
  // overlines and long threats appear).
  const Mix mixes[] = {{0.6, 0.5, 600000}, {0.35, 0.5, 600000}, {0.15, 0.5, 400000},
                       {0.5, 0.9, 600000}, {0.3, 0.95, 600000}, {0.45, 0.75, 400000}};
  MaskTally tally;
  for (const Mix& mix : mixes) {
    for (int n = 0; n < mix.lines; ++n) {
      LineContext line = randomContext(random, mix.emptyShare, mix.xShare);
      checkStone(line, CELL_X, tally);
      checkStone(line, CELL_O, tally);
    }
  }
  EXPECT_EQ(tally.unmarked, 0);
  EXPECT_EQ(tally.shapeUnmarked, 0);
  EXPECT_GT(tally.changed, 1000000);  // the lines did exercise the masks
  EXPECT_GT(tally.shapeChanged, 1000000);
}

}  // namespace
