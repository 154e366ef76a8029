// The score EVAL computes: a proven threat result turned into a win or loss
// score, or the static evaluation when the threat search proves nothing.
#pragma once

#include <cstdint>

struct Position;

// From the side to move's view: 32000 - r for a win in r plies, -32000 - r
// for a loss in -r plies, else evaluate. The position is unchanged.
int32_t threatScore(Position& pos);
