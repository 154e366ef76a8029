#include "front/yixin.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "board/position.h"
#include "front/commands.h"
#include "front/game_context.h"
#include "front/output.h"
#include "front/arguments.h"
#include "front/line_reader.h"
#include "search/search_control.h"
#include "search/threads.h"
#include "search/tt.h"

namespace {

// Every extension command switches the engine to the extension style of
// move text for the rest of the run.
void enterYixinMode(GameContext& context) { context.position.yixinMode = 1; }

// Reads the x,y lines after YXBLOCK (adding) or YXBLOCKUNDO (removing) up to
// DONE. A cell off the board gets the error line and changes nothing (packed
// as it stands, it would name another cell), and the block goes on.
void readBlockBlock(GameContext& context, bool adding) {
    for (;;) {
        std::string line = readProtocolLine(context);
        if (line.find("DONE") != std::string::npos) return;
        std::vector<uint32_t> numbers = parseNumberList(line);
        if (numbers.size() != 2) {
            reply(context, "ERROR x,y or DONE expected after YXBLOCK");
            return;
        }
        if (numbers[0] >= context.boardWidth || numbers[1] >= context.boardHeight) {
            reply(context, "ERROR bad coordinates");
            continue;
        }
        uint32_t cell = (numbers[0] << 5) | numbers[1];
        std::vector<uint32_t>& blocked = context.blockedCells;
        if (adding) blocked.push_back(cell);
        else blocked.erase(std::remove(blocked.begin(), blocked.end(), cell), blocked.end());
    }
}

void showForbiddenPoints(GameContext& context) {
    const Position& pos = context.position;
    const StateRecord& record = *pos.current;
    const bool xIsBlack = pos.blackColour == COLOUR_X;
    const ThreatList& blackList = xIsBlack ? record.threatsX : record.threatsO;
    const uint16_t* blackCounts = xIsBlack ? record.classCountX : record.classCountO;
    if (blackCounts[CLASS_FORBIDDEN] == 0) return;

    std::vector<uint32_t> cells;
    for (uint32_t i = 0; i < blackList.count; ++i) {
        if (threatClass(blackList.words[i]) == CLASS_FORBIDDEN) cells.push_back(threatCell(blackList.words[i]));
    }
    if (cells.empty()) return;
    std::sort(cells.begin(), cells.end());
    cells.erase(std::unique(cells.begin(), cells.end()), cells.end());
    std::string text;
    for (uint32_t cell : cells) {
        char digits[16];
        std::snprintf(digits, sizeof digits, "%02u%02u", xOf(cell), yOf(cell));
        text += digits;
    }
    reply(context, "FORBID %s.", text.c_str());
}

}  // namespace

void handleYxBoard(GameContext& context) {
    enterYixinMode(context);
    readBoardBlock(context);
    resetPreviousScores();
}

void handleYxBlock(GameContext& context) {
    enterYixinMode(context);
    readBlockBlock(context, true);
}

void handleYxBlockUndo(GameContext& context) {
    enterYixinMode(context);
    readBlockBlock(context, false);
}

void handleYxBlockReset(GameContext& context) {
    enterYixinMode(context);
    context.blockedCells.clear();
}

void handleYxHashClear(GameContext& context) {
    enterYixinMode(context);
    clear(TT);
}

// The number of best lines every later search reports, then a search. A
// count that is not one number of at least 1 gets the error line, and
// nothing is searched or played.
void handleYxNBest(GameContext& context, const char* argument) {
    enterYixinMode(context);
    std::vector<uint32_t> numbers = parseNumberList(argument);
    if (numbers.size() != 1 || numbers[0] == 0) {
        reply(context, "ERROR bad coordinates");
        return;
    }
    Threads.multiPV = numbers[0];
    startSearch(context, false);
}

void handleYxShowForbid(GameContext& context) {
    enterYixinMode(context);
    showForbiddenPoints(context);
}

void handleYxShowInfo(GameContext& context) {
    enterYixinMode(context);
    reply(context, "MESSAGE INFO MAX_THREAD_NUM %llu", static_cast<unsigned long long>(maxThreadCount()));
    reply(context, "MESSAGE INFO MAX_HASH_SIZE %d", 26);
}

// Accepted during a search: the search ends soon and the driver replies as
// usual. Without a search the flag stays raised until the next one starts.
void handleYxStop(GameContext& context) {
    enterYixinMode(context);
    raiseStop();
}

void handleYxSwap2Step2(GameContext& context) { enterYixinMode(context); }
