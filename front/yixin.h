// Handlers of the extension commands used by analysis boards: positions
// without a move request, excluded moves, several best lines, hash clearing,
// the forbidden points, limits and stopping a search.
#pragma once

struct GameContext;

void handleYxBoard(GameContext& context);
void handleYxBlock(GameContext& context);
void handleYxBlockUndo(GameContext& context);
void handleYxBlockReset(GameContext& context);
void handleYxHashClear(GameContext& context);
void handleYxNBest(GameContext& context, const char* argument);
void handleYxShowForbid(GameContext& context);
void handleYxShowInfo(GameContext& context);
void handleYxStop(GameContext& context);
void handleYxSwap2Step2(GameContext& context);
