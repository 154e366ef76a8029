#include "search/threads.h"

ScoreTrend scoreTrend;

// The search thread itself comes with the search driver.
void initPool(int64_t, int64_t) {}
