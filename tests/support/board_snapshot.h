// Test support: a copy of everything a take-back must restore (cells, every
// direction slot, every line code, class pairs and shapes, empty mask, stone count,
// side to move, which record is current and that record's bytes), so a test
// can check that make-then-unmake leaves no trace. All of it is compared bit
// for bit except the stone-score bytes of the slots: those of a stone are
// refreshed only when its window may hold a five, so a take-back can leave
// them fresher than they were (nothing reads them after the stone is put).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "board/position.h"

struct BoardSnapshot {
    std::vector<uint32_t> cells;
    std::vector<uint64_t> slots;
    std::vector<uint64_t> lineCodes;
    std::vector<ClassPair> classes;
    std::vector<ShapePair> shapes;
    std::vector<uint32_t> emptyMask;
    uint32_t stoneCount = 0;
    uint8_t sideToMove = 0;
    const StateRecord* current = nullptr;
    std::vector<unsigned char> record;  // the bytes of the current record
};

BoardSnapshot takeSnapshot(const Position& pos);

// The first fields that differ, empty when the position matches the snapshot.
std::string differencesFrom(const BoardSnapshot& before, const Position& pos);
