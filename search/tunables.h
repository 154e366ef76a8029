// The numbers a strength test or the tuner changes without a rebuild: the
// evaluation's weights, each under a name the engine's own INFO key sets
// ("INFO TUNE NAME value"; names are upper case, as the protocol reads every
// line). The defaults are the values the engine plays
// with. They are written only between searches (INFO is refused during one)
// and read by every search thread.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

// Weights of the static evaluation (see evaluate.h), in internal units
// before its final scaling.
struct EvalWeights {
    // A cell of class 2 (closed threes), 3 (open three) ... 9 (five point):
    // the side to move's own, and the other side's.
    int32_t own[8];
    int32_t opponent[8];
    // The stones' running score (their values in their windows and their
    // cells' positional weights), in sixteenths.
    int32_t running;
    // Each line through one of black's forbidden cells, for white to move,
    // by what white has there: nothing of a three, an open three, a lesser
    // three.
    int32_t forbiddenFree;
    int32_t forbiddenOpenThree;
    int32_t forbiddenOtherThree;
};

// Fitted by tools/tune/texel_main.cpp (--tie-sides --prior 0.01) to 1,553
// renju self-play games of 20,000 nodes a move, from the hand-set weights
// {1000, 680, 800, 1120, 1320, 1440, 1536, 2304}, their quarters, 16, 510,
// 255 and 122. The stones' running score and the free forbidden cells came
// out at nothing on those games; they stay tunables for another fit.
constexpr EvalWeights DEFAULT_EVAL_WEIGHTS = {
    {1053, 479, 564, 1334, 847, 2236, 4529, 2304},
    {263, 120, 141, 334, 212, 559, 1132, 576},
    0,
    0,
    241,
    122,
};

extern EvalWeights EVAL_WEIGHTS;

struct Tunable {
    const char* name;
    int32_t* value;
    int32_t defaultValue;
    int32_t least;
    int32_t most;
};

// Every tunable, in a fixed order.
std::span<const Tunable> tunables();

// Sets the named tunable to the value, clamped to its range; false (and no
// change) for a name that is not one.
bool setTunable(std::string_view name, int64_t value);

// Every tunable back to its default.
void resetTunables();
