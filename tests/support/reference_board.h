// Test support: a board state computed from scratch from a list of stones,
// without the incremental machinery of Position. Every window is read
// straight from the stones' coordinates, every slot is a plain pattern-table
// lookup, every class a ClassTable lookup (no Renju verdict), the threat
// lists are the sorted sets of (cell, direction) pairs above code 4, and the
// key, neighbourhood and empty mask follow their definitions cell by cell.
// compareWithReference says where a Position differs from it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "board/position.h"
#include "board/types.h"

struct ReferenceBoard {
    uint32_t boardSize = 0;
    uint32_t cells[BOARD_CELLS] = {};
    uint32_t windows[BOARD_CELLS][DIRECTION_COUNT] = {};  // on-board cells only
    uint64_t slots[BOARD_CELLS][DIRECTION_COUNT] = {};
    ClassPair classes[CLASS_CELLS] = {};
    uint16_t classCountX[CLASS_COUNT] = {};
    uint16_t classCountO[CLASS_COUNT] = {};
    uint8_t hasFourX = 0;
    uint8_t hasFourO = 0;
    std::vector<ThreatWord> threatsX;  // sorted
    std::vector<ThreatWord> threatsO;  // sorted
    uint32_t emptyMask[32] = {};       // words x < boardSize
    uint32_t area[26] = {};
    uint64_t key = 0;
};

// The window of the cell (x, y) in a direction, read from the cells: 11
// cells from offset -5 to +5, 2 bits each, walls off the board.
uint32_t referenceWindow(const uint32_t* cells, uint32_t boardSize, uint32_t x, uint32_t y,
                         int direction);

// Builds the reference for the stones (in any order) on an N x N board with
// the given pattern-table variant; the key includes SIDE_KEY when O is to
// move (pass hashStones = false for a picture set-up, whose stones are not
// hashed).
void buildReference(ReferenceBoard& ref, uint32_t boardSize, const std::vector<MoveWord>& stones,
                    const uint64_t* table, bool xToMove, bool hashStones = true);

// The empty-cell entries in the threat list of one colour, sorted.
std::vector<ThreatWord> sortedThreats(const ThreatList& list);

// Differences between the position and the reference, one line each (at most
// a dozen); empty when they agree. Direction slots are compared in their code
// and detail fields, the fields the board keeps current for every cell (a
// stone's score bytes are read only when it is put). The running score,
// which depends on the order of the stones, is not compared here.
std::string compareWithReference(const Position& pos, const ReferenceBoard& ref);

// The direction slot fields that the board keeps current for every cell.
constexpr uint64_t SLOT_KEPT_FIELDS = 0xffffffff0000ffffULL;
