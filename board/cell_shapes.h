// The shape of a cell for one colour: the four line codes of the cell (what a
// stone of that colour there would make in each direction), taken without
// regard to the order of the directions. The evaluation values each empty
// cell's shape for both colours, from a table per rule and colour, and the
// position keeps the sums of those values as stones come and go.
//
// What a caller may rely on: a shape depends only on the multiset of the
// four codes, and is SHAPE_OCCUPIED for an occupied cell (a code of 0 or
// 13); the tables in use follow the pattern-table variant (selectTableVariant)
// and are changed, like it, only while no search runs.
#pragma once

#include <cstdint>

#include "board/types.h"

// 0: an occupied cell; 1 ... 1365: the sorted four codes of an empty cell,
// each 1 ... 12, numbered in lexicographic order.
constexpr uint32_t SHAPE_COUNT = 1366;
constexpr uint16_t SHAPE_OCCUPIED = 0;
// The shape of a cell with nothing in any direction: worth nothing, since
// every empty cell far from the stones has it.
constexpr uint16_t SHAPE_NOTHING = 1;

// Index d0 | d1 << 4 | d2 << 8 | d3 << 12 (the DirCodes of directions 0-3, as
// ClassTable) -> shape. Built by buildShapeTable (buildClassTable calls it).
extern uint16_t ShapeTable[65536];
void buildShapeTable();

// The shape of four codes, each 0 ... 15 (what ShapeTable holds).
uint16_t shapeOfCodes(const uint8_t codes[DIRECTION_COUNT]);

// The four codes of a shape, ascending (all 0 for SHAPE_OCCUPIED).
void codesOfShape(uint16_t shape, uint8_t codes[DIRECTION_COUNT]);

inline uint16_t shapeX(const uint64_t* cellSlots) {
    return ShapeTable[(cellSlots[0] & 15) | (cellSlots[1] & 15) << 4 | (cellSlots[2] & 15) << 8 |
                      (cellSlots[3] & 15) << 12];
}
inline uint16_t shapeO(const uint64_t* cellSlots) {
    return ShapeTable[(cellSlots[0] >> 8 & 15) | (cellSlots[1] >> 8 & 15) << 4 | (cellSlots[2] >> 8 & 15) << 8 |
                      (cellSlots[3] >> 8 & 15) << 12];
}

// The shapes of one cell, X's first.
struct ShapePair {
    uint16_t x;
    uint16_t o;
};

// The values of the shapes of one colour's cells, in the evaluation's units
// before its scaling: as the side to move's cells (own) and as the other
// side's (other). SHAPE_OCCUPIED is worth nothing.
struct ShapeValues {
    int16_t own[SHAPE_COUNT];
    int16_t other[SHAPE_COUNT];
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
