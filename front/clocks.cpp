#include "front/clocks.h"

#include <algorithm>
#include <limits>

#include "front/settings.h"
#include "search/search_limits.h"

namespace {

constexpr int64_t INT32_LIMIT = std::numeric_limits<int32_t>::max();

// The ms a clock leaves for the move once the margin is off: at least 1, so
// that a clock that has run out still limits the move (to "at once").
int32_t lessMargin(int64_t ms) { return int32_t(std::clamp<int64_t>(ms - CLOCK_MARGIN_MS, 1, INT32_LIMIT)); }

}  // namespace

void applyClocks(const EngineSettings& settings, SearchLimits& limits) {
    limits.turnTime = settings.timeoutTurn > 0 ? lessMargin(settings.timeoutTurn) : 0;
    const int64_t left = settings.timeLeftGiven ? settings.timeLeft : int64_t(settings.timeoutMatch);
    const bool matchClock = settings.timeoutMatch > 0 && left < UNLIMITED_TIME_LEFT;
    limits.time = matchClock ? lessMargin(left) : 0;
    limits.inc = int32_t(std::min<int64_t>(settings.timeInc, INT32_LIMIT));
    limits.reserve = int32_t(settings.timeoutMatch >> 10);
    // A running match clock shares the game's time; a depth limit would only
    // leave that time unused.
    limits.depth = limits.time != 0 ? 0 : int32_t(std::min<uint32_t>(settings.maxDepth, MAX_SEARCH_DEPTH));
}
