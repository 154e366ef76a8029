// The protocol's dispatcher: maps each line's first word to a command
// through a fixed table, refuses commands while a search runs, and calls the
// handlers. Lines come from the line reader (line_reader.h); the handlers
// read their arguments with the helpers of arguments.h.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

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

// The line begins with the word at position 0 and either ends there or goes
// on with a space.
bool matchCommandWord(std::string_view line, const char* word);
LookedUpCommand lookupCommand(std::string_view line);

// Runs one line; false only after END.
bool dispatchCommand(GameContext& context, std::string line);
void runProtocolLoop(GameContext& context);
