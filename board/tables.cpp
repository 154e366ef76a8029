// Typed access to the pattern tables embedded by the build (the symbols are
// defined in the generated assembler file of tools/tablegen) and the choice
// of the variant in use.
#include "board/tables.h"

#include "board/cell_shapes.h"

extern "C" {
extern const uint32_t pebblonUpdateMaskTable[];
extern const uint64_t pebblonPatternTableRenjuOBlack[];
extern const uint64_t pebblonPatternTableRenjuXBlack[];
extern const uint64_t pebblonPatternTableFreestyle[];
extern const uint64_t pebblonPatternTableStandard[];
}

namespace {

const uint64_t* const VARIANTS[TABLE_VARIANT_COUNT] = {
    pebblonPatternTableRenjuOBlack, pebblonPatternTableRenjuXBlack, pebblonPatternTableFreestyle,
    pebblonPatternTableStandard};

}  // namespace

// Addresses of static data: constant-initialised, so valid before any code runs.
constinit const uint64_t* patternTable = pebblonPatternTableRenjuXBlack;
constinit const uint32_t* updateMaskTable = pebblonUpdateMaskTable;

const uint64_t* patternTableOf(TableVariant variant) { return VARIANTS[variant]; }

const uint64_t* patternTableXBlack() { return pebblonPatternTableRenjuXBlack; }

const uint64_t* patternTableOBlack() { return pebblonPatternTableRenjuOBlack; }

namespace {

// The shape values of X's and O's cells follow the variant: X's codes are
// black's under the X-black renju table.
void selectShapeValues() {
    ShapeSet x = SHAPES_RENJU_BLACK, o = SHAPES_RENJU_WHITE;
    if (patternTable == pebblonPatternTableRenjuOBlack) {
        x = SHAPES_RENJU_WHITE;
        o = SHAPES_RENJU_BLACK;
    } else if (patternTable == pebblonPatternTableFreestyle) {
        x = o = SHAPES_FREESTYLE;
    } else if (patternTable == pebblonPatternTableStandard) {
        x = o = SHAPES_STANDARD;
    }
    shapeValuesX = &ShapeValueSets[x];
    shapeValuesO = &ShapeValueSets[o];
}

}  // namespace

void selectTableVariant(GameRule rule, uint32_t blackColour) {
    if (rule == RULE_FREESTYLE) {
        patternTable = pebblonPatternTableFreestyle;
    } else if (rule == RULE_STANDARD) {
        patternTable = pebblonPatternTableStandard;
    } else if (blackColour == COLOUR_X) {
        patternTable = pebblonPatternTableRenjuXBlack;
    } else if (blackColour == COLOUR_O) {
        patternTable = pebblonPatternTableRenjuOBlack;
    } else if (patternTable != pebblonPatternTableRenjuXBlack && patternTable != pebblonPatternTableRenjuOBlack) {
        patternTable = pebblonPatternTableRenjuXBlack;
    }
    selectShapeValues();
}

void selectTableVariant(uint32_t blackColour) { selectTableVariant(RULE_RENJU, blackColour); }
