#include "front/game_context.h"

#include <cstdlib>

void exitAtEndOfInput() { std::exit(0); }

void initGameContext(GameContext& context, uint32_t boardSize) {
    reset(context.position, boardSize);
    context.settings = EngineSettings{};
    context.boardWidth = START_BOARD_SIZE;
    context.boardHeight = START_BOARD_SIZE;
    context.searching = false;
    context.showDetail = false;
    context.blockedCells.clear();
    context.input = stdin;
    context.atEndOfInput = exitAtEndOfInput;
}
