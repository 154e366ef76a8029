// The one game of the run: the manager's position, the settings, the board
// size the move commands check against, the flags shared with the search
// thread, the moves excluded from the search, and where the protocol lines
// come from. Exactly one exists; it is passed by reference to every command
// handler.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "board/position.h"
#include "front/settings.h"
#include "platform/large_block.h"

constexpr uint32_t START_BOARD_SIZE = 20;

// What the engine does when its input ends: end the process at once with
// status 0, whatever is running.
void exitAtEndOfInput();

// It lives in a large block of its own: the position's fixed capacities
// cost only the pages a game touches.
struct alignas(64) GameContext : InLargeBlock {
    Position position;  // the manager's game; yixinMode lives here
    EngineSettings settings;
    uint32_t boardWidth = START_BOARD_SIZE;
    uint32_t boardHeight = START_BOARD_SIZE;
    // Set before a search starts and cleared by the search driver just before
    // its final reply; while set, the dispatcher refuses most commands.
    std::atomic<bool> searching{false};
    bool showDetail = false;
    std::vector<uint32_t> blockedCells;
    // Where protocol lines come from and what happens when they run out.
    // The engine reads standard input and exits; a harness that drives the
    // protocol in-process points `input` at its own bytes and gives an
    // `atEndOfInput` that unwinds back to itself (it must not return).
    std::FILE* input = stdin;
    void (*atEndOfInput)() = exitAtEndOfInput;
};

// Fresh game object for a board of the given size: the position reset, the
// settings at their defaults, the move commands checking against 20 x 20.
void initGameContext(GameContext& context, uint32_t boardSize);
