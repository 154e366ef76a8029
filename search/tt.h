// The process-wide transposition table shared by the search threads.
#pragma once

#include <cstdint>

// Sizes the table to the given number of bytes (0 for the default size).
void resizeTranspositionTable(uint64_t bytes);
