#include "support/board_snapshot.h"

#include <cstdio>
#include <cstring>

#include "support/reference_board.h"

BoardSnapshot takeSnapshot(const Position& pos) {
    BoardSnapshot s;
    s.cells.assign(pos.cells, pos.cells + BOARD_CELLS);
    s.slots.assign(&pos.slots[0][0], &pos.slots[0][0] + BOARD_CELLS * DIRECTION_COUNT);
    for (const LineRecord& line : pos.lines) s.lineCodes.push_back(line.code);
    s.classes.assign(pos.classes, pos.classes + CLASS_CELLS);
    s.shapes.assign(pos.shapes, pos.shapes + CLASS_CELLS);
    s.emptyMask.assign(pos.emptyMask, pos.emptyMask + 32);
    s.stoneCount = pos.stoneCount;
    s.sideToMove = pos.sideToMove;
    s.current = pos.current;
    const auto* bytes = reinterpret_cast<const unsigned char*>(pos.current);
    s.record.assign(bytes, bytes + STATE_KEPT_BYTES);
    return s;
}

namespace {

template <typename T>
size_t firstDifference(const std::vector<T>& a, const T* b) {
    for (size_t i = 0; i < a.size(); ++i)
        if (std::memcmp(&a[i], &b[i], sizeof(T)) != 0) return i;
    return a.size();
}

}  // namespace

std::string differencesFrom(const BoardSnapshot& before, const Position& pos) {
    std::string d;
    auto note = [&d](const std::string& what, size_t index) {
        d += what + " differs at " + std::to_string(index) + "\n";
    };
    size_t i;
    if ((i = firstDifference(before.cells, pos.cells)) < before.cells.size()) note("cells", i);
    const uint64_t* slots = &pos.slots[0][0];
    for (i = 0; i < before.slots.size(); ++i)
        if ((before.slots[i] ^ slots[i]) & SLOT_KEPT_FIELDS) {
            char text[160];
            std::snprintf(text, sizeof text, "slot of cell %zu dir %zu (holding %x) was %016llx, is %016llx\n",
                          i / 4, i % 4, pos.cells[i / 4], (unsigned long long)before.slots[i],
                          (unsigned long long)slots[i]);
            d += text;
            break;
        }
    for (i = 0; i < LINE_COUNT; ++i)
        if (before.lineCodes[i] != pos.lines[i].code) {
            note("line code", i);
            break;
        }
    if ((i = firstDifference(before.classes, pos.classes)) < before.classes.size()) note("classes", i);
    if ((i = firstDifference(before.shapes, pos.shapes)) < before.shapes.size()) note("shapes", i);
    if ((i = firstDifference(before.emptyMask, pos.emptyMask)) < before.emptyMask.size())
        note("emptyMask", i);
    if (before.stoneCount != pos.stoneCount) d += "stoneCount differs\n";
    if (before.sideToMove != pos.sideToMove) d += "sideToMove differs\n";
    if (before.current != pos.current) {
        d += "current record differs\n";
    } else if (std::memcmp(before.record.data(), pos.current, STATE_KEPT_BYTES) != 0) {
        d += "current record contents differ\n";
    }
    return d;
}
