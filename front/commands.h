// Handlers of the game commands: they keep the context's position in step
// with the manager's game and start a search when the engine is to move.
// The reply to a move request is printed when the search ends, not here.
// Every failure prints its ERROR line (sometimes after DEBUG lines) and
// leaves the game unchanged.
#pragma once

#include <cstdint>

#include "board/types.h"

struct GameContext;

void handleStart(GameContext& context, const char* argument);
void handleRestart(GameContext& context);
void handleBegin(GameContext& context);
void handleTurn(GameContext& context, const char* argument, bool swapQuery);
void handleBoard(GameContext& context, bool swapQuery);
void handlePlay(GameContext& context, const char* argument);
void handleTakeback(GameContext& context, const char* argument);
void handleEval(GameContext& context);
// Stops a running search and waits until it has ended; the protocol loop
// then ends.
void handleEnd(GameContext& context);

// Put an engine or opponent stone on the game position, keeping the engine
// the side to move. True when the stone was placed; otherwise the DEBUG and
// ERROR lines have been printed and nothing changed.
bool placeOwnStone(GameContext& context, uint32_t x, uint32_t y);
bool placeOpponentStone(GameContext& context, uint32_t x, uint32_t y);

// Takes back the most recent stone when it stands on (x, y); prints "OK" or
// the ERROR line.
void takeBackStone(GameContext& context, uint32_t x, uint32_t y);

// Reads the x,y,who lines after BOARD, BOARD_SWAP and YXBOARD up to DONE.
// The first stone line decides which side is black.
void readBoardBlock(GameContext& context);

// Builds the search limits from the settings, marks the context as
// searching and hands the game position to the search driver. When no
// command has said who is black, the stones' parity decides first.
void startSearch(GameContext& context, bool swapQuery);

// Forgets the score trend of the previous searches (a new game or position).
void resetPreviousScores();

// Sets which side is black for the game position. When the board already
// holds stones and the side changes, the stones are put again under the new
// rule so that classes and forbidden points stay true.
void setBlackColour(GameContext& context, uint32_t colour);

// Sets the rule of the game. When it changes, the transposition table is
// cleared and the stones standing are put again under the new rule, so that
// codes, classes and verdicts never mix two rules.
void setGameRule(GameContext& context, GameRule rule);
