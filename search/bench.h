// The BENCH start-up mode: searches the built-in pictures to a fixed depth
// and reports time, nodes and speed on standard error.
#pragma once

#include <cstdint>

// The node count BENCH reports: the signature of the search. A change that
// alters what the search does changes it on purpose; update it here, where
// a test checks it, and end the commit's message with "Bench: N".
constexpr uint64_t BENCH_NODES = 27807898;

void runBenchmark();
