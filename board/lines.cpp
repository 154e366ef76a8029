#include "board/lines.h"

#include "board/cell_shapes.h"
#include "board/position.h"
#include "board/tables.h"

void removeThreatWord(ThreatList& list, ThreatWord w) {
    const uint32_t n = list.count;
    for (uint32_t i = 0; i < n; ++i) {
        if (((list.words[i] ^ w) & THREAT_IDENTITY_MASK) == 0) {
            list.words[i] = list.words[n - 1];
            list.count = n - 1;
            return;
        }
    }
}

template <uint32_t Colour>
uint32_t* addStoneToLine(LineRecord& line, uint32_t p, ThreatList& threatsX, ThreatList& threatsO,
                         uint16_t& updateMask, uint16_t& shapeMask, uint64_t* saved, uint32_t* recheckCursor,
                         uint32_t*& shapeCursor) {
    const uint64_t* table = patternTable;
    line.code |= uint64_t(Colour >> 10) << (2 * (p + 5));
    const uint32_t window = lineWindow(line, p);

    // The cell is occupied now: its words leave both lists.
    LineEntry& placed = line.entries[p];
    const uint64_t before = *placed.slot;
    *saved++ = before;
    if (slotCodeX(before) > CODE_THREAT_ABOVE) removeThreatWord(threatsX, placed.xWord);
    if (slotCodeO(before) > CODE_THREAT_ABOVE) removeThreatWord(threatsO, placed.oWord);
    *placed.slot = table[window];

    const uint32_t masks = updateMaskTable[window];
    updateMask = uint16_t(masks);
    uint32_t mask = masks & 0xffff;
    while (mask != 0) {
        const uint32_t b = __builtin_ctz(mask);
        mask &= mask - 1;
        const uint32_t q = p + b - 5;
        LineEntry& e = line.entries[q];
        *recheckCursor++ = e.xWord & CELL_MASK;
        const uint32_t around = lineWindow(line, q);
        const uint64_t fresh = table[around];
        const uint64_t old = *e.slot;
        *saved++ = old;
        // A stone's slot is refreshed too (a stone that lies in a five has a
        // code above 4), but only empty cells have threat words.
        if ((around >> 10 & 3) != 0) {
            *e.slot = fresh;
            continue;
        }
        if (slotCodeX(old) > CODE_THREAT_ABOVE) removeThreatWord(threatsX, e.xWord);
        if (slotCodeX(fresh) > CODE_THREAT_ABOVE)
            threatsX.words[threatsX.count++] = threatWordX(e.xWord, fresh);
        if (slotCodeO(old) > CODE_THREAT_ABOVE) removeThreatWord(threatsO, e.oWord);
        if (slotCodeO(fresh) > CODE_THREAT_ABOVE)
            threatsO.words[threatsO.count++] = threatWordO(e.oWord, fresh);
        if ((fresh ^ old) & SHAPE_CODE_BITS) *shapeCursor++ = e.xWord & CELL_MASK;
        *e.slot = fresh;
    }
    shapeMask = uint16_t(masks >> SHAPE_MASK_SHIFT);
    return recheckCursor;
}

ShapeRefresh* refreshShapeCodes(LineRecord& line, uint32_t p, uint16_t shapeMask, ShapeRefresh* cursor) {
    const uint64_t* table = patternTable;
    uint32_t mask = shapeMask;
    while (mask != 0) {
        const uint32_t b = __builtin_ctz(mask);
        mask &= mask - 1;
        const uint32_t q = p + b - 5;
        const uint32_t around = lineWindow(line, q);
        if ((around >> 10 & 3) != 0) continue;  // a stone came there since: its slot is its own
        LineEntry& e = line.entries[q];
        const uint64_t fresh = table[around];
        const uint64_t before = *e.slot;
        if (((fresh ^ before) & SHAPE_CODE_BITS) == 0) continue;
        *cursor++ = ShapeRefresh{e.slot, before, e.xWord & CELL_MASK};
        *e.slot = fresh;
    }
    return cursor;
}

template uint32_t* addStoneToLine<COLOUR_X>(LineRecord&, uint32_t, ThreatList&, ThreatList&, uint16_t&,
                                            uint16_t&, uint64_t*, uint32_t*, uint32_t*&);
