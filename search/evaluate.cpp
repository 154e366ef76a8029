#include "search/evaluate.h"

#include "board/position.h"
#include "board/renju.h"
#include "search/threads.h"

namespace {

// Weights of the cell classes 2 (closed threes) ... 9 (five point); the side
// to move counts its own cells four times.
constexpr int32_t CLASS_WEIGHTS[8] = {250, 170, 200, 280, 330, 360, 384, 576};

int32_t weightedClassCounts(const uint16_t* counts) {
    int32_t sum = 0;
    for (int k = 0; k < 8; ++k) sum += int32_t(counts[CLASS_CLOSED_THREES + k]) * CLASS_WEIGHTS[k];
    return sum;
}

}  // namespace

int32_t evaluate(const Position& pos) {
    const StateRecord& r = *pos.current;
    const bool xToMove = pos.sideToMove == 1;
    const int32_t x = weightedClassCounts(r.classCountX);
    const int32_t o = weightedClassCounts(r.classCountO);
    int32_t s = xToMove ? 4 * x - o : x - 4 * o;
    // A search thread's offset follows its root score; the game position has
    // no owner and takes 0.
    const int32_t evalOffset = pos.owner ? pos.owner->evalOffset : 0;
    s += r.eval - evalOffset + forbiddenCellScore(pos);
    const int32_t v = (4 * s) / 32;
    return xToMove ? v : -v;
}
