// The texts the search reports to the manager: the information line of each
// principal variation (depth, score, bound, nodes, speed, time, moves), the
// short score text of the score-trend remarks, and the coordinate text of a
// move in the plain and the extension style.
#pragma once

#include <cstdint>
#include <string>

#include "board/types.h"

struct Position;
class SearchThread;
struct ThreadPool;

// "+M%d" / "-M%d" for wins and losses, else the score divided by 4.
std::string scoreText(int32_t value);

// The coordinates of a move: extension style "h8" (letter of y, then N - x)
// when the position is in extension mode, else colour mark, letter of x and
// y ("Xh7"); empty for a move off the 31 x 31 grid.
std::string moveText(const Position& pos, MoveWord move);

// One line per reported variation of the main thread's root moves, the lines
// after the first preceded by a line feed and "MESSAGE " (print the whole as
// "MESSAGE %s"). elapsedMs is the time since the search started.
std::string infoLines(const ThreadPool& pool, const SearchThread& main, int32_t depth, int32_t alpha,
                      int32_t beta, int64_t elapsedMs);

// Node counts as the information line shows them: G, M and k units.
std::string nodeCountText(uint64_t nodes);
