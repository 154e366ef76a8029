// The pool of search threads: one main search thread that sleeps between
// searches, and the MultiPV count every search reports.
#pragma once

#include <cstdint>

// The thread count is accepted and not used: the pool always holds one
// search thread.
void initPool(int64_t threadCount, int64_t multiPv);

// What the main search thread remembers of the scores of earlier searches in
// this game, for its remarks on the score trend.
struct ScoreTrend {
    bool winSeen = false;
    int32_t peakScore = -32001;
    int32_t lastScore = -32001;
};
extern ScoreTrend scoreTrend;
