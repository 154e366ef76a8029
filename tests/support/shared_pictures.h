// Test support: board pictures shared by several test files.
#pragma once

// A crowded 20 x 20 board: with X black and to move, O's four-three points
// meet X's fours at their block cells, so the raw threat responses hold every
// neighbourhood cell beside the threat cells, well over 400 moves.
extern const char* const CROWDED_BOARD;
