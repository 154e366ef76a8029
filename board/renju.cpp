#include "board/renju.h"

#include "board/position.h"
#include "board/types.h"

namespace {

// Reads the board from the point of view of one black colour: which byte of
// a slot holds black's code and detail, which bit pair of a line window
// holds black's stones. Everything below is written once for both colours.
template <uint32_t Black>
struct BlackView {
    static constexpr uint32_t STONE_BITS = Black >> 10;  // 01 for X, 10 for O

    static uint8_t code(const Position& pos, uint32_t cell, int d) { return slotCode(pos.slots[cell][d], Black); }
    static uint32_t level(const Position& pos, uint32_t cell, int d) {
        return detailLevel(slotDetail(pos.slots[cell][d], Black));
    }
    static bool isOpenThreeCode(uint8_t code) { return code == CODE_SPLIT_OPEN_THREE || code == CODE_SOLID_OPEN_THREE; }
};

// Offsets along a line of the cells that turn a black three through the
// tested cell into a straight four, in the order they are tried. The window
// cells at offsets -3 ... +3 are matched against the shapes of a three in a
// fixed order; the first shape that fits gives the candidates.
struct Candidates {
    int offsets[2];
    int count;
    uint32_t window;  // the tested cell's window in that direction
};

template <uint32_t Black>
Candidates threeCompletionCandidates(const Position& pos, uint32_t cell, int d) {
    const CellLine& place = pos.geometry[cell][d];
    const uint32_t window = lineWindow(*place.line, place.position);
    // Cell at offset k (-5 ... +5) is black / empty.
    auto black = [&](int k) { return ((window >> (2 * (k + 5))) & 3) == BlackView<Black>::STONE_BITS; };
    auto empty = [&](int k) { return ((window >> (2 * (k + 5))) & 3) == 0; };

    if (black(-3) && black(-2) && empty(-1)) return {{-1, 0}, 1, window};
    if (black(-3) && empty(-2) && black(-1)) return {{-2, 0}, 1, window};
    if (empty(-3) && black(-2) && black(-1) && empty(1)) return {{-3, 1}, 2, window};
    if (black(-2) && empty(-1) && black(1)) return {{-1, 0}, 1, window};
    if (black(-1) && empty(1) && black(2)) return {{1, 0}, 1, window};
    if (empty(-1) && black(1) && black(2) && empty(3)) return {{-1, 3}, 2, window};
    if (black(1) && empty(2) && black(3)) return {{2, 0}, 1, window};
    if (empty(1) && black(2) && black(3)) return {{1, 0}, 1, window};
    return {{-2, 2}, 2, window};
}

// Whether q, the point that would turn black's three in direction d into a
// straight four, may itself be played. Judged from the stored codes and
// classes of the current board, without playing it and without recursion.
template <uint32_t Black>
bool completionIsLegal(const Position& pos, uint32_t q, int d) {
    using View = BlackView<Black>;
    if (!View::isOpenThreeCode(View::code(pos, q, d))) return false;
    for (int other = 0; other < DIRECTION_COUNT; ++other) {
        if (other != d && View::level(pos, q, other) == LEVEL_FOUR) return false;  // q makes a four elsewhere
    }
    if (pos.classes[q].x != CLASS_FORBIDDEN && pos.classes[q].o != CLASS_FORBIDDEN) return true;
    int openThreesElsewhere = 0;
    for (int other = 0; other < DIRECTION_COUNT; ++other) {
        if (other != d && View::isOpenThreeCode(View::code(pos, q, other))) ++openThreesElsewhere;
    }
    if (openThreesElsewhere >= 2) return false;
    // An overline at q forbids it. Read from q's codes rather than from the
    // class fields of the threat words: while a stone is being put, a word
    // for an overline the stone just made still carries class 0.
    for (int dir = 0; dir < DIRECTION_COUNT; ++dir) {
        if (View::code(pos, q, dir) == CODE_OVERLINE) return false;
    }
    return true;
}

// Mode 0: the number of real open threes of black through the empty cell.
// Mode 1: the number of open-three directions, less those found not real,
// stopping as soon as fewer than two can remain.
template <uint32_t Black>
uint32_t threeCount(const Position& pos, uint32_t cell, int mode) {
    using View = BlackView<Black>;
    uint32_t candidatesLeft = 0;
    if (mode == 1) {
        for (int d = 0; d < DIRECTION_COUNT; ++d) candidatesLeft += View::isOpenThreeCode(View::code(pos, cell, d));
        if (candidatesLeft < 2) return candidatesLeft;
    }
    uint32_t real = 0;
    for (int d = 0; d < DIRECTION_COUNT; ++d) {
        if (!View::isOpenThreeCode(View::code(pos, cell, d))) continue;
        Candidates candidates = threeCompletionCandidates<Black>(pos, cell, d);
        bool isReal = false;
        for (int i = 0; i < candidates.count && !isReal; ++i) {
            int k = candidates.offsets[i];
            // Only an empty cell can complete the three; a wall beyond the
            // board edge has no cell to look at.
            if (((candidates.window >> (2 * (k + 5))) & 3) != 0) continue;
            uint32_t q = cell + k * DIRECTION_STEP[d];
            isReal = completionIsLegal<Black>(pos, q, d);
        }
        if (isReal) {
            ++real;
        } else if (mode == 1) {
            if (--candidatesLeft < 2) return candidatesLeft;
        }
    }
    return real;
}

template <uint32_t Black>
uint8_t adjust(const Position& pos, uint32_t cell, uint8_t tableClass) {
    using View = BlackView<Black>;
    switch (tableClass) {
        case CLASS_DOUBLE_THREE: {
            uint32_t real = threeCount<Black>(pos, cell, 0);
            return real == 0 ? CLASS_NONE : real == 1 ? CLASS_CLOSED_THREES : CLASS_FORBIDDEN;
        }
        case CLASS_FOUR_THREE: {
            uint32_t real = threeCount<Black>(pos, cell, 0);
            return real == 0 ? CLASS_FOUR_CLOSED_THREE : real == 1 ? CLASS_FOUR_THREE : CLASS_FORBIDDEN;
        }
        case CLASS_OPEN_FOUR: {
            int fours = 0;
            for (int d = 0; d < DIRECTION_COUNT; ++d) fours += View::level(pos, cell, d) == LEVEL_FOUR;
            if (fours >= 2) return CLASS_FORBIDDEN;  // a double four needs no three check
            return threeCount<Black>(pos, cell, 1) <= 1 ? CLASS_OPEN_FOUR : CLASS_FORBIDDEN;
        }
        default:
            return tableClass;
    }
}

}  // namespace

