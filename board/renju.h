// The Renju verdict on black's cells. The pattern tables settle what one
// line shows (an overline or two fours in a line is forbidden outright);
// whether an open three is real needs the whole board: it is real when some
// cell that turns it into a straight four may itself be played. The verdict
// is deliberately shallow: a completion point's legality is read from the
// stored codes and classes of the current board, without playing it and
// without recursion.
//
// putStone calls adjustBlackClass only for black table classes 6, 7 and 8,
// the only ones the verdict can change; every other class is final as the
// ClassTable gives it. The white colour is never adjusted. With black not yet
// known, O is judged as black.
#pragma once

#include <cstdint>

struct Position;

// Final black class of the empty cell, given its black class from the
// ClassTable (6, 7 or 8): a double three keeps class 1 only with two real
// threes, a four-three without a real three is a four with a closed three,
// an open four with two real threes or fours in two lines is forbidden.
// Reads the current board; changes nothing.
uint8_t adjustBlackClass(const Position& pos, uint32_t cell, uint8_t tableClass);

// Black's forbidden cells as white sees them when white is to move, counted
// per line through each cell by what white itself has there: nothing of its
// own three (the cell is worth most to white, black can never take it),
// an open three of its own, or a lesser three. All zero when black is to
// move or nothing is forbidden.
struct ForbiddenCellCounts {
    int32_t free = 0;
    int32_t openThree = 0;
    int32_t otherThree = 0;
};
ForbiddenCellCounts countForbiddenCells(const Position& pos);
