#include "front/commands.h"

#include <string>
#include <vector>

#include "board/position.h"
#include "front/clocks.h"
#include "front/game_context.h"
#include "front/output.h"
#include "front/arguments.h"
#include "front/line_reader.h"
#include "search/clock.h"
#include "search/threat_score.h"
#include "search/search_client.h"
#include "search/search_control.h"
#include "search/search_limits.h"
#include "search/driver.h"
#include "search/threads.h"
#include "search/tt.h"

namespace {

constexpr uint32_t MIN_START_SIZE = 5;
constexpr uint32_t MAX_START_SIZE = 20;

// Content of a cell number that may lie outside the position's arrays.
uint32_t cellContent(const Position& pos, uint32_t cell) { return cell < BOARD_CELLS ? pos.cells[cell] : 0; }

bool placeStone(GameContext& context, uint32_t x, uint32_t y, uint32_t colour) {
    Position& pos = context.position;
    uint32_t cell = (x * 32 + y) & CELL_MASK;
    bool onBoard = x < pos.boardSize && y < pos.boardSize;
    if (onBoard && pos.cells[cell] == 0) {
        makeMove(pos, colour | cell);
        pos.sideToMove ^= 1;  // protocol stones leave the engine to move
        return true;
    }
    int shownX = static_cast<int>(x), shownY = static_cast<int>(y);
    if (!onBoard) reply(context, "DEBUG check move [%d,%d]", shownX, shownY);
    if (uint32_t content = cellContent(pos, cell)) {
        reply(context, "DEBUG make move [%d,%d] = %u", shownX, shownY, content);
        printBoardDump(context, "CmdPut ERR");
    }
    if (colour == COLOUR_X) reply(context, "ERROR my move [%d,%d]", shownX, shownY);
    else reply(context, "ERROR opponent's move [%d,%d]", shownX, shownY);
    return false;
}

// The two coordinates of a move command, checked against the board size the
// manager set with START.
bool readCoordinates(const GameContext& context, const char* argument, uint32_t& x, uint32_t& y) {
    std::vector<uint32_t> numbers = parseNumberList(argument);
    if (numbers.size() != 2 || numbers[0] >= context.boardWidth || numbers[1] >= context.boardHeight) {
        reply(context, "ERROR bad coordinates");
        return false;
    }
    x = numbers[0];
    y = numbers[1];
    return true;
}

// The search reports to the game through these.
void sayToManager(void* game, const char* line) { reply(*static_cast<GameContext*>(game), "%s", line); }
void playEngineMove(void* game, uint32_t x, uint32_t y) { placeOwnStone(*static_cast<GameContext*>(game), x, y); }
void endSearchMode(void* game) { static_cast<GameContext*>(game)->searching = false; }

// Puts the game's stones again, in their order, under the current rule.
void replayStones(Position& pos) {
    std::vector<MoveWord> stones(pos.history, pos.history + pos.stoneCount);
    initBoard(pos);
    for (MoveWord stone : stones) {
        makeMove(pos, stone);
        pos.sideToMove ^= 1;
    }
}

}  // namespace

bool placeOwnStone(GameContext& context, uint32_t x, uint32_t y) {
    return placeStone(context, x, y, COLOUR_X);
}

bool placeOpponentStone(GameContext& context, uint32_t x, uint32_t y) {
    return placeStone(context, x, y, COLOUR_O);
}

void takeBackStone(GameContext& context, uint32_t x, uint32_t y) {
    Position& pos = context.position;
    uint32_t cell = x * 32 + y;
    // Only the most recent stone can be taken back: taking back another one
    // would silently leave the manager's game and ours apart.
    bool isLastStone = x < pos.boardSize && y < pos.boardSize && pos.cells[cell] != 0 &&
                       pos.stoneCount > 0 && cellOf(pos.history[pos.stoneCount - 1]) == cell;
    if (!isLastStone) {
        reply(context, "ERROR takeback move [%d,%d]", static_cast<int>(x), static_cast<int>(y));
        return;
    }
    unmakeMove(pos, pos.cells[cell] | cell);
    pos.sideToMove ^= 1;
    reply(context, "OK");
}

void setBlackColour(GameContext& context, uint32_t colour) {
    Position& pos = context.position;
    bool changes = colour != pos.blackColour;
    selectRuleTables(pos, colour);
    if (changes && pos.stoneCount > 0) replayStones(pos);
}

void setGameRule(GameContext& context, GameRule rule) {
    Position& pos = context.position;
    if (rule == pos.rule) return;
    selectGameRule(pos, rule);
    // Table entries of the old rule would name wins and values that no
    // longer hold (keys do not include the rule).
    clear(TT);
    if (pos.stoneCount > 0) replayStones(pos);
}

