// Test support: the pieces of a manager's script that the end-to-end tests
// share: sending a block of lines closed by DONE, stone lines from a drawn
// board, and reading up to the engine's reply to a move request.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "support/engine_process.h"

// "x,y": the form of a move reply.
bool isMoveReply(const std::string& line);

// Reads lines until a move or SWAP arrives or the timeout passes; returns
// every line read, the reply last when it came.
std::vector<std::string> readUntilReply(EngineProcess& engine, int timeoutMs = 5000);

// The command, each line, then DONE.
void sendBlock(EngineProcess& engine, const std::string& command, const std::vector<std::string>& lines);

// Board lines "x,y,who" of a board drawn row y = 0 first, one character per
// cell: 'x' the engine's stones (listed first, so the engine is black when
// it has any), 'o' the opponent's, anything else empty.
std::vector<std::string> stoneLines(const std::vector<std::string_view>& rows);
