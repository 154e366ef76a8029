#include "board/cell_shapes.h"

#include <algorithm>

uint16_t ShapeTable[65536];
ShapeValues ShapeValueSets[SHAPE_SET_COUNT];
constinit const ShapeValues* shapeValuesX = &ShapeValueSets[SHAPES_RENJU_BLACK];
constinit const ShapeValues* shapeValuesO = &ShapeValueSets[SHAPES_RENJU_WHITE];

namespace {

constexpr uint8_t LOWEST_CODE = CODE_NOTHING;  // 1
constexpr uint8_t HIGHEST_CODE = CODE_FIVE;    // 12

// The shape numbers of sorted code quadruples, filled in lexicographic order.
uint16_t shapeOfSorted[13][13][13][13];
uint8_t sortedCodes[SHAPE_COUNT][DIRECTION_COUNT];

}  // namespace

void buildShapeTable() {
    uint16_t next = 1;
    for (uint8_t a = LOWEST_CODE; a <= HIGHEST_CODE; ++a)
        for (uint8_t b = a; b <= HIGHEST_CODE; ++b)
            for (uint8_t c = b; c <= HIGHEST_CODE; ++c)
                for (uint8_t d = c; d <= HIGHEST_CODE; ++d) {
                    shapeOfSorted[a][b][c][d] = next;
                    sortedCodes[next][0] = a;
                    sortedCodes[next][1] = b;
                    sortedCodes[next][2] = c;
                    sortedCodes[next][3] = d;
                    ++next;
                }
    for (uint32_t index = 0; index < 65536; ++index) {
        const uint8_t codes[DIRECTION_COUNT] = {uint8_t(index & 15), uint8_t(index >> 4 & 15),
                                                uint8_t(index >> 8 & 15), uint8_t(index >> 12 & 15)};
        ShapeTable[index] = shapeOfCodes(codes);
    }
}

uint16_t shapeOfCodes(const uint8_t codes[DIRECTION_COUNT]) {
    uint8_t sorted[DIRECTION_COUNT] = {codes[0], codes[1], codes[2], codes[3]};
    std::sort(sorted, sorted + DIRECTION_COUNT);
    if (sorted[0] < LOWEST_CODE || sorted[3] > HIGHEST_CODE) return SHAPE_OCCUPIED;
    return shapeOfSorted[sorted[0]][sorted[1]][sorted[2]][sorted[3]];
}

void codesOfShape(uint16_t shape, uint8_t codes[DIRECTION_COUNT]) {
    for (int d = 0; d < DIRECTION_COUNT; ++d) codes[d] = shape < SHAPE_COUNT ? sortedCodes[shape][d] : 0;
}
