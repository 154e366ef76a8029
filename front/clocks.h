// How the manager's clocks become the time limits of one search. Managers
// send them in many combinations; they mean:
//
//   TIMEOUT_TURN t > 0     no move takes longer than t (less a safety margin)
//   TIMEOUT_TURN 0         no per-move cap
//   TIMEOUT_MATCH m > 0    a match clock: TIME_LEFT is the time still left for
//                          the whole game; without a TIME_LEFT since START, m
//   TIMEOUT_MATCH 0        no match clock: TIME_LEFT is ignored
//   TIME_LEFT >= 2^31 - 1  unlimited ("no match limit")
//   TIME_LEFT <= margin    under a match clock (zero and negative included):
//                          move at once, a shallow search of a few ms
//   no clock at all        the search runs until YXSTOP, MAX_DEPTH or MAX_NODE
//
// The limits keep the driver's form: `turnTime` and `time` in ms, each 0 when
// that clock does not limit the move and at least 1 when it does (1 means
// move at once); `depth` is MAX_DEPTH (0 for none, at most the deepest
// iteration there is) except under a running match clock.
#pragma once

#include <cstdint>

struct EngineSettings;
struct SearchLimits;

// Taken off every clock for the time the reply needs to reach the manager.
constexpr int32_t CLOCK_MARGIN_MS = 10;

// A TIME_LEFT at or above this means the match clock does not limit.
constexpr int64_t UNLIMITED_TIME_LEFT = 2147483647;

// Fills turnTime, time, inc, reserve and depth of the limits.
void applyClocks(const EngineSettings& settings, SearchLimits& limits);
