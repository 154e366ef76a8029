#include "movegen/root_moves.h"

#include <memory>

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
