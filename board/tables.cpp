// Typed access to the pattern tables embedded by the build (the symbols are
// defined in the generated assembler file of tools/tablegen) and the choice
// of the variant in use.
#include "board/tables.h"

extern "C" {
extern const uint16_t pebblonUpdateMaskTable[];
extern const uint64_t pebblonPatternTableOBlack[];
extern const uint64_t pebblonPatternTableXBlack[];
}

// Addresses of static data: constant-initialised, so valid before any code runs.
constinit const uint64_t* patternTable = pebblonPatternTableXBlack;
constinit const uint16_t* updateMaskTable = pebblonUpdateMaskTable;

const uint64_t* patternTableXBlack() { return pebblonPatternTableXBlack; }

const uint64_t* patternTableOBlack() { return pebblonPatternTableOBlack; }

void selectTableVariant(uint32_t blackColour) {
  if (blackColour == 0x400) {
    patternTable = pebblonPatternTableXBlack;
  } else if (blackColour == 0x800) {
    patternTable = pebblonPatternTableOBlack;
  }
  // updateMaskTable stays: both variants share the one UpdateMaskTable.
}
