// The one channel to the manager. Every line the engine says goes through
// `reply`: formatted printf-style into a fixed buffer, written with the
// system's line end (LINE_END) in a single library call and flushed at once, so lines from the
// protocol thread and the search thread never mix and never wait in a buffer.
#pragma once

#include <cstdarg>

struct GameContext;

// Longest line the engine can print, terminating zero included; a longer
// text is cut to fit.
constexpr int REPLY_BUFFER_SIZE = 10240;

void reply(const GameContext& context, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

// Same as `reply`, for callers that already hold a va_list.
void replyV(const GameContext& context, const char* format, va_list args);

// The same channel for the one caller that has no game at hand: the
// handler of a failed allocation. Allocates nothing.
void sayWithoutGame(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The identification line answering ABOUT.
extern const char* const ABOUT_LINE;

// The diagnostic picture of the game position printed after a stone was
// refused: title and hash, size and stone count, then one row per y.
void printBoardDump(const GameContext& context, const char* title);
