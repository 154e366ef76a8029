// The pool of search threads: one main search thread that sleeps between
// searches, and the MultiPV count every search reports.
#pragma once

#include <cstdint>

// The thread count is accepted and not used: the pool always holds one
// search thread.
void initPool(int64_t threadCount, int64_t multiPv);
