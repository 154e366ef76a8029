// Test support: board pictures drawn one character per cell ('X', 'O', and
// anything else empty), row y = 0 first, turned into the two-characters-per-
// cell format that setupFromPicture reads. Rows not drawn and cells beyond a
// row's end are empty.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

std::string pictureFromRows(const std::vector<std::string_view>& rows, uint32_t boardSize);
