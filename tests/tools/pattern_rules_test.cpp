// The pattern definitions behind the line tables: DirCodes, details with
// their key cells, stone scores and update masks of single windows.
//
// Windows are written for offsets -5..+5: x and o stones, # wall, . empty,
// + the empty centre. X is the mover throughout.
#include <gtest/gtest.h>

#include <set>

#include "board/tables.h"
#include "tools/tablegen/pattern_rules.h"

namespace {

struct CodeCase {
  const char* window;
  int black;  // DirCode of X when X is black
  int white;  // DirCode of X when X is white
};

const CodeCase CODE_CASES[] = {
    {"....x+.....", 1, 1},
    {".....+.....", 1, 1},
    // closed threes
    {"....o+xx...", 2, 2},
    {"..x..+x....", 2, 2},
    {"...x.+.x...", 2, 2},
    {"....x+x####", 2, 2},   // the wall leaves only a closed four
    {"....x+xo...", 2, 2},   // so does the opponent
    {".xx..+.x.x.", 3, 3},
    {"..xx.+.xx..", 3, 7},   // black: filling -1 or +1 would overline one side
    // overline and double four for black
    {"xxxxx+.....", 5, 12},
    {".xxxx+x....", 5, 12},
    {"..x.x+x.x..", 6, 11},
    // open threes
    {"...x.+x....", 7, 7},
    {"....x+.x...", 7, 7},
    {"...xx+.....", 8, 8},
    {"....x+x....", 8, 8},
    {".o.xx+.....", 8, 8},
    // fours
    {"....o+xxx..", 9, 9},
    {".xxx.+.....", 9, 9},
    {".oxxx+.....", 9, 9},
    {"##xxx+.....", 9, 9},
    {"o.xxx+o....", 9, 9},
    {"xx.xx+.....", 2, 9},   // the gap would make six for black
    {"x.xxx+.....", 9, 11},  // for white the left end completes an overline
    {".xxx.+.x.x.", 10, 10},
    {"..xxx+.....", 11, 11},
    {"#.xxx+.....", 11, 11},
    // fives
    {".xxxx+.....", 12, 12},
    {"..xxx+x....", 12, 12},
    {"#xxxx+....#", 12, 12},
    // occupied centre
    {".xxxxx.....", 13, 13},
    {"xxxxxx.....", 0, 13},
    {"..xxxx.....", 0, 0},
    {"xxxxxo.....", 0, 0},
};

TEST(PatternRules, DirCodesFollowTheDefinitions) {
  for (const CodeCase& c : CODE_CASES) {
    uint32_t window = windowFromText(c.window);
    EXPECT_EQ(sidePattern(window, CELL_X, true).code, c.black) << c.window << " with X black";
    EXPECT_EQ(sidePattern(window, CELL_X, false).code, c.white) << c.window << " with X white";
    // The same picture with the colours exchanged means the same for O.
    uint32_t swapped = swapColours(window);
    EXPECT_EQ(sidePattern(swapped, CELL_O, true).code, c.black) << c.window << " swapped, O black";
    EXPECT_EQ(sidePattern(swapped, CELL_O, false).code, c.white) << c.window << " swapped, O white";
  }
}

TEST(PatternRules, StoneOfTheOtherColourOnTheCentreIsCodeZero) {
  for (const char* text : {"x....o.....", ".ooooo.....", "xxxxxo....."}) {
    SidePattern x = sidePattern(windowFromText(text), CELL_X, true);
    EXPECT_EQ(x.code, CODE_OCCUPIED) << text;
    EXPECT_EQ(x.detail, NO_THREAT_DETAIL) << text;
    EXPECT_EQ(x.stoneScore, 0) << text;
  }
}

// The key-cell offsets a detail field names.
std::set<int> keyOffsets(uint16_t detail) {
  int shift = (detail >> DETAIL_SHIFT_SHIFT) & 7;
  std::set<int> offsets;
  for (int k = 0; k <= 6; ++k)
    if (detail & (1 << k)) offsets.insert(k - shift);
  return offsets;
}

struct DetailCase {
  const char* window;
  int code;
  uint16_t detail;
  std::set<int> keys;
};

TEST(PatternRules, DetailsNameLevelAndKeyCells) {
  const DetailCase cases[] = {
      // open four: the two ends
      {"..xxx+.....", 11, 0x0a21, {-4, 1}},
      // solid open three: the two cells next to the three
      {"...xx+.....", 8, 0x0e22, {-3, 1}},
      // split open three: the gap and both outer ends
      {"...x.+x....", 7, 0x0e4a, {-3, -1, 2}},
      // closed three: every cell that makes a four
      {"....o+xx...", 2, 0x0d60, {3, 4}},
      {".xx..+.x.x.", 3, 0x0dd6, {-2, -1, 1, 3}},
      // keys spanning nine cells: the far + key is dropped
      {"..xx.+.xx..", 3, 0x0e29, {-4, -1, 1}},
      // fours: the completion cells
      {".xxx.+.....", 9, 0x0a08, {-1}},
      {"....o+xxx..", 9, 0x0940, {4}},
      {".xxx.+.x.x.", 10, 0x0a08, {-1}},
      {"..x.x+x.x..", 6, 0x0a44, {-2, 2}},
      // no key cells
      {"....x+.....", 1, 0x1400, {}},
      {".xxxx+.....", 12, 0x0400, {}},
      {"xxxxx+.....", 5, 0x0000, {}},
      {".xxxxx.....", 13, 0x0400, {}},
      {"..xxxx.....", 0, 0x1400, {}},
  };
  for (const DetailCase& c : cases) {
    SidePattern x = sidePattern(windowFromText(c.window), CELL_X, true);
    EXPECT_EQ(x.code, c.code) << c.window;
    EXPECT_EQ(x.detail, c.detail) << c.window << " detail 0x" << std::hex << x.detail;
    EXPECT_EQ(keyOffsets(x.detail), c.keys) << c.window;
  }
}

TEST(PatternRules, StoneScoreCountsOpenSegmentsThroughTheStone) {
  struct ScoreCase {
    const char* window;
    int score;
  };
  const ScoreCase cases[] = {
      {".....x.....", 5},    // five segments with one stone each
      {"....xx.....", 1 * 1 + 4 * 4},
      {"....ox.....", 1},  // only the segment 0..+4 is open
      {"###..x.....", 3},    // walls close two segments
      {"xxxxxxxxxxx", 200},  // the largest score fits a byte
      {"....oxo....", 0},
  };
  for (const ScoreCase& c : cases) {
    uint32_t window = windowFromText(c.window);
    EXPECT_EQ(sidePattern(window, CELL_X, true).stoneScore, c.score) << c.window;
    EXPECT_EQ(sidePattern(window, CELL_O, false).stoneScore, 0) << c.window;
    EXPECT_EQ(sidePattern(swapColours(window), CELL_O, true).stoneScore, c.score) << c.window;
  }
  EXPECT_EQ(sidePattern(windowFromText(".....+xxxx."), CELL_X, true).stoneScore, 0);
}

// An empty centre's shape code: its DirCode from three strength on, below
// it the level; a stone on the centre has none.
TEST(PatternRules, ShapeCodesTellTheLevelsBelowThreeApart) {
  struct ShapeCase {
    const char* window;
    uint8_t shapeCode;
  };
  const ShapeCase cases[] = {
      {".....+.....", SHAPE_CODE_LONE},
      {"x....+....x", SHAPE_CODE_LONE},
      {"###..+o....", SHAPE_CODE_DEAD},  // walls and a stone leave four cells
      {"...o.+..o..", SHAPE_CODE_DEAD},
      {"....x+.....", SHAPE_CODE_OPEN_TWO},
      {"...x.+.....", SHAPE_CODE_OPEN_TWO},
      {"..x..+.....", SHAPE_CODE_OPEN_TWO},  // .x.xX. next
      {".x...+.....", SHAPE_CODE_TWO},       // no six holds both inside
      {"....x+o....", SHAPE_CODE_TWO},
      {"#...x+.....", SHAPE_CODE_OPEN_TWO},  // the wall is beyond the six
      {"...xx+.....", CODE_SOLID_OPEN_THREE},
      {"..oxx+o....", SHAPE_CODE_DEAD},      // three stones but no five to make
      {".xxxx+.....", CODE_FIVE},
      {"....x+x....", CODE_SOLID_OPEN_THREE},
      {".....x.....", 0},
  };
  for (const ShapeCase& c : cases) {
    const uint32_t window = windowFromText(c.window);
    EXPECT_EQ(sidePattern(window, CELL_X, true).shapeCode, c.shapeCode) << c.window;
    EXPECT_EQ(sidePattern(window, CELL_X, false).shapeCode, c.shapeCode) << c.window;
    EXPECT_EQ(sidePattern(swapColours(window), CELL_O, true).shapeCode, c.shapeCode) << c.window;
  }
  // The entry keeps an empty centre's code where a stone's worth goes.
  const uint64_t entry = patternEntry(windowFromText("....x+....."), TABLE_FREESTYLE);
  EXPECT_EQ(slotShapeCodeX(entry), SHAPE_CODE_OPEN_TWO);
  EXPECT_EQ(slotShapeCodeO(entry), SHAPE_CODE_LONE);
}

TEST(PatternRules, EntryPacksBothColoursOfTheVariant) {
  uint32_t window = windowFromText("xxxxx+.....");
  // X black: X overlines (code 5, detail 0); O has nothing here, a line
  // where a five can still come (shape code 1). The shape codes are bytes 2
  // and 3.
  EXPECT_EQ(patternEntry(window, CELL_X), 0x1400000001050105ull);
  // O black, so X is white: X makes five.
  EXPECT_EQ(patternEntry(window, CELL_O), 0x14000400010c010cull);
  // A stone on the centre: X's stone score in byte 2, O gets nothing.
  EXPECT_EQ(patternEntry(windowFromText(".....x....."), CELL_X), 0x1400140000050000ull);
}

TEST(PatternRules, ImpossibleWindowsHoldTheNoPatternValue) {
  for (const char* text : {".....#.....", "..#..+.....", ".....+..#..", "#.#..+.....", "..xxx+..#.#"}) {
    uint32_t window = windowFromText(text);
    EXPECT_FALSE(isPossibleWindow(window)) << text;
    EXPECT_EQ(patternEntry(window, CELL_X), NO_PATTERN_SLOT) << text;
    EXPECT_EQ(patternEntry(window, CELL_O), NO_PATTERN_SLOT) << text;
  }
  EXPECT_EQ(updateMask(windowFromText("..#..x.....")), 0);
  for (const char* text : {"#####+#####", "##...x.o.##", ".....+....."})
    EXPECT_TRUE(isPossibleWindow(windowFromText(text))) << text;
}

TEST(PatternRules, WindowTextEncodesCellsTwoBitsEach) {
  EXPECT_EQ(windowFromText(".....+....."), 0u);
  EXPECT_EQ(windowFromText(".....x....."), 1u << 10);
  EXPECT_EQ(windowFromText("o.........#"), 2u | 3u << 20);
  EXPECT_EQ(swapColours(windowFromText("xo#.+xo#...")), windowFromText("ox#.+ox#..."));
  // Malformed text is a caller error; it yields eleven walls.
  EXPECT_EQ(windowFromText("....."), 0x3fffffu);
  EXPECT_EQ(windowFromText(".....?....."), 0x3fffffu);
}

// The offsets an update mask marks: the cells whose codes may change, or
// (shapeOnly) those whose shape code alone may.
std::set<int> maskOffsets(uint32_t mask, bool shapeOnly) {
  if (shapeOnly) mask >>= SHAPE_MASK_SHIFT;
  std::set<int> offsets;
  for (int b = 0; b < 11; ++b)
    if (mask & (1u << b)) offsets.insert(b - 5);
  return offsets;
}

TEST(PatternRules, UpdateMaskMarksCellsThatAStoneCanChange) {
  struct MaskCase {
    const char* window;
    std::set<int> offsets;    // codes or details
    std::set<int> shapeOnly;  // shape codes alone
  };
  const MaskCase cases[] = {
      // a lone stone changes no code; every empty cell that shares five
      // cells with it changes its shape (its twos, the other colour's room),
      // walls aside
      {".....x.....", {}, {-4, -3, -2, -1, 1, 2, 3, 4}},
      {"##...x.....", {}, {-3, -2, -1, 1, 2, 3, 4}},
      {".....+.....", {}, {}},  // no stone on the centre
      // beside an opponent stone nothing is near a five, but the cells
      // beyond it lose that colour's room
      {"....ox.....", {}, {-4, -3, -2, 1, 2, 3, 4}},
      // the cells beyond x.x may make threes; nothing free for either
      // colour holds the centre and -2, so that cell stays
      {"###.ox.x...", {1, 3, 4}, {}},
      // two stones: the cells around them
      {"....xx.....", {-4, -3, -2, 1, 2, 3}, {4}},
      {"...x.x.....", {-4, -3, -1, 1, 2}, {3, 4}},
      // the stone completes a five: its stones may now lie in a five, and the
      // cell at -5 beside it may no longer complete an exact five
      {".xxxxx.....", {-5, -4, -3, -2, -1, 1, 2, 3}, {4}},
      // the opponent's two stones lose the room they had through the centre
      {"...oox.....", {-4, -3, 1, 2}, {3, 4}},
      // a cell five away never changes below three strength
      {"x....x....x", {}, {-4, -3, -2, -1, 1, 2, 3, 4}},
  };
  for (const MaskCase& c : cases) {
    uint32_t window = windowFromText(c.window);
    EXPECT_EQ(maskOffsets(updateMask(window), false), c.offsets) << c.window;
    EXPECT_EQ(maskOffsets(updateMask(window), true), c.shapeOnly) << c.window;
    EXPECT_EQ(updateMask(window) & 0xf800f800u, 0u) << c.window;  // offsets -5 ... 5 only
    EXPECT_EQ(updateMask(swapColours(window)), updateMask(window)) << c.window;
  }
}

}  // namespace
