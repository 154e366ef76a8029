// What a search hands its results to. In the engine that is the protocol's
// game: the front end fills this table in when it starts a search, and the
// driver prints its lines and plays its move through it without knowing the
// front end. The benchmark gives none, and nothing is printed or played.
#pragma once

#include <cstdint>

struct SearchClient {
    void* game = nullptr;  // handed back to every call
    // Prints one line to the manager; the line feed is added.
    void (*say)(void* game, const char* line) = nullptr;
    // Puts the engine's chosen stone on the game position, before the move
    // line is printed.
    void (*playOwnMove)(void* game, uint32_t x, uint32_t y) = nullptr;
    // The search is over and the game accepts every command again; called
    // just before the final line, so that a command the manager sends as soon
    // as it reads the reply is never refused.
    void (*searchDone)(void* game) = nullptr;
    bool showDetail = false;  // realtime progress lines for an analysis board
};
