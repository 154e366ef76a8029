// The element of every move list in the engine: a move word with an ordering
// value. The move word carries the cell (bits 0-9) and the mover's colour
// (bits 10-11); a move taken from a threat word keeps that word's direction,
// key-cell mask, shift, level and cell class in bits 12-29; bit 30 marks a
// forcing move (a five point of the mover or the block of the opponent's);
// bit 31 is always 0. Two moves are the same move when their low 12 bits
// agree. Generators fill only `move`; the move picker writes `value`.
#pragma once

#include <cstdint>

struct ScoredMove {
    uint32_t move;
    int32_t value;
};

// Set on the five-point moves of the threat responses: the mover's own five
// point, or the cell that blocks the opponent's five point.
constexpr uint32_t FORCING_FLAG = 0x40000000;
