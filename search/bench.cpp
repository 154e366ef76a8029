#include "search/bench.h"

// The benchmark searches come with the search driver.
void runBenchmark() {}
