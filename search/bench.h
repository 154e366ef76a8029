// The BENCH start-up mode: searches the built-in pictures to a fixed depth
// and reports time, nodes and speed on standard error.
#pragma once

void runBenchmark();
