#include "support/reference_board.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "board/startup_tables.h"
#include "board/zobrist.h"

namespace {

constexpr int STEP_X[DIRECTION_COUNT] = {1, 0, 1, 1};
constexpr int STEP_Y[DIRECTION_COUNT] = {0, 1, -1, 1};

bool onBoard(int x, int y, uint32_t n) { return x >= 0 && y >= 0 && x < int(n) && y < int(n); }

void markNeighbourhood(uint32_t* area, int x, int y) {
    for (int dx = -3; dx <= 3; ++dx)
        for (int dy = -3; dy <= 3; ++dy) {
            const int ax = dx < 0 ? -dx : dx;
            const int ay = dy < 0 ? -dy : dy;
            const bool inSquare = ax <= 2 && ay <= 2 && (ax | ay) != 0;
            const bool threeAlongLine = (ax == 3 || ay == 3) && (ax == 0 || ay == 0 || ax == ay);
            if (inSquare || threeAlongLine) area[x + dx + 3] |= 1u << (y + dy + 3);
        }
}

bool anyFourClass(const uint16_t* counts) {
    for (int cls : {4, 5, 7, 8, 9})
        if (counts[cls] != 0) return true;
    return false;
}

}  // namespace

uint32_t referenceWindow(const uint32_t* cells, uint32_t boardSize, uint32_t x, uint32_t y,
                         int direction) {
    uint32_t window = 0;
    for (int k = -5; k <= 5; ++k) {
        const int cx = int(x) + k * STEP_X[direction];
        const int cy = int(y) + k * STEP_Y[direction];
        const uint32_t bits = onBoard(cx, cy, boardSize) ? cells[cellIndex(cx, cy)] >> 10 : 3;
        window |= bits << (2 * (k + 5));
    }
    return window;
}

void buildReference(ReferenceBoard& ref, uint32_t boardSize, const std::vector<MoveWord>& stones,
                    const uint64_t* table, bool xToMove, bool hashStones) {
    ref = ReferenceBoard{};
    const uint32_t n = boardSize;
    ref.boardSize = n;
    for (MoveWord m : stones) {
        ref.cells[cellOf(m)] = colourOf(m);
        if (hashStones) ref.key ^= ZobristKeys[m & 0x7ff];
        markNeighbourhood(ref.area, int(xOf(m)), int(yOf(m)));
    }
    if (!xToMove) ref.key ^= SIDE_KEY;

    for (auto& cellSlots : ref.slots)
        for (uint64_t& s : cellSlots) s = NO_PATTERN_SLOT;
    for (uint32_t x = 0; x < n; ++x) {
        for (uint32_t y = 0; y < n; ++y) {
            const uint32_t cell = cellIndex(x, y);
            if (ref.cells[cell] == 0) ref.emptyMask[x] |= 1u << y;
            for (int d = 0; d < DIRECTION_COUNT; ++d) {
                ref.windows[cell][d] = referenceWindow(ref.cells, n, x, y, d);
                ref.slots[cell][d] = table[ref.windows[cell][d]];
            }
            const ClassPair pair{tableClassX(ref.slots[cell]), tableClassO(ref.slots[cell])};
            ref.classes[cell] = pair;
            ++ref.classCountX[pair.x];
            ++ref.classCountO[pair.o];
        }
    }
    ref.hasFourX = anyFourClass(ref.classCountX);
    ref.hasFourO = anyFourClass(ref.classCountO);

    for (uint32_t x = 0; x < n; ++x)
        for (uint32_t y = 0; y < n; ++y) {
            const uint32_t cell = cellIndex(x, y);
            if (ref.cells[cell] != 0) continue;
            for (int d = 0; d < DIRECTION_COUNT; ++d) {
                const uint64_t s = ref.slots[cell][d];
                const uint32_t xWord = cell | COLOUR_X | d << 12;
                const uint32_t oWord = cell | COLOUR_O | d << 12;
                if (slotCodeX(s) > 4)
                    ref.threatsX.push_back(withThreatClass(threatWordX(xWord, s), ref.classes[cell].x));
                if (slotCodeO(s) > 4)
                    ref.threatsO.push_back(withThreatClass(threatWordO(oWord, s), ref.classes[cell].o));
            }
        }
    std::sort(ref.threatsX.begin(), ref.threatsX.end());
    std::sort(ref.threatsO.begin(), ref.threatsO.end());
}

std::vector<ThreatWord> sortedThreats(const ThreatList& list) {
    std::vector<ThreatWord> words(list.words, list.words + list.count);
    std::sort(words.begin(), words.end());
    return words;
}

