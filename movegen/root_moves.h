// The moves the search considers at its root: one record per move with the
// score of the current and of the previous iteration and the principal
// variation that starts with the move.
#pragma once

#include <cstdint>
#include <vector>

#include "board/types.h"

constexpr int32_t ROOT_SCORE_UNKNOWN = -32001;

struct RootMove {
    int32_t score = ROOT_SCORE_UNKNOWN;
    int32_t previousScore = ROOT_SCORE_UNKNOWN;
    std::vector<MoveWord> pv;  // pv[0] is the root move
};
