#include "board/exact_forbidden.h"

#include <cstring>

namespace {

// How deep completion cells are judged: the tested stone is level 0, each
// nested completion cell one more. Real positions rarely need more than two
// or three levels; beyond the bound a completion cell counts as legal.
constexpr int MAX_LEVEL = 6;

// What one point of a line holds, seen from black.
enum Point : uint8_t { EMPTY, BLACK, BLOCKED };

// The line through a cell in one direction, offsets -REACH ... +REACH: far
// enough to see a five window with the points beyond it, and a straight four
// with the points beyond its two ends.
constexpr int REACH = 5;
constexpr int LINE_LENGTH = 2 * REACH + 1;

// The change of x and y for one step in each direction (steps 32, 1, 31, 33).
constexpr int STEP_X[DIRECTION_COUNT] = {1, 0, 1, 1};
constexpr int STEP_Y[DIRECTION_COUNT] = {0, 1, -1, 1};

struct Line {
    Point at[LINE_LENGTH];
    Point& operator[](int offset) { return at[offset + REACH]; }
};

Line readLine(const ExactBoard& board, uint32_t cell, int d) {
    Line line;
    const int x0 = int(cell >> 5), y0 = int(cell & 31);
    for (int k = -REACH; k <= REACH; ++k) {
        const int x = x0 + k * STEP_X[d], y = y0 + k * STEP_Y[d];
        if (x < 0 || y < 0 || x >= int(board.boardSize) || y >= int(board.boardSize)) {
            line[k] = BLOCKED;
            continue;
        }
        const uint32_t stone = board.cells[uint32_t(x) * 32 + uint32_t(y)];
        line[k] = stone == 0 ? EMPTY : stone == board.blackColour ? BLACK : BLOCKED;
    }
    return line;
}

// The black run through offset 0 (which holds black): its first and last offsets.
void runThroughCentre(Line& line, int& first, int& last) {
    first = last = 0;
    while (first > -REACH && line[first - 1] == BLACK) --first;
    while (last < REACH && line[last + 1] == BLACK) ++last;
}

// The fours the black stone at offset 0 makes on this line: a four is the
// set of four black stones that one more stone completes to an exact five
// through the centre. A straight four has two such points but one set of
// stones; x.xXx.x has two points and two sets (two fours on one line).
int foursOnLine(Line& line) {
    uint32_t sets[2 * REACH];
    int count = 0;
    for (int e = -4; e <= 4; ++e) {
        if (line[e] != EMPTY) continue;
        line[e] = BLACK;
        int first, last;
        runThroughCentre(line, first, last);
        line[e] = EMPTY;
        if (last - first + 1 != 5 || e < first || e > last) continue;
        uint32_t stones = 0;
        for (int k = first; k <= last; ++k)
            if (k != e) stones |= 1u << (k + REACH);
        bool seen = false;
        for (int i = 0; i < count; ++i) seen |= sets[i] == stones;
        if (!seen) sets[count++] = stones;
    }
    return count;
}

bool forbiddenAt(ExactBoard& board, uint32_t cell, int level);

uint32_t cellAlong(uint32_t cell, int d, int offset) {
    const int x = int(cell >> 5) + offset * STEP_X[d], y = int(cell & 31) + offset * STEP_Y[d];
    return uint32_t(x) * 32 + uint32_t(y);
}

// Whether the black stone at offset 0 (already on the board) makes a real
// open three on this line: some empty cell turns it into a straight four
// (exactly four in a row, both ends empty, each end an exact five) and that
// cell is itself a legal black move with the stone standing.
bool realThreeOnLine(ExactBoard& board, Line& line, uint32_t cell, int d, int level) {
    for (int e = -3; e <= 3; ++e) {
        if (line[e] != EMPTY) continue;
        line[e] = BLACK;
        int first, last;
        runThroughCentre(line, first, last);
        const bool straightFour = last - first + 1 == 4 && e >= first && e <= last && line[first - 1] == EMPTY &&
                                  line[last + 1] == EMPTY && line[first - 2] != BLACK && line[last + 2] != BLACK;
        line[e] = EMPTY;
        if (!straightFour) continue;
        if (level + 1 > MAX_LEVEL || !forbiddenAt(board, cellAlong(cell, d, e), level + 1)) return true;
    }
    return false;
}

// The verdict on an empty cell of the board; the board is restored.
bool forbiddenAt(ExactBoard& board, uint32_t cell, int level) {
    board.cells[cell] = board.blackColour;
    Line lines[DIRECTION_COUNT];
    bool overline = false;
    bool five = false;
    for (int d = 0; d < DIRECTION_COUNT; ++d) {
        lines[d] = readLine(board, cell, d);
        int first, last;
        runThroughCentre(lines[d], first, last);
        five |= last - first + 1 == 5;
        overline |= last - first + 1 >= 6;
    }
    bool forbidden = false;
    if (!five) {
        if (overline) {
            forbidden = true;
        } else {
            int fours = 0;
            bool fourOnLine[DIRECTION_COUNT];
            for (int d = 0; d < DIRECTION_COUNT; ++d) {
                const int n = foursOnLine(lines[d]);
                fourOnLine[d] = n > 0;
                fours += n;
            }
            if (fours >= 2) {
                forbidden = true;
            } else {
                // A line that makes a four is not also counted as a three.
                int threes = 0;
                for (int d = 0; d < DIRECTION_COUNT && threes < 2; ++d)
                    if (!fourOnLine[d] && realThreeOnLine(board, lines[d], cell, d, level)) ++threes;
                forbidden = threes >= 2;
            }
        }
    }
    board.cells[cell] = 0;
    return forbidden;
}

}  // namespace

void loadExactBoard(ExactBoard& board, const uint32_t* cells, uint32_t boardSize, uint32_t blackColour) {
    board.boardSize = boardSize;
    board.blackColour = blackColour;
    std::memset(board.cells, 0, sizeof board.cells);
    std::memcpy(board.cells, cells, sizeof(uint32_t) * 32 * boardSize);
}

bool isExactlyForbidden(ExactBoard& board, uint32_t cell) {
    const uint32_t x = cell >> 5, y = cell & 31;
    if (cell >= BOARD_CELLS || x >= board.boardSize || y >= board.boardSize || board.cells[cell] != 0) return false;
    return forbiddenAt(board, cell, 0);
}

bool isExactlyForbidden(const uint32_t* cells, uint32_t boardSize, uint32_t blackColour, uint32_t cell) {
    ExactBoard board;
    loadExactBoard(board, cells, boardSize, blackColour);
    return isExactlyForbidden(board, cell);
}
