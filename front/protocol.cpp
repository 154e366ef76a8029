#include "front/protocol.h"

#include "front/arguments.h"
#include "front/commands.h"
#include "front/game_context.h"
#include "front/line_reader.h"
#include "front/log.h"
#include "front/output.h"
#include "front/settings.h"
#include "front/yixin.h"

const CommandEntry COMMAND_TABLE[COMMAND_TABLE_SIZE] = {
    {"ABOUT", CMD_ABOUT},
    {"BEGIN", CMD_BEGIN},
    {"END", CMD_END},
    {"EVAL", CMD_EVAL},
    {"TURN", CMD_TURN},
    {"TURN_SWAP", CMD_TURN_SWAP},
    {"TAKEBACK", CMD_TAKEBACK},
    {"BOARD", CMD_BOARD},
    {"BOARD_SWAP", CMD_BOARD_SWAP},
    {"PLAY", CMD_PLAY},
    {"START", CMD_START},
    {"RESTART", CMD_RESTART},
    {"INFO", CMD_INFO},
    {"PARAMS", CMD_PARAMS},
    {"YXBLOCK", CMD_YXBLOCK},
    {"YXBLOCKRESET", CMD_YXBLOCKRESET},
    {"YXBLOCKUNDO", CMD_YXBLOCKUNDO},
    {"YXBOARD", CMD_YXBOARD},
    {"YXHASHCLEAR", CMD_YXHASHCLEAR},
    {"YXNBEST", CMD_YXNBEST},
    {"YXSHOWFORBID", CMD_YXSHOWFORBID},
    {"YXSHOWINFO", CMD_YXSHOWINFO},
    {"YXSTOP", CMD_YXSTOP},
    {"YXSWAP2STEP2", CMD_YXSWAP2STEP2},
};

bool matchCommandWord(std::string_view line, const char* word) {
    std::string_view w(word);
    if (line.substr(0, w.size()) != w) return false;
    return line.size() == w.size() || line[w.size()] == ' ';
}

LookedUpCommand lookupCommand(std::string_view line) {
    for (const CommandEntry& entry : COMMAND_TABLE) {
        if (matchCommandWord(line, entry.word))
            return {entry.id, trimSpaces(line.substr(std::string_view(entry.word).size()))};
    }
    return {CMD_UNKNOWN, std::string()};
}

bool dispatchCommand(GameContext& context, std::string line) {
    upperCase(line);
    LookedUpCommand command = lookupCommand(line);
    const char* argument = command.argument.c_str();

    if (context.searching.load() && command.id != CMD_END && command.id != CMD_YXSTOP) {
        LOG_DEBUG_RECORD("refused while searching: \"%s\"", line.c_str());
        reply(context, "MESSAGE : BAD COMMAND %s IN SEARCH MODE", line.c_str());
        return true;
    }

    switch (command.id) {
        case CMD_ABOUT: reply(context, "%s", ABOUT_LINE); break;
        case CMD_BEGIN: handleBegin(context); break;
        case CMD_BOARD: handleBoard(context, false); break;
        case CMD_BOARD_SWAP: handleBoard(context, true); break;
        case CMD_END: handleEnd(context); return false;
        case CMD_EVAL: handleEval(context); break;
        case CMD_INFO: handleInfo(context, argument); break;
        case CMD_PARAMS: break;
        case CMD_PLAY: handlePlay(context, argument); break;
        case CMD_RESTART: handleRestart(context); break;
        case CMD_START: handleStart(context, argument); break;
        case CMD_TAKEBACK: handleTakeback(context, argument); break;
        case CMD_TURN: handleTurn(context, argument, false); break;
        case CMD_TURN_SWAP: handleTurn(context, argument, true); break;
        case CMD_UNKNOWN:
            LOG_DEBUG_RECORD("unknown command line \"%s\"", line.c_str());
            reply(context, "UNKNOWN %s", line.c_str());
            break;
        case CMD_YXBLOCK: handleYxBlock(context); break;
        case CMD_YXBLOCKRESET: handleYxBlockReset(context); break;
        case CMD_YXBLOCKUNDO: handleYxBlockUndo(context); break;
        case CMD_YXBOARD: handleYxBoard(context); break;
        case CMD_YXHASHCLEAR: handleYxHashClear(context); break;
        case CMD_YXNBEST: handleYxNBest(context, argument); break;
        case CMD_YXSHOWFORBID: handleYxShowForbid(context); break;
        case CMD_YXSHOWINFO: handleYxShowInfo(context); break;
        case CMD_YXSTOP: handleYxStop(context); break;
        case CMD_YXSWAP2STEP2: handleYxSwap2Step2(context); break;
    }
    return true;
}

void runProtocolLoop(GameContext& context) {
    while (dispatchCommand(context, readProtocolLine(context))) {
    }
}
