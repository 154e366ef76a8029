#include "front/protocol.h"

#include <cctype>
#include <cstdlib>

#include "front/commands.h"
#include "front/game_context.h"
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

namespace {

void upperCase(std::string& text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

bool isSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// The number that starts a comma-separated piece: optional spaces, an
// optional sign, digits. The magnitude saturates at 2^32 - 1. False when no
// number starts in the piece.
struct PieceNumber {
    bool negative = false;
    bool overflow = false;
    uint64_t magnitude = 0;
};

bool readPiece(std::string_view piece, PieceNumber& number) {
    size_t i = 0;
    while (i < piece.size() && isSpace(piece[i])) ++i;
    if (i < piece.size() && (piece[i] == '+' || piece[i] == '-')) {
        number.negative = piece[i] == '-';
        ++i;
    }
    if (i >= piece.size() || !std::isdigit(static_cast<unsigned char>(piece[i]))) return false;
    for (; i < piece.size() && std::isdigit(static_cast<unsigned char>(piece[i])); ++i) {
        number.magnitude = number.magnitude * 10 + static_cast<uint64_t>(piece[i] - '0');
        if (number.magnitude > UINT32_MAX) {
            number.overflow = true;
            number.magnitude = UINT32_MAX;  // keep consuming digits without growing
        }
    }
    return true;
}

// One comma-separated piece converted like strtoul(piece, &end, 10) with a
// 32-bit unsigned long. False when no number starts in the piece.
bool convertPiece(std::string_view piece, uint32_t& value) {
    PieceNumber number;
    if (!readPiece(piece, number)) return false;
    if (number.overflow) value = UINT32_MAX;  // out of range saturates, whatever the sign
    else value = number.negative ? static_cast<uint32_t>(0u - static_cast<uint32_t>(number.magnitude))
                                 : static_cast<uint32_t>(number.magnitude);
    return true;
}

}  // namespace

bool readLineFrom(std::FILE* input, std::string& line) {
    line.clear();
    for (;;) {
        int byte = std::getc(input);
        if (byte == EOF) return false;
        if (byte == '\r') continue;
        if (byte == '\n') break;
        line.push_back(static_cast<char>(byte));
    }
    upperCase(line);
    return true;
}

std::string readProtocolLine(GameContext& context) {
    std::string line;
    if (!readLineFrom(context.input, line)) {
        context.atEndOfInput();
        std::exit(0);  // an end-of-input action must not return; if it does, the engine still ends
    }
    return line;
}

bool matchCommandWord(std::string_view line, const char* word) {
    std::string_view w(word);
    if (line.substr(0, w.size()) != w) return false;
    return line.size() == w.size() || line[w.size()] == ' ';
}

std::string trimSpaces(std::string_view text) {
    size_t begin = 0, end = text.size();
    while (begin < end && isSpace(text[begin])) ++begin;
    while (end > begin && isSpace(text[end - 1])) --end;
    return std::string(text.substr(begin, end - begin));
}

LookedUpCommand lookupCommand(std::string_view line) {
    for (const CommandEntry& entry : COMMAND_TABLE) {
        if (matchCommandWord(line, entry.word))
            return {entry.id, trimSpaces(line.substr(std::string_view(entry.word).size()))};
    }
    return {CMD_UNKNOWN, std::string()};
}

std::vector<uint32_t> parseNumberList(std::string_view text) {
    std::vector<uint32_t> numbers;
    size_t start = 0;
    while (start < text.size()) {
        size_t comma = text.find(',', start);
        size_t end = comma == std::string_view::npos ? text.size() : comma;
        uint32_t value;
        if (!convertPiece(text.substr(start, end - start), value)) break;
        numbers.push_back(value);
        if (comma == std::string_view::npos) break;
        start = comma + 1;  // a trailing comma leaves start at the end: no piece
    }
    return numbers;
}

bool parseSignedNumber(std::string_view text, int64_t& value) {
    PieceNumber number;
    if (!readPiece(text.substr(0, text.find(',')), number)) return false;
    value = number.negative ? -int64_t(number.magnitude) : int64_t(number.magnitude);
    return true;
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
