// The static evaluation of a position: what the search scores a quiet leaf
// with. It weighs both colours' threat-class counts (by default the side to
// move's own threats four times as much, since it moves first), adds the
// running score of the stones, the value of the black colour's forbidden
// cells for white and the fitted values of every empty cell's shape for
// both sides (kept by the position), and scales the sum down. The weights are the tunables'
// (search/tunables.h). The result is from the side to move's view, in
// internal score units (displayed scores are a quarter of these). It reads
// only the current record's counters and score; it allocates nothing and
// changes nothing.
#pragma once

#include <cstdint>

struct EvalWeights;
struct Position;

// What the evaluation weighs, from the side to move's view: the evaluation
// is linear in the weights over these (up to its final rounding), which is
// what the tuner fits.
struct EvalFeatures {
    int32_t own[8];       // the side to move's cells of class 2 .. 9
    int32_t opponent[8];  // the other side's
    int32_t running;      // the stones' running score less the thread's offset
    int32_t forbiddenFree;  // lines through black's forbidden cells, white to move
    int32_t forbiddenOpenThree;
    int32_t forbiddenOtherThree;
    // The shape values of the side to move's empty cells (valued as its
    // own) with the shapes' tempo, and of the other side's (valued as the
    // other's).
    int32_t ownShapes;
    int32_t otherShapes;
};

// The features of the position; brings its shapes up to date first
// (syncShapes), which is why it takes the position to write.
EvalFeatures evalFeatures(Position& pos);

// The evaluation never leaves -EVAL_LIMIT .. EVAL_LIMIT, whatever the
// weights: well inside the scores the search keeps for proven wins and
// losses, and inside the 16 bits the transposition table stores it in, even
// with the largest null-move tempo added.
constexpr int32_t EVAL_LIMIT = 16000;

// The weighted sum with the shapes' sums (at SHAPE_SHARE sixteenths),
// scaled, then held within EVAL_LIMIT.
int32_t evaluateFeatures(const EvalFeatures& f, const EvalWeights& w);

int32_t evaluate(Position& pos);
