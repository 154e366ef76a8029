#include "front/game_context.h"

void initGameContext(GameContext& context, uint32_t boardSize) {
    reset(context.position, boardSize);
    context.settings = EngineSettings{};
    context.boardWidth = START_BOARD_SIZE;
    context.boardHeight = START_BOARD_SIZE;
    context.searching = false;
    context.showDetail = false;
    context.blockedCells.clear();
}
