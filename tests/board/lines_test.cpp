// Line operations: the threat-list removal rule, what adding and removing
// stones does to a line's slots and code, the threat words the lines write,
// and the update-mask property the line code relies on.
#include "board/lines.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "board/position.h"
#include "board/startup_tables.h"
#include "board/tables.h"

namespace {

TEST(ThreatListRemoval, RemovesTheFirstWordOfTheSameCellColourAndDirection) {
    struct Case {
        std::vector<ThreatWord> list;
        ThreatWord remove;
        std::vector<ThreatWord> after;
    };
    // A word with the given detail bits (14 and up) over cell, colour, direction.
    auto w = [](uint32_t detail, uint32_t id) { return detail << 14 | id; };
    const ThreatWord first = w(0x123, 0x4e9), second = w(0x222, 0x405), third = w(0x333, 0x406);
    const Case cases[] = {
        // Matched on cell, colour and direction only; the last word fills the hole.
        {{first, second, third}, w(0xfff, 0x4e9), {third, second}},
        // Only the first of two matching words goes.
        {{w(0x111, 0x4e9), w(0x222, 0x4e9), third}, 0x4e9, {third, w(0x222, 0x4e9)}},
        // The last word only shortens the list.
        {{second, third}, 0x406, {second}},
        // Another direction or colour is another word: nothing changes.
        {{second, third}, 0x1405, {second, third}},
        {{second, third}, 0x805, {second, third}},
        {{}, 0x405, {}},
    };
    auto list = std::make_unique<ThreatList>();
    for (const Case& c : cases) {
        list->count = uint32_t(c.list.size());
        std::copy(c.list.begin(), c.list.end(), list->words);
        removeThreatWord(*list, c.remove);
        EXPECT_EQ(std::vector<ThreatWord>(list->words, list->words + list->count), c.after);
    }
}

// Adding a stone walks the flagged cells of the window as positions of the
// line: every flag must name a cell of the line other than the stone's own.
TEST(UpdateMaskTable, FlagsOnlyNeighboursOnTheLine) {
    uint64_t badFlags = 0;
    for (uint32_t window = 0; window < TABLE_ENTRIES; ++window) {
        const uint32_t masks = updateMaskTable[window];
        const uint32_t mask = masks & 0xffff, shapeOnly = masks >> SHAPE_MASK_SHIFT;
        if ((mask | shapeOnly) & ~0x7dfu || (mask & shapeOnly) != 0) ++badFlags;
        for (uint32_t b = 0; b < 11; ++b)
            if (((mask | shapeOnly) >> b & 1) && ((window >> (2 * b)) & 3) == 3) ++badFlags;
            else if ((shapeOnly >> b & 1) && ((window >> (2 * b)) & 3) != 0) ++badFlags;  // a stone
    }
    EXPECT_EQ(badFlags, 0u);
}

class LineTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        buildClassTable();
        pos = std::make_unique_for_overwrite<Position>().release();
    }
    static void TearDownTestSuite() { delete pos; }
    void TearDown() override { selectTableVariant(COLOUR_X); }
    static Position* pos;
};
Position* LineTest::pos = nullptr;

TEST_F(LineTest, EmptyBoardSlotsHoldNoThreat) {
    reset(*pos, 15);
    for (uint32_t x = 0; x < 15; ++x)
        for (uint32_t y = 0; y < 15; ++y)
            for (int d = 0; d < DIRECTION_COUNT; ++d) {
                const uint64_t s = pos->slots[cellIndex(x, y)][d];
                ASSERT_EQ(slotCodeX(s), CODE_NOTHING);
                ASSERT_EQ(slotCodeO(s), CODE_NOTHING);
                ASSERT_EQ(slotDetailX(s), NO_THREAT_DETAIL);
                ASSERT_EQ(slotDetailO(s), NO_THREAT_DETAIL);
            }
    // Just off the board: the no-pattern value.
    EXPECT_EQ(pos->slots[cellIndex(15, 3)][1], NO_PATTERN_SLOT);
    EXPECT_EQ(pos->slots[cellIndex(3, 15)][0], NO_PATTERN_SLOT);
    EXPECT_EQ(pos->current->threatsX.count, 0u);
    EXPECT_EQ(pos->current->threatsO.count, 0u);
    // Line lengths: rows and columns N, diagonals 1 ... N ... 1.
    EXPECT_EQ(pos->lines[LINE_BASE[0] + 4].length, 15u);
    EXPECT_EQ(pos->lines[LINE_BASE[2] + 0].length, 1u);
    EXPECT_EQ(pos->lines[LINE_BASE[2] + 14].length, 15u);
    EXPECT_EQ(pos->lines[LINE_BASE[3] + 28].length, 1u);
    EXPECT_EQ(pos->lines[LINE_BASE[3] + 20].code, emptyLineCode(9));
}

