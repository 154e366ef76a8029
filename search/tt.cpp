#include "search/tt.h"

// The table's memory and store rules come with the search core.
void resizeTranspositionTable(uint64_t) {}
