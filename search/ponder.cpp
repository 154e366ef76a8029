#include "search/ponder.h"

#include "search/tt.h"

bool extractPonderMove(RootMove& rootMove, Position& pos) {
    if (rootMove.pv.empty() || rootMove.pv[0] == 0) return false;
    const MoveWord rootMoveWord = rootMove.pv[0];
    makeMove(pos, rootMoveWord);
    const ProbeResult tte = probe(TT, pos.current->key);
    if (tte.found) {
        const MoveWord stored = tte.entry.move;
        MoveList list;
        generateMoveList(pos, list);
        for (uint32_t i = 0; i < list.size; ++i)
            if ((list.moves[i].move & MOVE_MASK) == (stored & MOVE_MASK)) {
                rootMove.pv.push_back(stored);
                break;
            }
    }
    unmakeMove(pos, rootMoveWord);
    return rootMove.pv.size() >= 2;
}
