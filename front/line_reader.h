// The protocol's line source: turns the context's input (standard input in
// the engine) into upper-cased lines. The dispatcher reads every command
// line through it, and the handlers of block commands (BOARD, YXBLOCK) read
// their following lines through it too.
#pragma once

#include <cstdio>
#include <string>

struct GameContext;

// Reads one line byte by byte: CR bytes are dropped wherever they stand, LF
// ends the line, the result is upper-cased. Returns false at end of input
// (even in the middle of a line).
bool readLineFrom(std::FILE* input, std::string& line);

// Blocks until a whole line has arrived from the context's input (standard
// input in the engine). End of input calls the context's atEndOfInput, which
// in the engine ends the process at once with status 0; nothing after it runs.
std::string readProtocolLine(GameContext& context);
