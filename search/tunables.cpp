#include "search/tunables.h"

#include <algorithm>
#include <array>

EvalWeights EVAL_WEIGHTS = DEFAULT_EVAL_WEIGHTS;

namespace {

// Weights stay far enough from zero and from the int32 range that no sum of
// the evaluation can overflow (at most 640 cells of each side).
constexpr int32_t MOST_CLASS_WEIGHT = 100000;
constexpr int32_t MOST_RUNNING = 256;
constexpr int32_t MOST_FORBIDDEN = 100000;

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
};

}  // namespace

std::span<const Tunable> tunables() { return TUNABLES; }

bool setTunable(std::string_view name, int64_t value) {
    for (const Tunable& t : TUNABLES) {
        if (name != t.name) continue;
        *t.value = int32_t(std::clamp<int64_t>(value, t.least, t.most));
        return true;
    }
    return false;
}

void resetTunables() {
    for (const Tunable& t : TUNABLES) *t.value = t.defaultValue;
}
