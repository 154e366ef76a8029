#include "board/startup_tables.h"

#include <algorithm>
#include <cstring>

#include "board/cell_shapes.h"

uint8_t ClassTable[65536];
int32_t reductionsA[2][64][64];
int32_t reductionsB[2][64][64];
int32_t moveCountsA[16];
int32_t moveCountsB[16];

// ln d for d = 1 ... 63, each the double nearest the exact value (written in
// hexadecimal, so that it is read exactly), 0 for d = 0. The reduction
// tables come from these rather than from the C library's log, whose last
// bit may differ between systems: every build searches the same tree.
const double NATURAL_LOGS[64] = {
    0.0, 0.0, 0x1.62e42fefa39efp-1, 0x1.193ea7aad030bp+0,
    0x1.62e42fefa39efp+0, 0x1.9c041f7ed8d33p+0, 0x1.cab0bfa2a2002p+0, 0x1.f2272ae325a57p+0,
    0x1.0a2b23f3bab73p+1, 0x1.193ea7aad030bp+1, 0x1.26bb1bbb55516p+1, 0x1.32ee3b77f374cp+1,
    0x1.3e116bcd39e7dp+1, 0x1.485042b318c51p+1, 0x1.51cca16d7bba7p+1, 0x1.5aa16394d481fp+1,
    0x1.62e42fefa39efp+1, 0x1.6aa6bc1fa7f7ap+1, 0x1.71f7b3a6b9186p+1, 0x1.78e360604b32cp+1,
    0x1.7f7427b73e391p+1, 0x1.85b2e946faeb1p+1, 0x1.8ba74773dc5c8p+1, 0x1.9157dfdd1b3fp+1,
    0x1.96ca77c922cf9p+1, 0x1.9c041f7ed8d33p+1, 0x1.a1094eaf01acdp+1, 0x1.a5ddfb803849p+1,
    0x1.aa85ad6964a23p+1, 0x1.af038cbcdfe1fp+1, 0x1.b35a6f90bd69bp+1, 0x1.b78ce48912b5ap+1,
    0x1.bb9d3beb8c86bp+1, 0x1.bf8d8f4d5b8d1p+1, 0x1.c35fc81b90df6p+1, 0x1.c715a530ff3c5p+1,
    0x1.cab0bfa2a2002p+1, 0x1.ce328ee3ac7bdp+1, 0x1.d19c6c5c341a8p+1, 0x1.d4ef968880dd6p+1,
    0x1.d82d33b32720dp+1, 0x1.db565458eac4ep+1, 0x1.de6bf542e3d2dp+1, 0x1.e16f01614ec11p+1,
    0x1.e460536fc5443p+1, 0x1.e740b76a3c9a4p+1, 0x1.ea10ebd90426cp+1, 0x1.ecd1a2f90f0b6p+1,
    0x1.ef8383c50bb75p+1, 0x1.f2272ae325a57p+1, 0x1.f4bd2b7ac1bafp+1, 0x1.f7460ff5100ffp+1,
    0x1.f9c25aaaea949p+1, 0x1.fc32868223cabp+1, 0x1.fe97077c2130cp+1, 0x1.0078259bafef3p+2,
    0x1.019f5cb2a6c5p+2, 0x1.02c15a1ad9a59p+2, 0x1.03de4c5c6464dp+2, 0x1.04f65f9c72979p+2,
    0x1.0609bdc65328bp+2, 0x1.07188eb126c0dp+2, 0x1.0822f8427dcebp+2, 0x1.09291e8e3181bp+2,
};

namespace {

// The class of a cell from the codes of its four directions: the strongest
// combination wins.
uint8_t classOfCodes(const uint32_t codes[DIRECTION_COUNT]) {
    int c[14] = {};
    for (int d = 0; d < DIRECTION_COUNT; ++d) ++c[codes[d]];
    const int openThrees = c[CODE_SPLIT_OPEN_THREE] + c[CODE_SOLID_OPEN_THREE];
    const int fours = c[CODE_FOUR] + c[CODE_FOUR_AND_THREE];
    const int closedThrees = c[CODE_CLOSED_THREE] + c[CODE_TWO_CLOSED_THREES];
    if (c[CODE_IN_FIVE] >= 1) return CLASS_FIVE_STANDS;
    if (c[CODE_FIVE] >= 1) return CLASS_FIVE;
    if (c[CODE_OVERLINE] >= 1 || c[CODE_DOUBLE_FOUR] >= 1) return CLASS_FORBIDDEN;
    if (c[CODE_OPEN_FOUR] >= 1) return CLASS_OPEN_FOUR;
    if (fours >= 2) return CLASS_OPEN_FOUR;
    if (fours == 1 && openThrees >= 1) return CLASS_FOUR_THREE;
    if (fours == 0 && openThrees >= 2) return CLASS_DOUBLE_THREE;
    if (c[CODE_FOUR_AND_THREE] >= 1 || (c[CODE_FOUR] >= 1 && closedThrees >= 1))
        return CLASS_FOUR_CLOSED_THREE;
    if (c[CODE_TWO_CLOSED_THREES] >= 1 || c[CODE_CLOSED_THREE] >= 2 ||
        (c[CODE_CLOSED_THREE] == 1 && openThrees == 1))
        return CLASS_CLOSED_THREES;
    if (c[CODE_FOUR] == 1) return CLASS_FOUR;
    if (openThrees == 1) return CLASS_OPEN_THREE;
    return CLASS_NONE;
}

constexpr int32_t MOVE_COUNTS_A[16] = {0, 1, 2, 2, 3, 4, 6, 7, 8, 9, 11, 12, 13, 15, 16, 18};
constexpr int32_t MOVE_COUNTS_B[16] = {1, 1, 3, 4, 6, 9, 11, 14, 17, 20, 23, 27, 30, 34, 38, 42};

// Nearest integer, halves away from zero.
int32_t roundHalfAway(double v) {
    return int32_t(v + (v >= 0 ? 0.49999999999999994 : -0.49999999999999994));
}

}  // namespace

