// How the manager's clocks become the limits of one search, and the time
// budget the driver draws from them: one row for each combination managers
// send.
#include "front/clocks.h"

#include <gtest/gtest.h>

#include <optional>
#include <utility>

#include "front/settings.h"
#include "search/driver.h"
#include "search/search_limits.h"

namespace {

struct Clocks {
    uint32_t turn = 0;                 // TIMEOUT_TURN
    uint32_t match = 0;                // TIMEOUT_MATCH
    std::optional<int64_t> left = {};  // TIME_LEFT, when one came since START
};

SearchLimits limitsFor(const Clocks& clocks) {
    EngineSettings settings;
    settings.timeoutTurn = clocks.turn;
    settings.timeoutMatch = clocks.match;
    settings.timeLeftGiven = clocks.left.has_value();
    settings.timeLeft = clocks.left.value_or(0);
    settings.maxDepth = 28;
    SearchLimits limits;
    applyClocks(settings, limits);
    limits.movesToGo = 102;  // 15 x 15 with 20 stones
    return limits;
}

TEST(Clocks, EachCombinationManagersSend) {
    struct Case {
        const char* name;
        Clocks clocks;
        int32_t turnTime, time, depth;  // the limits
        bool timed;                     // the search runs on the clock
        int32_t maximumAtMost;          // the hard limit of the move, when timed
    };
    const Case cases[] = {
        {"TIMEOUT_TURN t: no move longer than t less the margin", {5000, 0, {}}, 4990, 0, 28, true, 4990},
        {"TIMEOUT_TURN 0 and no match clock: no clock at all", {0, 0, {}}, 0, 0, 28, false, 0},
        {"TIMEOUT_TURN within the margin: at once, not no cap", {10, 0, {}}, 1, 0, 28, true, 1},
        {"TIMEOUT_TURN 1: at once", {1, 0, {}}, 1, 0, 28, true, 1},
        {"TIMEOUT_TURN 0 under a match clock: the match share alone", {0, 100000, 60000}, 0, 59990, 0, true, 5999},
        {"TIMEOUT_MATCH m without TIME_LEFT: m is left", {0, 100000, {}}, 0, 99990, 0, true, 9999},
        {"TIMEOUT_MATCH 0: TIME_LEFT is ignored", {3000, 0, 50}, 2990, 0, 28, true, 2990},
        {"TIMEOUT_MATCH 0 and no turn time: TIME_LEFT still ignored", {0, 0, 50}, 0, 0, 28, false, 0},
        {"TIME_LEFT 2147483647: unlimited, the turn time governs", {3000, 100000, 2147483647}, 2990, 0, 28, true, 2990},
        {"TIME_LEFT 2147483647 without a turn time: no clock", {0, 100000, 2147483647}, 0, 0, 28, false, 0},
        {"TIME_LEFT 0 under a match clock: at once", {5000, 100000, 0}, 4990, 1, 0, true, 1},
        {"TIME_LEFT negative under a match clock: at once", {5000, 100000, -300}, 4990, 1, 0, true, 1},
        {"TIME_LEFT within the margin: at once", {5000, 100000, 10}, 4990, 1, 0, true, 1},
        {"a match share never exceeds a tenth of the time left", {0, 100000, 3000}, 0, 2990, 0, true, 299},
        {"the turn time caps the match share", {200, 100000, 60000}, 190, 59990, 0, true, 190},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SearchLimits limits = limitsFor(c.clocks);
        EXPECT_EQ(limits.turnTime, c.turnTime);
        EXPECT_EQ(limits.time, c.time);
        EXPECT_EQ(limits.depth, c.depth);
        EXPECT_EQ(usesTimeManagement(limits), c.timed);
        if (!c.timed) continue;
        for (uint32_t stones : {0u, 20u, 120u, 220u}) {
            limits.movesToGo = std::max((225 - int32_t(stones)) / 2, 1);
            initTime(limits, stones);
            EXPECT_LE(Time.maximumTime, c.maximumAtMost) << stones << " stones";
            EXPECT_GE(Time.maximumTime, 1) << stones << " stones";
            EXPECT_LE(Time.optimumTime, Time.maximumTime) << stones << " stones";
        }
    }
}

TEST(Clocks, HugeValuesStayInRange) {
    const SearchLimits limits = limitsFor({4294967295u, 4294967295u, 2147483646});
    EXPECT_EQ(limits.turnTime, 2147483647);
    EXPECT_EQ(limits.time, 2147483636);
    EXPECT_EQ(limits.reserve, 4194303);
}

TEST(Clocks, TheDepthLimitStaysWithinTheDeepestIteration) {
    const std::pair<uint32_t, int32_t> cases[] = {{0, 0}, {1, 1}, {28, 28}, {127, 127}, {128, 127},
                                                  {2147483648u, 127}, {4294967295u, 127}};
    for (const auto& [maxDepth, depth] : cases) {
        EngineSettings settings;
        settings.maxDepth = maxDepth;
        SearchLimits limits;
        applyClocks(settings, limits);
        EXPECT_EQ(limits.depth, depth) << maxDepth;
    }
}

}  // namespace
