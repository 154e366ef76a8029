// Typed access to the pattern tables embedded by the build (the symbols are
// defined in the generated assembler file of tools/tablegen) and the choice
// of the variant in use.
#include "board/tables.h"

extern "C" {
extern const uint16_t pebblonUpdateMaskTable[];
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
constinit const uint16_t* updateMaskTable = pebblonUpdateMaskTable;

const uint64_t* patternTableOf(TableVariant variant) { return VARIANTS[variant]; }

const uint64_t* patternTableXBlack() { return pebblonPatternTableRenjuXBlack; }

const uint64_t* patternTableOBlack() { return pebblonPatternTableRenjuOBlack; }

void selectTableVariant(GameRule rule, uint32_t blackColour) {
    switch (rule) {
        case RULE_FREESTYLE: patternTable = pebblonPatternTableFreestyle; return;
        case RULE_STANDARD: patternTable = pebblonPatternTableStandard; return;
        case RULE_RENJU: break;
    }
    if (blackColour == COLOUR_X) {
        patternTable = pebblonPatternTableRenjuXBlack;
    } else if (blackColour == COLOUR_O) {
        patternTable = pebblonPatternTableRenjuOBlack;
    } else if (patternTable != pebblonPatternTableRenjuXBlack && patternTable != pebblonPatternTableRenjuOBlack) {
        patternTable = pebblonPatternTableRenjuXBlack;
    }
}

void selectTableVariant(uint32_t blackColour) { selectTableVariant(RULE_RENJU, blackColour); }
