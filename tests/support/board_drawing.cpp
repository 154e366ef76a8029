#include "support/board_drawing.h"

std::string pictureFromRows(const std::vector<std::string_view>& rows, uint32_t boardSize) {
    std::string picture;
    for (uint32_t y = 0; y < boardSize; ++y)
        for (uint32_t x = 0; x < boardSize; ++x) {
            const char c = y < rows.size() && x < rows[y].size() ? rows[y][x] : '.';
            picture += ' ';
            picture += c == 'X' || c == 'O' ? c : '.';
        }
    return picture;
}
