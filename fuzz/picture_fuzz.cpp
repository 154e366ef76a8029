// Fuzz target for board pictures: arbitrary text set up as a position for
// either colour as black, then checked against the position's own invariants
// (every stone the picture set stands on the board).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "board/position.h"
#include "board/startup_tables.h"

namespace {
Position* position = nullptr;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    initReductions(2);
    buildClassTable();
    position = new Position;
    reset(*position, 20);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    // The first byte picks the colour that is black; the rest is the picture.
    const uint32_t black = data[0] & 1 ? COLOUR_X : COLOUR_O;
    std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::vector<MoveWord> marks = setupFromPicture(*position, text, black);
    for (MoveWord mark : marks) {
        if (xOf(cellOf(mark)) >= position->boardSize || yOf(cellOf(mark)) >= position->boardSize) std::abort();
    }
    return 0;
}