// A lone stone changes no neighbour's codes, only the shapes of the cells
// within four in each line, and those only once a sync asks; a second stone
// beside it changes the codes around both. Taking them back gives every
// cell its slots and shapes back, whether the shapes were synced after each
// stone or once for both.
TEST_F(LineTest, LoneStoneChangesShapesAloneAndTwoAdjacentStonesTheirNeighbours) {
    for (const bool syncEach : {true, false}) {
        SCOPED_TRACE(syncEach ? "synced after each stone" : "synced once");
        reset(*pos, 15);
        const std::vector<ShapePair> empty(pos->shapes, pos->shapes + CLASS_CELLS);
        const std::vector<uint64_t> emptySlots(&pos->slots[0][0], &pos->slots[0][0] + BOARD_CELLS * DIRECTION_COUNT);
        const uint8_t openTwo[4] = {SHAPE_CODE_OPEN_TWO, CODE_NOTHING, CODE_NOTHING, CODE_NOTHING};
        makeMove(*pos, COLOUR_X | cellIndex(7, 7));
        for (int d = 0; d < DIRECTION_COUNT; ++d) EXPECT_EQ(pos->current->updateMask[d], 0);
        EXPECT_EQ(pos->current->changedCount, 1u);  // the cell itself
        EXPECT_EQ(pos->shapes[cellIndex(7, 9)].x, SHAPE_NOTHING);  // not yet
        if (syncEach) {
            syncShapes(*pos);
            EXPECT_EQ(pos->current->shapeCellCount, 32u);  // eight a line: X's twos
            EXPECT_EQ(pos->shapes[cellIndex(7, 9)].x, shapeOfCodes(openTwo));
            EXPECT_EQ(pos->shapes[cellIndex(7, 9)].o, SHAPE_NOTHING);
        }
        makeMove(*pos, COLOUR_X | cellIndex(8, 7));
        EXPECT_EQ(pos->current->updateMask[0], 0x1ce);  // the row through both stones: -4 ... -2, 1 ... 3
        EXPECT_EQ(pos->current->updateMask[1], 0);      // the column of 8,7: shapes alone
        EXPECT_GT(pos->current->changedCount, 1u);
        syncShapes(*pos);
        EXPECT_EQ(pos->current->shapeSyncBase, &pos->states[syncEach ? 1 : 0]);
        EXPECT_EQ(pos->shapes[cellIndex(7, 9)].x, shapeOfCodes(openTwo));
        unmakeMove(*pos, COLOUR_X | cellIndex(8, 7));
        unmakeMove(*pos, COLOUR_X | cellIndex(7, 7));
        uint32_t differing = 0;
        for (uint32_t c = 0; c < CLASS_CELLS; ++c)
            differing += pos->shapes[c].x != empty[c].x || pos->shapes[c].o != empty[c].o;
        EXPECT_EQ(differing, 0u);
        EXPECT_TRUE(std::equal(emptySlots.begin(), emptySlots.end(), &pos->slots[0][0]));
    }
}

TEST_F(LineTest, RemovingTheLastStoneRestoresTheEmptyLine) {
    reset(*pos, 15);
    const MoveWord stones[] = {COLOUR_X | cellIndex(3, 3), COLOUR_O | cellIndex(3, 4),
                               COLOUR_X | cellIndex(3, 6)};
    for (MoveWord m : stones) makeMove(*pos, m);
    for (int i = 2; i >= 0; --i) unmakeMove(*pos, stones[i]);
    const LineRecord& column = pos->lines[LINE_BASE[1] + 3];
    EXPECT_EQ(column.code, emptyLineCode(15));
    for (uint32_t k = 0; k < 15; ++k)
        EXPECT_EQ(*column.entries[k].slot, patternTable[lineWindow(column, k)]);
    for (uint32_t k = 0; k < 15; ++k) {
        EXPECT_EQ(slotCodeX(*column.entries[k].slot), CODE_NOTHING);
        EXPECT_EQ(slotDetailO(*column.entries[k].slot), NO_THREAT_DETAIL);
    }
}

TEST_F(LineTest, OverlineForBlackIsFiveForWhite) {
    std::string picture;
    for (int i = 0; i < 15 * 15; ++i) picture += " .";
    for (uint32_t x = 2; x <= 6; ++x) picture[1 + 2 * x + 2 * 15 * 7] = 'X';
    const uint32_t cell = cellIndex(7, 7);  // offsets -5 ... -1 hold X stones
    struct Case {
        uint32_t black;
        uint8_t code;
        uint8_t cls;
    };
    for (const Case& c : {Case{COLOUR_X, CODE_OVERLINE, CLASS_FORBIDDEN}, Case{COLOUR_O, CODE_FIVE, CLASS_FIVE}}) {
        setupFromPicture(*pos, picture, c.black);
        EXPECT_EQ(slotCodeX(pos->slots[cell][0]), c.code);
        EXPECT_EQ(pos->classes[cell].x, c.cls);
    }
}

