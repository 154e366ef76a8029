#include "support/reference_board.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "board/renju.h"
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

bool isJudgedTableClass(uint8_t cls) {
    return cls == CLASS_DOUBLE_THREE || cls == CLASS_FOUR_THREE || cls == CLASS_OPEN_FOUR;
}

// Whether the verdict can turn the table class into this class.
bool verdictMayGive(uint8_t tableClass, uint8_t cls) {
    switch (tableClass) {
        case CLASS_DOUBLE_THREE: return cls == CLASS_NONE || cls == CLASS_CLOSED_THREES || cls == CLASS_FORBIDDEN;
        case CLASS_FOUR_THREE:
            return cls == CLASS_FOUR_CLOSED_THREE || cls == CLASS_FOUR_THREE || cls == CLASS_FORBIDDEN;
        case CLASS_OPEN_FOUR: return cls == CLASS_OPEN_FOUR || cls == CLASS_FORBIDDEN;
        default: return cls == tableClass;
    }
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
            ref.classes[cell] = ClassPair{tableClassX(ref.slots[cell]), tableClassO(ref.slots[cell])};
        }
    }

    for (uint32_t x = 0; x < n; ++x)
        for (uint32_t y = 0; y < n; ++y) {
            const uint32_t cell = cellIndex(x, y);
            if (ref.cells[cell] != 0) continue;
            for (int d = 0; d < DIRECTION_COUNT; ++d) {
                const uint64_t s = ref.slots[cell][d];
                const uint32_t xWord = cell | COLOUR_X | d << 12;
                const uint32_t oWord = cell | COLOUR_O | d << 12;
                if (slotCodeX(s) > 4) ref.threatsX.push_back(threatWordX(xWord, s));
                if (slotCodeO(s) > 4) ref.threatsO.push_back(threatWordO(oWord, s));
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

uint32_t judgedColour(const Position& pos) { return pos.blackColour == COLOUR_X ? COLOUR_X : COLOUR_O; }

uint8_t judgedClass(const Position& pos, ClassPair pair) {
    return judgedColour(pos) == COLOUR_X ? pair.x : pair.o;
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
        if (cell < CLASS_CELLS) {
            const ClassPair got = pos.classes[cell];
            const ClassPair want = ref.classes[cell];
            // Only renju judges black's cells; elsewhere the table classes stand.
            const bool renju = pos.rule == RULE_RENJU;
            const bool xJudged = judgedColour(pos) == COLOUR_X;
            const bool xFits = renju && xJudged ? verdictMayGive(want.x, got.x) : got.x == want.x;
            const bool oFits = renju && !xJudged ? verdictMayGive(want.o, got.o) : got.o == want.o;
            if (!xFits || !oFits)
                r.add("classes (%u,%u) are %u/%u, table classes %u/%u (%s judged)", x, y, got.x,
                      got.o, want.x, want.o, xJudged ? "X" : "O");
        }
    }
    for (uint32_t x = 0; x < 32; ++x)  // rows beyond the edge too: none of their cells is empty
        if (pos.emptyMask[x] != ref.emptyMask[x])
            r.add("emptyMask[%u] is %x, expected %x", x, pos.emptyMask[x], ref.emptyMask[x]);

    // Counts and flags follow the classes the position stores.
    const StateRecord& s = *pos.current;
    uint16_t countX[CLASS_COUNT] = {};
    uint16_t countO[CLASS_COUNT] = {};
    for (uint32_t x = 0; x < n; ++x)
        for (uint32_t y = 0; y < n; ++y) {
            ++countX[pos.classes[cellIndex(x, y)].x];
            ++countO[pos.classes[cellIndex(x, y)].o];
        }
    for (int c = 0; c < CLASS_COUNT; ++c) {
        if (s.classCountX[c] != countX[c])
            r.add("classCountX[%d] is %u, the stored classes give %u", c, s.classCountX[c], countX[c]);
        if (s.classCountO[c] != countO[c])
            r.add("classCountO[%d] is %u, the stored classes give %u", c, s.classCountO[c], countO[c]);
    }
    if (s.hasFourX != anyFourClass(countX) || s.hasFourO != anyFourClass(countO))
        r.add("hasFour %u/%u, expected %u/%u", s.hasFourX, s.hasFourO, anyFourClass(countX),
              anyFourClass(countO));

    // Threat words: class fields are the stored classes of their cells, the
    // rest must match the reference exactly.
    auto checkClassFields = [&](const ThreatList& list, bool ofX) {
        for (uint32_t i = 0; i < list.count; ++i) {
            const ThreatWord w = list.words[i];
            const ClassPair pair = pos.classes[threatCell(w)];
            const uint8_t stored = ofX ? pair.x : pair.o;
            if (threatClass(w) != stored)
                r.add("threat word %08x has class %u, its cell's stored %s class is %u", w, threatClass(w),
                      ofX ? "X" : "O", stored);
        }
    };
    checkClassFields(s.threatsX, true);
    checkClassFields(s.threatsO, false);
    auto withoutClass = [](std::vector<ThreatWord> words) {
        for (ThreatWord& w : words) w = withThreatClass(w, 0);
        std::sort(words.begin(), words.end());
        return words;
    };
    const std::vector<ThreatWord> gotX = withoutClass(sortedThreats(s.threatsX));
    const std::vector<ThreatWord> gotO = withoutClass(sortedThreats(s.threatsO));
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

RejudgedCheck rejudgedClassDifferences(Position& pos, const ReferenceBoard& ref) {
    RejudgedCheck check;
    if (pos.rule != RULE_RENJU) {
        // Nothing is judged: no stone lists a cell beyond its lines.
        if (pos.current->changedCount > 41) check.text = "a stone re-judged cells off its lines\n";
        return check;
    }
    Report report;
    const StateRecord& s = *pos.current;
    bool listed[BOARD_CELLS] = {};
    for (uint32_t i = 0; i < s.changedCount; ++i) listed[s.changedCells[i]] = true;

    // The verdict on the finished board, for the statistics.
    for (uint32_t x = 0; x < ref.boardSize; ++x)
        for (uint32_t y = 0; y < ref.boardSize; ++y) {
            const uint32_t cell = cellIndex(x, y);
            const uint8_t table = judgedClass(pos, ref.classes[cell]);
            if (!isJudgedTableClass(table)) continue;
            const uint8_t stored = judgedClass(pos, pos.classes[cell]);
            const uint8_t onBoard = adjustBlackClass(pos, cell, table);
            const bool differs = stored != onBoard;
            // Every stone re-judges black's four-three and open-four cells, so
            // their verdict is always that of the board as it stands; only a
            // double-three cell may keep an older one.
            if (differs && table >= CLASS_FOUR_THREE)
                report.add("cell (%u,%u) of table class %u holds %u, the board as it stands gives %u", x, y, table,
                           stored, onBoard);
            if (listed[cell]) {
                ++check.checked;
                check.differing += differs;
                ++check.outcomes[table][stored];
            } else {
                ++check.outsideChecked;
                check.outsideDiffering += differs;
            }
        }

    // The replay, in the order of the list.
    ClassPair stored[CLASS_CELLS];
    std::copy(pos.classes, pos.classes + CLASS_CELLS, stored);
    for (uint32_t i = s.changedCount; i-- > 0;) pos.classes[s.changedCells[i]] = s.savedClasses[i];
    const bool xJudged = judgedColour(pos) == COLOUR_X;
    for (uint32_t i = 0; i < s.changedCount; ++i) {
        const uint32_t cell = s.changedCells[i];
        const ClassPair held = pos.classes[cell];
        if (held.x != s.savedClasses[i].x || held.o != s.savedClasses[i].o)
            report.add("recheck entry %u (%u,%u) saved %u/%u, the cell held %u/%u", i, cell >> 5, cell & 31,
                       s.savedClasses[i].x, s.savedClasses[i].o, held.x, held.o);
        ClassPair now = ref.classes[cell];
        uint8_t& judged = xJudged ? now.x : now.o;
        judged = adjustBlackClass(pos, cell, judged);
        pos.classes[cell] = now;
    }
    for (uint32_t i = 0; i < s.changedCount; ++i) {
        const uint32_t cell = s.changedCells[i];
        const ClassPair want = pos.classes[cell];
        if (stored[cell].x != want.x || stored[cell].o != want.o)
            report.add("re-judged cell (%u,%u) holds %u/%u, the replay gives %u/%u (table %u/%u)", cell >> 5,
                       cell & 31, stored[cell].x, stored[cell].o, want.x, want.o, ref.classes[cell].x,
                       ref.classes[cell].o);
    }
    std::copy(stored, stored + CLASS_CELLS, pos.classes);
    check.text = report.text;
    return check;
}
