// The shape of a cell for one colour: the four shape codes of the cell (what
// a stone of that colour there would make in each direction, the levels
// below three strength told apart: board/types.h), taken without regard to
// the order of the directions. The evaluation values each empty cell's shape
// for both colours, from a table per rule and colour, and the position keeps
// the sums of those values as stones come and go.
//
// What a caller may rely on: a shape depends only on the multiset of the
// four codes, and is SHAPE_OCCUPIED for an occupied cell; the tables in use
// follow the pattern-table variant (selectTableVariant) and are changed,
// like it, only while no search runs.
#pragma once

#include <cstdint>

#include "board/types.h"

// The shape codes, in the order shapes are numbered: every code from 1 to
// 15 but 13 (a stone in a five, never an empty cell's).
constexpr uint32_t SHAPE_CODE_COUNT = 14;

// 0: an occupied cell; 1 ... 2380: the sorted four codes of an empty cell,
// numbered in lexicographic order.
constexpr uint32_t SHAPE_COUNT = 2381;
constexpr uint16_t SHAPE_OCCUPIED = 0;
// The shape of a cell far from every stone (a lone stone in each line):
// worth nothing, since most empty cells have it.
constexpr uint16_t SHAPE_NOTHING = 1;

// Index c0 | c1 << 4 | c2 << 8 | c3 << 12 (the shape codes of directions
// 0-3) -> shape; an index with a 0 or a 13 gives SHAPE_OCCUPIED. Built by
// buildShapeTable (buildClassTable calls it).
extern uint16_t ShapeTable[65536];
void buildShapeTable();

// The shape of four codes, each 0 ... 15 (what ShapeTable holds).
uint16_t shapeOfCodes(const uint8_t codes[DIRECTION_COUNT]);

// The four codes of a shape, ascending (all 0 for SHAPE_OCCUPIED).
void codesOfShape(uint16_t shape, uint8_t codes[DIRECTION_COUNT]);

// The shapes of a cell from its four slots. A stone on the cell leaves no
// shape code in the slots (its worth is there): its code is read instead.
inline uint16_t shapeX(const uint64_t* cellSlots) {
    const uint8_t code = slotCodeX(cellSlots[0]);
    if (code == CODE_OCCUPIED || code == CODE_IN_FIVE) return SHAPE_OCCUPIED;
    return ShapeTable[slotShapeCodeX(cellSlots[0]) | slotShapeCodeX(cellSlots[1]) << 4 |
                      slotShapeCodeX(cellSlots[2]) << 8 | slotShapeCodeX(cellSlots[3]) << 12];
}
inline uint16_t shapeO(const uint64_t* cellSlots) {
    const uint8_t code = slotCodeO(cellSlots[0]);
    if (code == CODE_OCCUPIED || code == CODE_IN_FIVE) return SHAPE_OCCUPIED;
    return ShapeTable[slotShapeCodeO(cellSlots[0]) | slotShapeCodeO(cellSlots[1]) << 4 |
                      slotShapeCodeO(cellSlots[2]) << 8 | slotShapeCodeO(cellSlots[3]) << 12];
}

// The shapes of one cell, X's first.
struct ShapePair {
    uint16_t x;
    uint16_t o;
};

// The values of the shapes of one colour's cells, in the evaluation's units
// before its scaling: as the side to move's cells (own) and as the other
// side's (other). SHAPE_OCCUPIED is worth nothing. A shape's two values lie
// side by side: a cell's refresh reads both with one load.
struct ShapeValue {
    int16_t own;
    int16_t other;
};
struct ShapeValues {
    ShapeValue of[SHAPE_COUNT];
};

// One set of values per kind of cell the rules tell apart: renju's black
// and white cells, and the cells of freestyle and of standard games (the
// same for both colours).
enum ShapeSet : uint32_t {
    SHAPES_RENJU_BLACK = 0,
    SHAPES_RENJU_WHITE = 1,
    SHAPES_FREESTYLE = 2,
    SHAPES_STANDARD = 3,
};
constexpr uint32_t SHAPE_SET_COUNT = 4;

// The values the evaluation uses (it fills them), and the sets of X's and
// O's cells under the pattern-table variant in use.
extern ShapeValues ShapeValueSets[SHAPE_SET_COUNT];
extern const ShapeValues* shapeValuesX;
extern const ShapeValues* shapeValuesO;

// Whether the board keeps the cells' shapes and the sums of their values
// (on at first). With every value 0 the sums are 0 anyway: the engine then
// turns it off at start-up, and syncShapes does nothing, so the slots of
// the cells whose shape codes alone a stone may change keep their old ones.
// Set before any position is set up, never during a game.
extern bool shapesTracked;
