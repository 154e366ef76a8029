// The hash keys of stones and of the side to move. A position's key is the
// XOR of ZobristKeys[word & 0x7ff] over its stones (an X stone uses index
// 0x400 | cell, an O stone index cell), XOR SIDE_KEY when O is to move. The
// keys are fixed for the life of the process and live in read-only data.
#pragma once

#include <array>
#include <cstdint>

constexpr uint64_t SIDE_KEY = 0x50f3f835fc7b73bc;

constexpr uint32_t ZOBRIST_KEY_COUNT = 2048;
constexpr uint32_t ZOBRIST_INDEX_MASK = 0x7ff;

extern const std::array<uint64_t, ZOBRIST_KEY_COUNT> ZobristKeys;