uint8_t adjustBlackClass(const Position& pos, uint32_t cell, uint8_t tableClass) {
    // With black not yet known the O classes are judged as black's.
    return pos.blackColour == COLOUR_X ? adjust<COLOUR_X>(pos, cell, tableClass)
                                       : adjust<COLOUR_O>(pos, cell, tableClass);
}

ForbiddenCellCounts countForbiddenCells(const Position& pos) {
    ForbiddenCellCounts counts;
    const StateRecord& record = *pos.current;
    if (record.classCountX[CLASS_FORBIDDEN] + record.classCountO[CLASS_FORBIDDEN] == 0) return counts;
    const bool xIsBlack = pos.blackColour == COLOUR_X;
    const bool blackToMove = xIsBlack ? pos.sideToMove == 1 : pos.sideToMove == 0;
    if (blackToMove) return counts;

    const uint32_t white = xIsBlack ? COLOUR_O : COLOUR_X;
    const ThreatList& blackList = xIsBlack ? record.threatsX : record.threatsO;
    for (uint32_t i = 0; i < blackList.count; ++i) {
        ThreatWord w = blackList.words[i];
        if (threatClass(w) != CLASS_FORBIDDEN) continue;
        for (int d = 0; d < DIRECTION_COUNT; ++d) {
            uint64_t slot = pos.slots[threatCell(w)][d];
            if (detailLevel(slotDetail(slot, white)) != LEVEL_THREE) ++counts.free;
            else if (BlackView<COLOUR_X>::isOpenThreeCode(slotCode(slot, white))) ++counts.openThree;
            else ++counts.otherThree;
        }
    }
    return counts;
}