// The stones of a five that stands are coded as lying in a five (a code
// above 4), yet they are no threat: the lists keep words of empty cells
// only, one per (cell, direction) whose code is above 4, however the five
// was completed and whoever is black.
TEST_F(LineTest, AFiveThatStandsLeavesWordsOfEmptyCellsOnly) {
    struct Case {
        const char* name;
        uint32_t black;
        std::vector<MoveWord> stones;  // played in this order; the last one completes the line
    };
    auto row7 = [](uint32_t colour, std::vector<uint32_t> xs) {
        std::vector<MoveWord> stones;
        for (uint32_t x : xs) stones.push_back(colour | cellIndex(x, 7));
        return stones;
    };
    const Case cases[] = {
        {"white five completed at its end", COLOUR_O, row7(COLOUR_X, {3, 4, 5, 6, 7})},
        {"white five completed in its middle", COLOUR_O, row7(COLOUR_X, {3, 4, 6, 7, 5})},
        {"black five", COLOUR_X, row7(COLOUR_X, {3, 4, 6, 7, 5})},
        {"black five of O in a column",
         COLOUR_O,
         {COLOUR_O | cellIndex(9, 2), COLOUR_O | cellIndex(9, 3), COLOUR_O | cellIndex(9, 5),
          COLOUR_O | cellIndex(9, 6), COLOUR_O | cellIndex(9, 4)}},
        {"white six on a diagonal",
         COLOUR_O,
         {COLOUR_X | cellIndex(1, 1), COLOUR_X | cellIndex(2, 2), COLOUR_X | cellIndex(3, 3),
          COLOUR_X | cellIndex(5, 5), COLOUR_X | cellIndex(6, 6), COLOUR_X | cellIndex(4, 4)}},
    };
    for (const Case& c : cases) {
        reset(*pos, 15);
        selectRuleTables(*pos, c.black);
        for (MoveWord m : c.stones) makeMove(*pos, m);
        const StateRecord& r = *pos->current;
        ASSERT_NE(r.classCountX[CLASS_FIVE_STANDS] + r.classCountO[CLASS_FIVE_STANDS], 0) << c.name;
        for (const ThreatList* list : {&r.threatsX, &r.threatsO}) {
            const bool ofX = list == &r.threatsX;
            uint32_t expected = 0;
            for (uint32_t x = 0; x < 15; ++x)
                for (uint32_t y = 0; y < 15; ++y)
                    for (int d = 0; d < DIRECTION_COUNT; ++d) {
                        const uint64_t s = pos->slots[cellIndex(x, y)][d];
                        expected += pos->cells[cellIndex(x, y)] == 0 &&
                                    (ofX ? slotCodeX(s) : slotCodeO(s)) > CODE_THREAT_ABOVE;
                    }
            EXPECT_EQ(list->count, expected) << c.name << (ofX ? ": X" : ": O");
            for (uint32_t i = 0; i < list->count; ++i)
                EXPECT_EQ(pos->cells[threatCell(list->words[i])], 0u)
                    << c.name << ": a word of the stone at " << (threatCell(list->words[i]) >> 5) << ","
                    << (threatCell(list->words[i]) & 31);
        }
    }
}

TEST_F(LineTest, OpenFourThreatWordNamesBothEndsAsKeyCells) {
    reset(*pos, 15);
    selectRuleTables(*pos, COLOUR_X);
    // ..xxx+..... around (7,7) along direction 0.
    for (uint32_t x : {4u, 5u, 6u}) putStone(*pos, COLOUR_X | cellIndex(x, 7));
    const StateRecord& r = *pos->current;
    ThreatWord found = 0;
    for (uint32_t i = 0; i < r.threatsX.count; ++i)
        if ((r.threatsX.words[i] & THREAT_IDENTITY_MASK) == (cellIndex(7, 7) | COLOUR_X | 0 << 12))
            found = r.threatsX.words[i];
    ASSERT_NE(found, 0u);
    EXPECT_EQ(slotCodeX(pos->slots[cellIndex(7, 7)][0]), CODE_OPEN_FOUR);
    EXPECT_EQ(threatLevel(found), LEVEL_FOUR);
    EXPECT_EQ(threatClass(found), CLASS_OPEN_FOUR);
    std::vector<uint32_t> keyCells;
    for (uint32_t k = 0; k < 7; ++k)
        if (threatKeyMask(found) >> k & 1)
            keyCells.push_back(threatCell(found) + (int(k) - int(threatShift(found))) * DIRECTION_STEP[0]);
    EXPECT_EQ(keyCells, (std::vector<uint32_t>{cellIndex(3, 7), cellIndex(8, 7)}));
}

}  // namespace
