#include "board/cell_shapes.h"

#include <algorithm>

uint16_t ShapeTable[65536];
ShapeValues ShapeValueSets[SHAPE_SET_COUNT];
bool shapesTracked = true;
constinit const ShapeValues* shapeValuesX = &ShapeValueSets[SHAPES_RENJU_BLACK];
constinit const ShapeValues* shapeValuesO = &ShapeValueSets[SHAPES_RENJU_WHITE];

namespace {

// A shape code's rank among the codes (-1: none, the occupied ones).
constexpr int8_t CODE_RANK[16] = {-1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, -1, 12, 13};

// The shape numbers of sorted rank quadruples, filled in lexicographic order.
uint16_t shapeOfSorted[SHAPE_CODE_COUNT][SHAPE_CODE_COUNT][SHAPE_CODE_COUNT][SHAPE_CODE_COUNT];
uint8_t sortedCodes[SHAPE_COUNT][DIRECTION_COUNT];

uint8_t codeOfRank(int rank) {
    for (uint8_t code = 0; code < 16; ++code)
        if (CODE_RANK[code] == rank) return code;
    return 0;
}

}  // namespace

void buildShapeTable() {
    uint16_t next = 1;
    for (uint32_t a = 0; a < SHAPE_CODE_COUNT; ++a)
        for (uint32_t b = a; b < SHAPE_CODE_COUNT; ++b)
            for (uint32_t c = b; c < SHAPE_CODE_COUNT; ++c)
                for (uint32_t d = c; d < SHAPE_CODE_COUNT; ++d) {
                    shapeOfSorted[a][b][c][d] = next;
                    const uint32_t ranks[DIRECTION_COUNT] = {a, b, c, d};
                    for (int k = 0; k < DIRECTION_COUNT; ++k) sortedCodes[next][k] = codeOfRank(int(ranks[k]));
                    ++next;
                }
    for (uint32_t index = 0; index < 65536; ++index) {
        const uint8_t codes[DIRECTION_COUNT] = {uint8_t(index & 15), uint8_t(index >> 4 & 15),
                                                uint8_t(index >> 8 & 15), uint8_t(index >> 12 & 15)};
        ShapeTable[index] = shapeOfCodes(codes);
    }
}

uint16_t shapeOfCodes(const uint8_t codes[DIRECTION_COUNT]) {
    int ranks[DIRECTION_COUNT];
    for (int d = 0; d < DIRECTION_COUNT; ++d) {
        ranks[d] = codes[d] < 16 ? CODE_RANK[codes[d]] : -1;
        if (ranks[d] < 0) return SHAPE_OCCUPIED;
    }
    std::sort(ranks, ranks + DIRECTION_COUNT);
    return shapeOfSorted[ranks[0]][ranks[1]][ranks[2]][ranks[3]];
}

void codesOfShape(uint16_t shape, uint8_t codes[DIRECTION_COUNT]) {
    for (int d = 0; d < DIRECTION_COUNT; ++d) codes[d] = shape < SHAPE_COUNT ? sortedCodes[shape][d] : 0;
}
