#include "movegen/root_moves.h"

#include <algorithm>
#include <memory>

#include "board/exact_forbidden.h"
#include "movegen/picker.h"

namespace {

// Cells already in the list: bit (cell & 31) of word (cell >> 5).
struct CellSet {
    uint32_t words[32] = {};
};

// Appends the moves of [from, to) whose cells the list does not hold yet.
void keepNewCells(MoveList& list, CellSet& kept, const ScoredMove* from, const ScoredMove* to) {
    for (const ScoredMove* m = from; m != to; ++m) {
        const uint32_t cell = cellOf(m->move);
        const uint32_t bit = 1u << (cell & 31);
        if (kept.words[cell >> 5] & bit) continue;
        // Generators give on-board empty cells only, so the list cannot
        // fill up; the test keeps a broken generator from overrunning it.
        if (list.size == MOVE_LIST_CAPACITY) return;
        kept.words[cell >> 5] |= bit;
        list.moves[list.size++].move = m->move;
    }
}

}  // namespace

void generateMoveList(const Position& pos, MoveList& list, GenerationScratch& scratch) {
    list.size = 0;
    const StateRecord& r = *pos.current;
    if (r.classCountX[CLASS_FIVE_STANDS] != 0 || r.classCountO[CLASS_FIVE_STANDS] != 0) return;

    CellSet kept;
    ScoredMove* raw = scratch.moves;
    if (mustAnswer(pos)) {
        keepNewCells(list, kept, raw, generateThreatResponses(pos, raw));
        return;
    }
    // Each generator call gets the whole scratch area to itself.
    keepNewCells(list, kept, raw, generateThreatMoves(pos, raw));
    if (!threatCutApplies(pos)) keepNewCells(list, kept, raw, generateQuietMoves(pos, raw));
}

void generateMoveList(const Position& pos, MoveList& list) {
    thread_local std::unique_ptr<GenerationScratch> scratch;
    if (!scratch) scratch.reset(new GenerationScratch);  // left uninitialised: generators overwrite it
    generateMoveList(pos, list, *scratch);
}

namespace {

// One step of the root list: keeps the candidates that pass the test.
template <typename Test>
void keepRootMoves(const std::vector<MoveWord>& candidates, Test passes, std::vector<RootMove>& rootMoves) {
    for (MoveWord m : candidates) {
        if (!passes(m)) continue;
        RootMove rm;
        rm.pv.push_back(m);
        rootMoves.push_back(std::move(rm));
    }
}

}  // namespace

bool collectRootMoves(const Position& pos, const RootExclusions& exclusions, std::vector<RootMove>& rootMoves) {
    rootMoves.clear();
    const StateRecord& r = *pos.current;
    if (r.classCountX[CLASS_FIVE_STANDS] != 0 || r.classCountO[CLASS_FIVE_STANDS] != 0) return false;

    const auto excluded = [&](MoveWord m) {
        const uint32_t cell = cellOf(m);
        if (std::find(exclusions.blockedCells.begin(), exclusions.blockedCells.end(), cell) !=
            exclusions.blockedCells.end())
            return true;
        return !exclusions.searchMoves.empty() &&
               std::none_of(exclusions.searchMoves.begin(), exclusions.searchMoves.end(),
                            [m](MoveWord s) { return (s & MOVE_MASK) == (m & MOVE_MASK); });
    };
    // The verdict inside the search is fast but shallow; a Renju referee
    // scores a forbidden black move as a lost game, so the engine's own moves
    // as black under renju get the exact test here, once per search.
    const uint32_t mover = pos.sideToMove == 1 ? COLOUR_X : COLOUR_O;
    const bool moverIsBlack = mover == pos.blackColour && mover == restrictedColour(pos);
    ExactBoard board;
    if (moverIsBlack) loadExactBoard(board, pos.cells, pos.boardSize, pos.blackColour);
    const auto allowed = [&](MoveWord m) {
        return !excluded(m) && !(moverIsBlack && isExactlyForbidden(board, cellOf(m)));
    };

    MoveList list;
    generateMoveList(pos, list);
    std::vector<MoveWord> candidates;
    for (uint32_t i = 0; i < list.size; ++i) candidates.push_back(list.moves[i].move);
    keepRootMoves(candidates, allowed, rootMoves);
    if (!rootMoves.empty()) return false;

    // Nothing the generators offer may be played (every answer to a threat
    // blocked or forbidden, say): a lost position still gets the move that
    // resists longest, so the search chooses among wider moves.
    std::vector<ScoredMove> near(MAX_GENERATED_MOVES);
    candidates.clear();
    for (const ScoredMove* m = near.data(), *end = generateAllCandidates(pos, near.data()); m != end; ++m)
        candidates.push_back(m->move);
    keepRootMoves(candidates, allowed, rootMoves);
    if (!rootMoves.empty()) return true;

    candidates.clear();
    for (uint32_t x = 0; x < pos.boardSize; ++x)
        for (uint32_t y = 0; y < pos.boardSize; ++y)
            if (pos.cells[cellIndex(x, y)] == 0) candidates.push_back(makeMoveWord(mover, x, y));
    keepRootMoves(candidates, allowed, rootMoves);
    // A forbidden cell only when no other empty cell may be played, and an
    // excluded one only when nothing else is left: any legal move beats a
    // reply the manager must refuse.
    if (rootMoves.empty()) keepRootMoves(candidates, [&](MoveWord m) { return !excluded(m); }, rootMoves);
    if (rootMoves.empty()) keepRootMoves(candidates, [](MoveWord) { return true; }, rootMoves);
    return true;
}
