#include "search/evaluate.h"

#include <algorithm>

#include "board/position.h"
#include "board/renju.h"
#include "search/threads.h"
#include "search/tunables.h"

// The running score's unit: its weight is in sixteenths.
constexpr int32_t RUNNING_UNIT = 16;

EvalFeatures evalFeatures(Position& pos) {
    syncShapes(pos);
    const StateRecord& r = *pos.current;
    const bool xToMove = pos.sideToMove == 1;
    const uint16_t* mine = xToMove ? r.classCountX : r.classCountO;
    const uint16_t* theirs = xToMove ? r.classCountO : r.classCountX;
    EvalFeatures f;
    for (int k = 0; k < 8; ++k) {
        f.own[k] = mine[CLASS_CLOSED_THREES + k];
        f.opponent[k] = theirs[CLASS_CLOSED_THREES + k];
    }
    // A search thread's offset follows its root score; the game position has
    // no owner and takes 0. The running score is X's.
    const int32_t evalOffset = pos.owner ? pos.owner->evalOffset : 0;
    f.running = xToMove ? r.eval - evalOffset : evalOffset - r.eval;
    // Only white to move counts any, and white is then the side to move.
    const ForbiddenCellCounts forbidden = countForbiddenCells(pos);
    f.forbiddenFree = forbidden.free;
    f.forbiddenOpenThree = forbidden.openThree;
    f.forbiddenOtherThree = forbidden.otherThree;
    // Untracked, every shape value is 0 and the shapes add nothing at all.
    f.ownShapes = r.shapeSum[xToMove ? 0 : 1][0] + (shapesTracked ? SHAPE_TEMPO : 0);
    f.otherShapes = r.shapeSum[xToMove ? 1 : 0][1];
    return f;
}

int32_t evaluateFeatures(const EvalFeatures& f, const EvalWeights& w) {
    int32_t s = 0;
    for (int k = 0; k < 8; ++k) s += w.own[k] * f.own[k] - w.opponent[k] * f.opponent[k];
    s += (w.running * f.running) / RUNNING_UNIT;
    s += w.forbiddenFree * f.forbiddenFree + w.forbiddenOpenThree * f.forbiddenOpenThree +
         w.forbiddenOtherThree * f.forbiddenOtherThree;
    s += SHAPE_SHARE * (f.ownShapes - f.otherShapes) / 16;
    return std::clamp((4 * s) / 32, -EVAL_LIMIT, EVAL_LIMIT);
}

int32_t evaluate(Position& pos) { return evaluateFeatures(evalFeatures(pos), EVAL_WEIGHTS); }