void readBoardBlock(GameContext& context) {
    bool firstStone = true;
    for (;;) {
        std::string line = readProtocolLine(context);
        if (line.find("DONE") != std::string::npos) return;
        std::vector<uint32_t> numbers = parseNumberList(line);
        if (numbers.size() != 3) {
            reply(context, "ERROR x,y,who or DONE expected after BOARD");
            return;
        }
        uint32_t x = numbers[0], y = numbers[1], who = numbers[2];
        if (who != 1 && who != 2) return;
        if (firstStone) {
            setBlackColour(context, who == 1 ? COLOUR_X : COLOUR_O);
            firstStone = false;
        }
        if (who == 1) placeOwnStone(context, x, y);
        else placeOpponentStone(context, x, y);
    }
}

void resetPreviousScores() { resetScoreTrend(Threads); }

void startSearch(GameContext& context, bool swapQuery) {
    // No command said who is black (an empty board block, say): the stones'
    // parity does. The engine is to move, so with an even count it is black.
    if (context.position.blackColour == COLOUR_UNKNOWN)
        setBlackColour(context, context.position.stoneCount % 2 == 0 ? COLOUR_X : COLOUR_O);
    const EngineSettings& settings = context.settings;
    SearchLimits limits;
    limits.blockedCells = context.blockedCells;
    applyClocks(settings, limits);
    limits.moveBase = static_cast<int32_t>(context.position.boardSize * context.position.boardSize);
    limits.nodes = settings.maxNode;
    limits.swapQuery = swapQuery;
    limits.startTime = nowMs();
    context.searching = true;
    const SearchClient client{&context, sayToManager, playEngineMove, endSearchMode, context.showDetail};
    startThinking(Threads, context.position, limits, &client);
}

namespace {

// An empty board for a new game: who is black is not known until BEGIN, the
// first TURN, a board's first stone line or the stones' parity says so, and
// a TIME_LEFT sent before the game belongs to another one.
void startNewGame(GameContext& context) {
    initBoard(context.position);
    setBlackColour(context, COLOUR_UNKNOWN);
    context.settings.timeLeftGiven = false;
}

}  // namespace

void handleStart(GameContext& context, const char* argument) {
    std::vector<uint32_t> numbers = parseNumberList(argument);
    if (numbers.size() == 1 && numbers[0] >= MIN_START_SIZE && numbers[0] <= MAX_START_SIZE) {
        // Table keys do not hold the board size: entries of another size
        // would name moves and values of positions that cannot arise here.
        if (numbers[0] != context.position.boardSize) clear(TT);
        context.boardWidth = context.boardHeight = numbers[0];
        context.position.boardSize = numbers[0];
        startNewGame(context);
        reply(context, "OK");
    } else {
        reply(context, "ERROR size of the board");
    }
    resetPreviousScores();
}

// A new game of the same size; the manager then sends BEGIN or TURN.
void handleRestart(GameContext& context) {
    startNewGame(context);
    resetPreviousScores();
    reply(context, "OK");
}

void handleBegin(GameContext& context) {
    setBlackColour(context, COLOUR_X);
    resetPreviousScores();
    startSearch(context, false);
}

void handleTurn(GameContext& context, const char* argument, bool swapQuery) {
    uint32_t x, y;
    if (readCoordinates(context, argument, x, y)) {
        // The opponent opening the game on an empty board is black; without
        // this a game started by TURN would keep the previous game's colours.
        if (context.position.stoneCount == 0 && x < context.position.boardSize &&
            y < context.position.boardSize)
            setBlackColour(context, COLOUR_O);
        placeOpponentStone(context, x, y);
    }
    startSearch(context, swapQuery);
}

void handleBoard(GameContext& context, bool swapQuery) {
    readBoardBlock(context);
    resetPreviousScores();
    startSearch(context, swapQuery);
}

void handlePlay(GameContext& context, const char* argument) {
    uint32_t x, y;
    if (readCoordinates(context, argument, x, y)) placeOwnStone(context, x, y);
}

void handleTakeback(GameContext& context, const char* argument) {
    uint32_t x, y;
    if (readCoordinates(context, argument, x, y)) takeBackStone(context, x, y);
}

// EVAL computes the threat score of the game position and prints nothing.
void handleEval(GameContext& context) { threatScore(context.position); }

// END ends the engine as soon as it can: a running search is stopped (its
// first iteration, a few milliseconds, still completes, and its move is
// printed for a manager that no longer reads it), then the loop ends.
void handleEnd(GameContext&) {
    if (Threads.count == 0) return;
    raiseStop();
    waitForSearchFinished(*Threads.threads[0]);
}
