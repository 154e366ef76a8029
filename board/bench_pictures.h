// The board pictures that the benchmark searches one after the other.
//
// Each entry is a square board in the picture format that setupFromPicture
// reads: N rows of N cells, two characters per cell (a space, then the
// symbol), so the symbol of cell (x, y) is character 1 + 2x + 2N*y. Symbols:
// '.' empty, 'X' and 'O' stones, '!' a marked cell for X, '?' a marked cell
// for O; the digits '1'-'9' and letters 'A'-'E' are annotations on empty
// cells. Every position is meant to be searched with X as black and X to
// move.
//
// The list is constant data, fully built before the program's entry runs,
// so any code may read it at any time. It holds 41 pictures: the first is a
// 7 x 7 board, the seventh a 6 x 6 board, all others 20 x 20.
#pragma once

#include <array>
#include <string_view>

inline constexpr int BENCHMARK_PICTURE_COUNT = 41;

extern const std::array<std::string_view, BENCHMARK_PICTURE_COUNT> benchmarkPictures;
