#include "search/tunables.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "search/evaluate.h"
#include "search/tt.h"

EvalWeights EVAL_WEIGHTS = DEFAULT_EVAL_WEIGHTS;
SearchMargins SEARCH_MARGINS = DEFAULT_SEARCH_MARGINS;
int32_t SHAPE_SHARE = DEFAULT_SHAPE_SHARE;
int32_t SHAPE_TEMPO = DEFAULT_SHAPE_TEMPO;

namespace {

// Weights stay far enough from zero and from the int32 range that no sum of
// the evaluation can overflow (at most 640 cells of each side).
constexpr int32_t MOST_CLASS_WEIGHT = 100000;
constexpr int32_t MOST_RUNNING = 256;
constexpr int32_t MOST_FORBIDDEN = 100000;
// A margin times the deepest depth squared stays far inside int32; a divisor
// is never zero.
constexpr int32_t MOST_MARGIN = 10000;
// A null move's evaluation (the tempo less the evaluation before it) is no
// proven score either.
static_assert(EVAL_LIMIT + MOST_MARGIN < SCORE_MATE_IN_MAX_PLY && EVAL_LIMIT + MOST_MARGIN < INT16_MAX);
constexpr size_t EVAL_TUNABLE_COUNT = sizeof(EvalWeights) / sizeof(int32_t);
// Four times the fitted values at the most: a shape sum of 400 cells of the
// largest value times this stays far inside int32.
constexpr int32_t MOST_SHAPE_SHARE = 64;
// As much as one int16 value.
constexpr int32_t MOST_SHAPE_TEMPO = 32767;

constexpr Tunable margin(const char* name, int32_t& value, int32_t defaultValue, int32_t least = 0) {
    return {name, &value, defaultValue, least, MOST_MARGIN};
}

constexpr Tunable classWeight(const char* name, int32_t& value, int32_t defaultValue) {
    return {name, &value, defaultValue, 0, MOST_CLASS_WEIGHT};
}

const std::array TUNABLES = {
    classWeight("OWN_CLOSED_THREES", EVAL_WEIGHTS.own[0], DEFAULT_EVAL_WEIGHTS.own[0]),
    classWeight("OWN_OPEN_THREE", EVAL_WEIGHTS.own[1], DEFAULT_EVAL_WEIGHTS.own[1]),
    classWeight("OWN_FOUR", EVAL_WEIGHTS.own[2], DEFAULT_EVAL_WEIGHTS.own[2]),
    classWeight("OWN_FOUR_CLOSED_THREE", EVAL_WEIGHTS.own[3], DEFAULT_EVAL_WEIGHTS.own[3]),
    classWeight("OWN_DOUBLE_THREE", EVAL_WEIGHTS.own[4], DEFAULT_EVAL_WEIGHTS.own[4]),
    classWeight("OWN_FOUR_THREE", EVAL_WEIGHTS.own[5], DEFAULT_EVAL_WEIGHTS.own[5]),
    classWeight("OWN_OPEN_FOUR", EVAL_WEIGHTS.own[6], DEFAULT_EVAL_WEIGHTS.own[6]),
    classWeight("OWN_FIVE", EVAL_WEIGHTS.own[7], DEFAULT_EVAL_WEIGHTS.own[7]),
    classWeight("OPPONENT_CLOSED_THREES", EVAL_WEIGHTS.opponent[0], DEFAULT_EVAL_WEIGHTS.opponent[0]),
    classWeight("OPPONENT_OPEN_THREE", EVAL_WEIGHTS.opponent[1], DEFAULT_EVAL_WEIGHTS.opponent[1]),
    classWeight("OPPONENT_FOUR", EVAL_WEIGHTS.opponent[2], DEFAULT_EVAL_WEIGHTS.opponent[2]),
    classWeight("OPPONENT_FOUR_CLOSED_THREE", EVAL_WEIGHTS.opponent[3], DEFAULT_EVAL_WEIGHTS.opponent[3]),
    classWeight("OPPONENT_DOUBLE_THREE", EVAL_WEIGHTS.opponent[4], DEFAULT_EVAL_WEIGHTS.opponent[4]),
    classWeight("OPPONENT_FOUR_THREE", EVAL_WEIGHTS.opponent[5], DEFAULT_EVAL_WEIGHTS.opponent[5]),
    classWeight("OPPONENT_OPEN_FOUR", EVAL_WEIGHTS.opponent[6], DEFAULT_EVAL_WEIGHTS.opponent[6]),
    classWeight("OPPONENT_FIVE", EVAL_WEIGHTS.opponent[7], DEFAULT_EVAL_WEIGHTS.opponent[7]),
    Tunable{"RUNNING", &EVAL_WEIGHTS.running, DEFAULT_EVAL_WEIGHTS.running, 0, MOST_RUNNING},
    Tunable{"FORBIDDEN_FREE", &EVAL_WEIGHTS.forbiddenFree, DEFAULT_EVAL_WEIGHTS.forbiddenFree, 0, MOST_FORBIDDEN},
    Tunable{"FORBIDDEN_OPEN_THREE", &EVAL_WEIGHTS.forbiddenOpenThree, DEFAULT_EVAL_WEIGHTS.forbiddenOpenThree, 0,
            MOST_FORBIDDEN},
    Tunable{"FORBIDDEN_OTHER_THREE", &EVAL_WEIGHTS.forbiddenOtherThree, DEFAULT_EVAL_WEIGHTS.forbiddenOtherThree, 0,
            MOST_FORBIDDEN},
    margin("TEMPO", SEARCH_MARGINS.tempo, DEFAULT_SEARCH_MARGINS.tempo),
    margin("FUTILITY", SEARCH_MARGINS.futility, DEFAULT_SEARCH_MARGINS.futility),
    margin("FUTILITY_IMPROVING", SEARCH_MARGINS.futilityImproving, DEFAULT_SEARCH_MARGINS.futilityImproving),
    margin("NULL_MOVE", SEARCH_MARGINS.nullMove, DEFAULT_SEARCH_MARGINS.nullMove),
    margin("NULL_MOVE_DIVISOR", SEARCH_MARGINS.nullMoveDivisor, DEFAULT_SEARCH_MARGINS.nullMoveDivisor, 1),
    margin("ANSWER_PRUNE", SEARCH_MARGINS.answerPrune, DEFAULT_SEARCH_MARGINS.answerPrune),
    margin("LATE_MOVE", SEARCH_MARGINS.lateMove, DEFAULT_SEARCH_MARGINS.lateMove),
    margin("LATE_MOVE_OFFSET", SEARCH_MARGINS.lateMoveOffset, DEFAULT_SEARCH_MARGINS.lateMoveOffset),
    margin("ASPIRATION", SEARCH_MARGINS.aspiration, DEFAULT_SEARCH_MARGINS.aspiration, 1),
    Tunable{"SHAPES", &SHAPE_SHARE, DEFAULT_SHAPE_SHARE, 0, MOST_SHAPE_SHARE},
    Tunable{"SHAPE_TEMPO", &SHAPE_TEMPO, DEFAULT_SHAPE_TEMPO, 0, MOST_SHAPE_TEMPO},
};
static_assert(TUNABLES.size() * sizeof(int32_t) ==
                  sizeof(EvalWeights) + sizeof(SearchMargins) + sizeof(SHAPE_SHARE) + sizeof(SHAPE_TEMPO),
              "every weight, every margin, the shapes' share and tempo is a tunable");

}  // namespace

std::span<const Tunable> tunables() { return TUNABLES; }

std::span<const Tunable> evalTunables() { return std::span(TUNABLES).first(EVAL_TUNABLE_COUNT); }

const Tunable* setTunable(std::string_view name, int64_t value) {
    for (const Tunable& t : TUNABLES) {
        if (name != t.name) continue;
        *t.value = int32_t(std::clamp<int64_t>(value, t.least, t.most));
        return &t;
    }
    return nullptr;
}

void resetTunables() {
    for (const Tunable& t : TUNABLES) *t.value = t.defaultValue;
}
