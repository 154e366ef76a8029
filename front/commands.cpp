#include "front/commands.h"

#include "front/game_context.h"

// The game commands get their bodies together with the position and the
// search they drive; until then they are accepted and do nothing.
void handleStart(GameContext&, const char*) {}
void handleRestart(GameContext&) {}
void handleBegin(GameContext&) {}
void handleTurn(GameContext&, const char*, bool) {}
void handleBoard(GameContext&, bool) {}
void handlePlay(GameContext&, const char*) {}
void handleTakeback(GameContext&, const char*) {}
void handleEval(GameContext&) {}
void handleEnd(GameContext&) {}
