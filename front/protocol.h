// The protocol reader: turns standard input into upper-cased lines, maps each
// line's first word to a command through a fixed table, refuses commands
// while a search runs, and calls the handlers. Also the small text helpers
// every handler uses to pick numbers out of its argument.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

struct GameContext;

// Command codes; the numbers are fixed because the in-search exemption and
// the handler switch are written in terms of them.
enum CommandId : int {
    CMD_ABOUT = 0,
    CMD_BEGIN = 1,
    CMD_BOARD = 2,
    CMD_BOARD_SWAP = 3,
    CMD_END = 4,
    CMD_EVAL = 5,
    CMD_INFO = 6,
    CMD_PARAMS = 7,
    CMD_PLAY = 8,
    CMD_RESTART = 9,
    CMD_START = 10,
    CMD_TAKEBACK = 11,
    CMD_TURN = 12,
    CMD_TURN_SWAP = 13,
    CMD_UNKNOWN = 14,
    CMD_YXBLOCK = 15,
    CMD_YXBLOCKRESET = 16,
    CMD_YXBLOCKUNDO = 17,
    CMD_YXBOARD = 18,
    CMD_YXHASHCLEAR = 19,
    CMD_YXNBEST = 20,
    CMD_YXSHOWFORBID = 21,
    CMD_YXSHOWINFO = 22,
    CMD_YXSTOP = 23,
    CMD_YXSWAP2STEP2 = 24,
};

struct CommandEntry {
    const char* word;
    CommandId id;
};

// Searched in this order; the first entry that matches wins.
constexpr int COMMAND_TABLE_SIZE = 24;
extern const CommandEntry COMMAND_TABLE[COMMAND_TABLE_SIZE];

struct LookedUpCommand {
    CommandId id;
    std::string argument;  // the rest of the line, trimmed; empty for CMD_UNKNOWN
};

// Reads one line byte by byte: CR bytes are dropped wherever they stand, LF
// ends the line, the result is upper-cased. Returns false at end of input
// (even in the middle of a line).
bool readLineFrom(std::FILE* input, std::string& line);

// Blocks until a whole line has arrived from the context's input (standard
// input in the engine). End of input calls the context's atEndOfInput, which
// in the engine ends the process at once with status 0; nothing after it runs.
std::string readProtocolLine(GameContext& context);

// The line begins with the word at position 0 and either ends there or goes
// on with a space.
bool matchCommandWord(std::string_view line, const char* word);
LookedUpCommand lookupCommand(std::string_view line);
std::string trimSpaces(std::string_view text);

// Splits at commas and converts each piece as strtoul does with base 10 on a
// 32-bit unsigned long (white space and a sign accepted, a minus wraps, too
// large a value saturates); stops at the first piece where no number starts.
std::vector<uint32_t> parseNumberList(std::string_view text);

// The first number of the text as a signed value (a sign, then digits; the
// magnitude saturates at 2^32 - 1), for values that may be negative. False,
// and the value unchanged, when the text does not start with a number.
bool parseSignedNumber(std::string_view text, int64_t& value);

// Runs one line; false only after END.
bool dispatchCommand(GameContext& context, std::string line);
void runProtocolLoop(GameContext& context);
