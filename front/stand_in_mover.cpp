#include "front/stand_in_mover.h"

#include <algorithm>
#include <climits>

#include "board/position.h"
#include "front/commands.h"
#include "front/game_context.h"
#include "front/output.h"
#include "search/search_limits.h"

void playStandInMove(GameContext& context, const SearchLimits& limits) {
    const Position& pos = context.position;
    const int size = static_cast<int>(pos.boardSize);
    const int centre = size / 2;
    const bool engineIsBlack = pos.blackColour == COLOUR_X;
    int bestX = -1, bestY = -1, bestDistance = INT_MAX;
    for (int x = 0; x < size; ++x) {
        for (int y = 0; y < size; ++y) {
            uint32_t cell = cellIndex(x, y);
            if (pos.cells[cell] != 0) continue;
            if (engineIsBlack && pos.classes[cell].x == CLASS_FORBIDDEN) continue;
            if (std::find(limits.blockedCells.begin(), limits.blockedCells.end(), cell) !=
                limits.blockedCells.end())
                continue;
            int distance = (x - centre) * (x - centre) + (y - centre) * (y - centre);
            if (distance < bestDistance) {
                bestDistance = distance;
                bestX = x;
                bestY = y;
            }
        }
    }
    if (bestX < 0) {
        context.searching = false;
        return;
    }
    placeOwnStone(context, static_cast<uint32_t>(bestX), static_cast<uint32_t>(bestY));
    context.searching = false;
    reply(context, "%d,%d", bestX, bestY);
}
