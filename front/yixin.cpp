#include "front/yixin.h"

#include "front/game_context.h"

// The extension commands get their bodies together with the board and the
// search they act on; until then they are accepted and do nothing.
void handleYxBoard(GameContext&) {}
void handleYxBlock(GameContext&) {}
void handleYxBlockUndo(GameContext&) {}
void handleYxBlockReset(GameContext&) {}
void handleYxHashClear(GameContext&) {}
void handleYxNBest(GameContext&, const char*) {}
void handleYxShowForbid(GameContext&) {}
void handleYxShowInfo(GameContext&) {}
void handleYxStop(GameContext&) {}
void handleYxSwap2Step2(GameContext&) {}
