// The Renju verdict that turns the table class of an empty cell for the black
// colour into its final class (a double three whose threes are not all real
// is no longer forbidden, and so on). putStone calls it only for black table
// classes 6, 7 and 8, the only ones the verdict can change; every other class
// is final as the ClassTable gives it. The white colour is never adjusted.
#pragma once

#include <cstdint>

struct Position;

// Final black class of the empty cell, given its black class from the
// ClassTable (6, 7 or 8). Reads the current board; changes nothing.
uint8_t adjustBlackClass(const Position& pos, uint32_t cell, uint8_t tableClass);