namespace {

struct Report {
    std::string text;
    int lines = 0;
    template <typename... Args>
    void add(const char* format, Args... args) {
        if (++lines > 12) return;
        char buffer[512];
        std::snprintf(buffer, sizeof buffer, format, args...);
        text += buffer;
        text += '\n';
    }
};

// The words of a that b lacks (both sorted), as hex.
std::string missingFrom(const std::vector<ThreatWord>& a, const std::vector<ThreatWord>& b) {
    std::vector<ThreatWord> only;
    std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(only));
    std::string s;
    char buffer[16];
    for (size_t i = 0; i < only.size() && i < 16; ++i) {
        std::snprintf(buffer, sizeof buffer, " %08x", only[i]);
        s += buffer;
    }
    return s;
}

}  // namespace

std::string compareWithReference(const Position& pos, const ReferenceBoard& ref) {
    Report r;
    const uint32_t n = ref.boardSize;
    if (pos.boardSize != n) r.add("boardSize %u, expected %u", pos.boardSize, n);
    for (uint32_t cell = 0; cell < BOARD_CELLS; ++cell) {
        const uint32_t x = cell >> 5, y = cell & 31;
        const bool on = x < n && y < n;
        if (pos.cells[cell] != ref.cells[cell])
            r.add("cell (%u,%u) holds %x, expected %x", x, y, pos.cells[cell], ref.cells[cell]);
        for (int d = 0; d < DIRECTION_COUNT; ++d) {
            const uint64_t got = pos.slots[cell][d];
            const uint64_t want = ref.slots[cell][d];
            if ((got & SLOT_KEPT_FIELDS) != (want & SLOT_KEPT_FIELDS))
                r.add("slot (%u,%u) dir %d is %016llx, expected %016llx", x, y, d,
                      (unsigned long long)got, (unsigned long long)want);
            if (!on) continue;
            const CellLine& g = pos.geometry[cell][d];
            if (g.line == nullptr) {
                r.add("cell (%u,%u) dir %d has no line", x, y, d);
                continue;
            }
            if (lineWindow(*g.line, g.position) != ref.windows[cell][d])
                r.add("window (%u,%u) dir %d is %06x, expected %06x", x, y, d,
                      lineWindow(*g.line, g.position), ref.windows[cell][d]);
            const LineEntry& e = g.line->entries[g.position];
            if (e.xWord != (cell | COLOUR_X | d << 12) || e.oWord != (cell | COLOUR_O | d << 12) ||
                e.slot != &pos.slots[cell][d])
                r.add("line entry of (%u,%u) dir %d is wrong", x, y, d);
        }
        if (cell < CLASS_CELLS && (pos.classes[cell].x != ref.classes[cell].x ||
                                   pos.classes[cell].o != ref.classes[cell].o))
            r.add("classes (%u,%u) are %u/%u, expected %u/%u", x, y, pos.classes[cell].x,
                  pos.classes[cell].o, ref.classes[cell].x, ref.classes[cell].o);
    }
    for (uint32_t x = 0; x < n; ++x)
        if (pos.emptyMask[x] != ref.emptyMask[x])
            r.add("emptyMask[%u] is %x, expected %x", x, pos.emptyMask[x], ref.emptyMask[x]);

    const StateRecord& s = *pos.current;
    for (int c = 0; c < CLASS_COUNT; ++c) {
        if (s.classCountX[c] != ref.classCountX[c])
            r.add("classCountX[%d] is %u, expected %u", c, s.classCountX[c], ref.classCountX[c]);
        if (s.classCountO[c] != ref.classCountO[c])
            r.add("classCountO[%d] is %u, expected %u", c, s.classCountO[c], ref.classCountO[c]);
    }
    if (s.hasFourX != ref.hasFourX || s.hasFourO != ref.hasFourO)
        r.add("hasFour %u/%u, expected %u/%u", s.hasFourX, s.hasFourO, ref.hasFourX, ref.hasFourO);
    const std::vector<ThreatWord> gotX = sortedThreats(s.threatsX);
    const std::vector<ThreatWord> gotO = sortedThreats(s.threatsO);
    if (gotX != ref.threatsX)
        r.add("threatsX (%zu words, expected %zu) extra:%s missing:%s", gotX.size(),
              ref.threatsX.size(), missingFrom(gotX, ref.threatsX).c_str(),
              missingFrom(ref.threatsX, gotX).c_str());
    if (gotO != ref.threatsO)
        r.add("threatsO (%zu words, expected %zu) extra:%s missing:%s", gotO.size(),
              ref.threatsO.size(), missingFrom(gotO, ref.threatsO).c_str(),
              missingFrom(ref.threatsO, gotO).c_str());
    for (int w = 0; w < 26; ++w)
        if (s.area[w] != ref.area[w]) r.add("area[%d] is %x, expected %x", w, s.area[w], ref.area[w]);
    if (s.key != ref.key)
        r.add("key %016llx, expected %016llx", (unsigned long long)s.key, (unsigned long long)ref.key);
    if (r.lines > 12) r.text += "... " + std::to_string(r.lines) + " differences in all\n";
    return r.text;
}
