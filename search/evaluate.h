// The static evaluation of a position: what the search scores a quiet leaf
// with. It weighs both colours' threat-class counts (the side to move's own
// threats four times as much, since it moves first), adds the running score
// of the stones and the value of the black colour's forbidden cells for
// white, and scales the sum down. The result is from the side to move's
// view, in internal score units (displayed scores are a quarter of these).
// It reads only the current record's counters and score; it allocates
// nothing and changes nothing.
#pragma once

#include <cstdint>

struct Position;

int32_t evaluate(const Position& pos);