void buildClassTable() {
    // The shapes combine the same codes, and are needed wherever the classes are.
    buildShapeTable();
    std::memset(ClassTable, 0, sizeof ClassTable);
    uint32_t codes[DIRECTION_COUNT];
    for (codes[0] = 0; codes[0] < 14; ++codes[0])
        for (codes[1] = 0; codes[1] < 14; ++codes[1])
            for (codes[2] = 0; codes[2] < 14; ++codes[2])
                for (codes[3] = 0; codes[3] < 14; ++codes[3])
                    ClassTable[codes[0] | codes[1] << 4 | codes[2] << 8 | codes[3] << 12] =
                        classOfCodes(codes);
}

uint32_t sixCellSegmentCount(int x, int y, uint32_t boardSize) {
    const int n = int(boardSize);
    auto onBoard = [n](int cx, int cy) { return cx >= 0 && cy >= 0 && cx < n && cy < n; };
    static constexpr int STEPS[DIRECTION_COUNT][2] = {{1, 0}, {0, 1}, {1, -1}, {1, 1}};
    uint32_t count = 0;
    for (const auto& s : STEPS) {
        if (onBoard(x - s[0], y - s[1]) && onBoard(x + 4 * s[0], y + 4 * s[1])) ++count;
        if (onBoard(x - 4 * s[0], y - 4 * s[1]) && onBoard(x + s[0], y + s[1])) ++count;
    }
    return count;
}

void computeWeights(int32_t* weights, uint32_t boardSize) {
    std::fill(weights, weights + BOARD_CELLS, 0);
    const int n = int(boardSize);
    if (n == 0) return;
    auto onBoard = [n](int x, int y) { return x >= 0 && y >= 0 && x < n && y < n; };

    int32_t count[MAX_BOARD_SIZE][MAX_BOARD_SIZE];
    for (int x = 0; x < n; ++x)
        for (int y = 0; y < n; ++y) count[x][y] = int32_t(sixCellSegmentCount(x, y, boardSize));

    int32_t total = 0;
    int32_t sum[MAX_BOARD_SIZE][MAX_BOARD_SIZE] = {};
    for (int x = 0; x < n; ++x)
        for (int y = 0; y < n; ++y) {
            for (int dx = -3; dx <= 3; ++dx)
                for (int dy = -3; dy <= 3; ++dy)
                    if (onBoard(x + dx, y + dy)) sum[x][y] += 4 * count[x + dx][y + dy];
            total += sum[x][y];
        }
    const int32_t mean = total / (n * n);
    for (int x = 0; x < n; ++x)
        for (int y = 0; y < n; ++y) weights[cellIndex(x, y)] = sum[x][y] - mean;
}

void initReductions(uint32_t cautionFactor) {
    const double cf = std::min(cautionFactor, 4u);
    const double k = 1.0 / (cf * -0.8266666666666667 + 3.973333333333333);
    std::memset(reductionsA, 0, sizeof reductionsA);
    std::memset(reductionsB, 0, sizeof reductionsB);
    for (int i = 0; i < 2; ++i)
        for (int d = 1; d < 64; ++d)
            for (int m = 1; m < 64; ++m) {
                const int32_t r = roundHalfAway(NATURAL_LOGS[d] * NATURAL_LOGS[m] * k);
                reductionsA[i][d][m] = i == 0 ? r + 1 : r;
                reductionsB[i][d][m] = std::max(r - 2, 0);
            }
    std::memcpy(moveCountsA, MOVE_COUNTS_A, sizeof moveCountsA);
    std::memcpy(moveCountsB, MOVE_COUNTS_B, sizeof moveCountsB);
}
