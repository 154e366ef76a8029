// Handlers of the game commands: they keep the context's position in step
// with the manager's game and start a search when the engine is to move.
// The reply to a move request is printed by the search driver when the
// search ends, not here.
#pragma once

struct GameContext;

void handleStart(GameContext& context, const char* argument);
void handleRestart(GameContext& context);
void handleBegin(GameContext& context);
void handleTurn(GameContext& context, const char* argument, bool swapQuery);
void handleBoard(GameContext& context, bool swapQuery);
void handlePlay(GameContext& context, const char* argument);
void handleTakeback(GameContext& context, const char* argument);
void handleEval(GameContext& context);
// Waits until a running search has finished; the protocol loop then ends.
void handleEnd(GameContext& context);
