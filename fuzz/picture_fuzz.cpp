// Fuzz target for board pictures: arbitrary text set up as a position for
// either colour as black, then checked against a reading of the same text
// that shares nothing with setupFromPicture. The board size, the stones and
// the marks are read straight from the characters; the stones then build a
// from-scratch ReferenceBoard (tests/support), and the position must agree
// with it cell by cell, slot by slot, in its class counts, threat lists,
// neighbourhood and key. Any disagreement prints the differences and aborts.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "board/position.h"
#include "board/startup_tables.h"
#include "board/tables.h"
#include "support/reference_board.h"

namespace {

Position* position = nullptr;
ReferenceBoard* reference = nullptr;

// What the picture says, read without the code under test: N x N cells of
// two characters each (separator, symbol) for N = 5 ... 20, row by row.
struct ReadPicture {
    uint32_t boardSize = 0;  // 0: the length fits no board
    std::vector<MoveWord> stones;
    std::vector<MoveWord> marks;  // x outer, y inner
};

ReadPicture readPicture(std::string_view text) {
    ReadPicture read;
    for (uint32_t n = 5; n <= 20; ++n)
        if (text.size() == 2 * size_t(n) * n) read.boardSize = n;
    const uint32_t n = read.boardSize;
    for (uint32_t x = 0; x < n; ++x)
        for (uint32_t y = 0; y < n; ++y) {
            const char symbol = text[2 * (size_t(y) * n + x) + 1];
            const uint32_t cell = y | x << 5;
            if (symbol == 'X') read.stones.push_back(cell | COLOUR_X);
            if (symbol == 'O') read.stones.push_back(cell | COLOUR_O);
            if (symbol == '!') read.marks.push_back(cell | COLOUR_X);
            if (symbol == '?') read.marks.push_back(cell | COLOUR_O);
        }
    return read;
}

[[noreturn]] void fail(const char* what, const std::string& details = "") {
    std::fprintf(stderr, "picture_fuzz: %s\n%s", what, details.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    initReductions(2);
    buildClassTable();
    position = new Position;
    reference = new ReferenceBoard;
    reset(*position, 20);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    // The first byte picks the colour that is black; the rest is the picture.
    const uint32_t black = data[0] & 1 ? COLOUR_X : COLOUR_O;
    std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::vector<MoveWord> marks = setupFromPicture(*position, text, black);

    const ReadPicture read = readPicture(text);
    const Position& pos = *position;
    if (pos.boardSize != read.boardSize) fail("wrong board size");
    if (pos.blackColour != black) fail("wrong black colour");
    const uint64_t* table = black == COLOUR_X ? patternTableXBlack() : patternTableOBlack();
    if (patternTable != table) fail("the table variant does not follow the black colour");
    if (pos.sideToMove != 1) fail("X is not to move");
    if (marks != read.marks) fail("the marks differ from the picture's");

    // The stone list, in any order, holds exactly the picture's stones.
    std::vector<MoveWord> listed(pos.history, pos.history + pos.stoneCount);
    std::vector<MoveWord> drawn = read.stones;
    std::sort(listed.begin(), listed.end());
    std::sort(drawn.begin(), drawn.end());
    if (listed != drawn) fail("the stone list differs from the picture's stones");

    // A picture's stones are left out of the key; X is to move.
    buildReference(*reference, read.boardSize, read.stones, table, true, false);
    const std::string differences = compareWithReference(pos, *reference);
    if (!differences.empty()) fail("the position differs from the reference:", differences);
    return 0;
}
