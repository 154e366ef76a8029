// The numbers a strength test or the tuner changes without a rebuild: the
// evaluation's weights and the search margins measured in its units, each
// under a name the engine's own INFO key sets
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

// The search's margins and steps in evaluation units (see alphabeta.cpp for
// where each one prunes or reduces). They follow the evaluation's scale, so
// a change of weights may want them changed too.
struct SearchMargins {
    int32_t tempo;              // a null move hands the evaluation over, plus this
    int32_t futility;           // per depth: the child's futility when not improving
    int32_t futilityImproving;  // per depth: the same when improving
    int32_t nullMove;           // per depth beyond 7: how far below beta forbids a pass
    int32_t nullMoveDivisor;    // the pass reduces one ply more for each this much above beta
    int32_t answerPrune;        // per depth squared: a threat answer's futility
    int32_t lateMove;           // per reduced depth: a late quiet move's futility
    int32_t lateMoveOffset;     // taken from that move's margin
    int32_t aspiration;         // the first aspiration window's half width
};

constexpr SearchMargins DEFAULT_SEARCH_MARGINS = {360, 220, 180, 108, 188, 212, 512, 16, 17};

extern SearchMargins SEARCH_MARGINS;

// The cell shapes' values' share of the evaluation (board/cell_shapes.h,
// search/shape_values.h), in sixteenths: 16 plays them as fitted, 0 is the
// evaluation of the threat classes alone. INFO TUNE SHAPES sets it.
constexpr int32_t DEFAULT_SHAPE_SHARE = 16;
extern int32_t SHAPE_SHARE;

// What the shapes' part of the evaluation adds for the side to move, in
// the values' units, while shapes are tracked: the search plays fitted
// values better with about 1000 (the fit itself would take some away). 0
// until values are built in; INFO TUNE SHAPE_TEMPO sets it.
constexpr int32_t DEFAULT_SHAPE_TEMPO = 0;
extern int32_t SHAPE_TEMPO;

struct Tunable {
    const char* name;
    int32_t* value;
    int32_t defaultValue;
    int32_t least;
    int32_t most;
};

// Every tunable, in a fixed order: the evaluation's weights first, in the
// order of EvalWeights, then the search margins.
std::span<const Tunable> tunables();

// The evaluation's weights alone (what the tuner fits).
std::span<const Tunable> evalTunables();

// Sets the named tunable to the value, clamped to its range, and returns it;
// nullptr (and no change) for a name that is not one.
const Tunable* setTunable(std::string_view name, int64_t value);

// Every tunable back to its default.
void resetTunables();