template uint32_t* addStoneToLine<COLOUR_O>(LineRecord&, uint32_t, ThreatList&, ThreatList&, uint16_t&,
                                            uint16_t&, uint64_t*, uint32_t*, uint32_t*&);

void removeStoneFromLine(LineRecord& line, uint32_t p, uint16_t updateMask, const uint64_t* saved) {
    line.code &= ~(uint64_t(3) << (2 * (p + 5)));
    *line.entries[p].slot = *saved++;
    uint32_t mask = updateMask;
    while (mask != 0) {
        const uint32_t b = __builtin_ctz(mask);
        mask &= mask - 1;
        *line.entries[p + b - 5].slot = *saved++;
    }
}

void clearLine(LineRecord& line) {
    line.code = 0xfffff;
    line.length = 0;
    line.xDirectionWord = COLOUR_X;
    line.oDirectionWord = COLOUR_O;
    for (uint64_t& s : line.spareSlots) s = NO_PATTERN_SLOT;
    for (uint32_t k = 0; k < MAX_LINE_LENGTH; ++k)
        line.entries[k] = LineEntry{0, 0, &line.spareSlots[k]};
}

namespace {

struct LineShape {
    uint32_t length;
    uint32_t startX;
    uint32_t startY;
};

// Length and first cell of line `number` of a direction on an N x N board.
LineShape lineShape(uint32_t direction, uint32_t number, uint32_t n) {
    switch (direction) {
        case 0:  // constant y, position x
            return {n, 0, number};
        case 1:  // constant x, position y
            return {n, number, 0};
        case 2:  // constant x+y, walking (x+1, y-1)
            if (number < n) return {number + 1, 0, number};
            return {2 * n - 1 - number, number - n + 1, n - 1};
        default:  // constant x-y, walking (x+1, y+1)
            if (number < n) return {number + 1, 0, n - 1 - number};
            return {2 * n - 1 - number, number - n + 1, 0};
    }
}

constexpr int STEP_X[DIRECTION_COUNT] = {1, 0, 1, 1};
constexpr int STEP_Y[DIRECTION_COUNT] = {0, 1, -1, 1};

}  // namespace

void buildLines(Position& pos) {
    const uint32_t n = pos.boardSize;
    const uint64_t* table = patternTable;
    pos.diagonals = DiagonalGeometry{};
    for (uint32_t d = 0; d < DIRECTION_COUNT; ++d) {
        const uint32_t lineCount = d < 2 ? n : (n == 0 ? 0 : 2 * n - 1);
        for (uint32_t number = 0; number < lineCount; ++number) {
            LineRecord& line = pos.lines[LINE_BASE[d] + number];
            const LineShape shape = lineShape(d, number, n);
            // Wall template, length, direction words, spare slots.
            line.code = emptyLineCode(shape.length);
            line.length = shape.length;
            line.xDirectionWord = COLOUR_X | d << 12;
            line.oDirectionWord = COLOUR_O | d << 12;
            for (uint64_t& s : line.spareSlots) s = NO_PATTERN_SLOT;
            for (uint32_t k = 0; k < MAX_LINE_LENGTH; ++k) line.entries[k].slot = &line.spareSlots[k];
            // Entry words, diagonal geometry, slot references and slots.
            for (uint32_t k = 0; k < shape.length; ++k) {
                const uint32_t x = shape.startX + k * STEP_X[d];
                const uint32_t y = uint32_t(int(shape.startY) + int(k) * STEP_Y[d]);
                const uint32_t cell = cellIndex(x, y);
                if (d >= 2) {
                    pos.diagonals.place[d - 2][cell] = DiagonalPlace{number, k};
                    pos.diagonals.cells[d - 2][number][k] = cell | COLOUR_O;
                }
                LineEntry& e = line.entries[k];
                e.xWord = cell | line.xDirectionWord;
                e.oWord = cell | line.oDirectionWord;
                e.slot = &pos.slots[cell][d];
                *e.slot = table[lineWindow(line, k)];
                pos.geometry[cell][d] = CellLine{&line, k};
            }
        }
    }
}
