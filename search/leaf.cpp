#include "search/leaf.h"

#include "movegen/generators.h"
#include "movegen/picker.h"
#include "movegen/threats.h"
#include "search/evaluate.h"
#include "search/threads.h"
#include "search/tunables.h"

namespace {

// Nodes beyond this many stones score 0: the game is as good as drawn.
constexpr uint32_t STONE_LIMIT = 200;

// The static evaluation the leaf ends with below its ply limit. A virtual
// move still pending is completed first: until then the record holds only a
// key, and its counters are those of whatever position used it before.
int32_t evaluateCompleted(Position& pos) {
    completeVirtualMove(pos);
    return evaluate(pos);
}

// The stored value may end the node: its bound says it is at most an upper
// bound below beta, or at least a lower bound at or above it.
bool boundCuts(uint8_t bound, int32_t ttValue, int32_t beta) {
    return bound & (ttValue >= beta ? BOUND_LOWER : BOUND_UPPER);
}

// What a probe found, read once: the entry may be overwritten by the node's
// children before the node looks at it again.
struct TableHit {
    TTSlot* slot;
    bool found;
    int32_t value;  // from table form; SCORE_NONE when not found or none stored
    int32_t depth;
    uint8_t bound;
    int32_t staticEval;
    MoveWord move;
};

TableHit probeTable(uint64_t key, int32_t ply) {
    const ProbeResult probed = probe(TT, key);
    TableHit hit{probed.slot, probed.found, SCORE_NONE, 0, BOUND_NONE, SCORE_NONE, MOVE_NONE};
    if (probed.found) {
        hit.value = valueFromTable(probed.entry.value, ply);
        hit.depth = probed.entry.depth;
        hit.bound = probed.entry.bound;
        hit.staticEval = probed.entry.staticEval;
        hit.move = probed.entry.move;
    }
    return hit;
}

// A stored value deep enough and no mate beyond the board's reach.
bool usableValue(const TableHit& hit, int32_t depth) {
    return hit.found && depth <= hit.depth && hit.value >= -SCORE_MATE && hit.value <= SCORE_MATE;
}

// Completes a pending virtual move and runs the quick win check; a proven
// result is stored exact, deep, and with the stored move cleared unless the
// key matches, whatever depth the entry holds. Returns SCORE_NONE when
// nothing is proven.
int32_t quickWin(Position& pos, const TableHit& hit, uint64_t key, int32_t ply, int32_t depth) {
    completeVirtualMove(pos);
    const int32_t r = threatSearch(pos);
    if (r == 0) return SCORE_NONE;
    const int32_t value = quickWinValue(r, ply);
    store(TT, hit.slot, key, valueToTable(value, ply), BOUND_EXACT, quickWinDepth(depth), MOVE_NONE, SCORE_NONE);
    return value;
}

// Full-window nodes only (buffer not null): points the next entry's pv at
// the node's own buffer for the node's lifetime, and takes it back on return
// so that no entry keeps the address of a dead frame.
struct ChildPvScope {
    StackEntry* next;
    ChildPvScope(StackEntry* nextEntry, MoveWord* buffer) : next(buffer ? nextEntry : nullptr) {
        if (next) next->pv = buffer;
    }
    ~ChildPvScope() {
        if (next) next->pv = nullptr;
    }
    ChildPvScope(const ChildPvScope&) = delete;
    ChildPvScope& operator=(const ChildPvScope&) = delete;
};

template <bool PvNode>
int32_t leafSearch(Position& pos, StackEntry* ss, int32_t beta, int32_t depth) {
    SearchThread& thread = *pos.owner;
    const int32_t ply = ss->ply;
    MoveWord childPv[1] = {MOVE_NONE};  // a leaf has no child to fill it
    ChildPvScope childPvScope(ss + 1, PvNode ? childPv : nullptr);

    ss->currentMove = MOVE_NONE;
    (ss + 2)->statScore = 0;
    if constexpr (PvNode) {
        ss->pv[0] = MOVE_NONE;
        if (ply > thread.selDepth) thread.selDepth = ply;
    }

    if (pos.stoneCount >= STONE_LIMIT) return ply < MAX_PLY ? 0 : evaluateCompleted(pos);
    if (ply >= MAX_PLY) return evaluateCompleted(pos);

    const uint64_t key = pos.current->key;
    const TableHit hit = probeTable(key, ply);
    if (!PvNode && usableValue(hit, depth) && boundCuts(hit.bound, hit.value, beta)) return hit.value;

    if (const int32_t won = quickWin(pos, hit, key, ply, depth); won != SCORE_NONE) return won;

    int32_t staticEval;
    int32_t eval;
    if (hit.found) {
        staticEval = hit.staticEval == SCORE_NONE ? evaluate(pos) : hit.staticEval;
        eval = staticEval;
        // The stored value replaces the evaluation where its bound points
        // away from it.
        if (usableValue(hit, depth) && (hit.bound & (hit.value > staticEval ? BOUND_LOWER : BOUND_UPPER)))
            eval = hit.value;
    } else {
        // After a null move the evaluation only changes hands, plus a tempo.
        staticEval = (ss - 1)->currentMove == MOVE_NULL ? SEARCH_MARGINS.tempo - (ss - 1)->staticEval : evaluate(pos);
        eval = staticEval;
    }
    ss->staticEval = staticEval;

    if (eval < beta) {
        store(TT, hit.slot, key, valueToTable(eval, ply), BOUND_UPPER, depth, MOVE_NONE, staticEval);
        return eval;
    }
    if (!hit.found)
        store(TT, hit.slot, key, valueToTable(eval, ply), BOUND_LOWER, DEPTH_NONE, MOVE_NONE, staticEval);
    return eval;
}

template <bool PvNode>
int32_t answerSearch(Position& pos, StackEntry* ss, int32_t alpha, int32_t beta, int32_t depth) {
    SearchThread& thread = *pos.owner;
    const int32_t ply = ss->ply;
    MoveWord childPv[PvNode ? PV_BUFFER_SIZE : 1];
    childPv[0] = MOVE_NONE;
    ChildPvScope childPvScope(ss + 1, PvNode ? childPv : nullptr);

    ss->currentMove = MOVE_NONE;
    (ss + 2)->statScore = 0;
    if constexpr (PvNode) {
        ss->pv[0] = MOVE_NONE;
        if (ply > thread.selDepth) thread.selDepth = ply;
    }

    if (pos.stoneCount >= STONE_LIMIT || ply >= MAX_PLY) return 0;

    const uint64_t key = pos.current->key;
    const TableHit hit = probeTable(key, ply);
    if (!PvNode && usableValue(hit, depth) && boundCuts(hit.bound, hit.value, beta)) return hit.value;

    if (const int32_t won = quickWin(pos, hit, key, ply, depth); won != SCORE_NONE) return won;

    ss->staticEval = SCORE_NONE;
    // The children evaluate: they need not catch up with this stone each time.
    syncShapes(pos);
    SearchStats& stats = thread.stats;
    MovePicker picker(pos, stats, hit.move, ss, true);
    const bool restricted = sideToMoveIsRestricted(pos);
    int32_t bestValue = -SCORE_INFINITE;
    MoveWord bestMove = MOVE_NONE;

    while (const MoveWord m = picker.next(false)) {
        const uint32_t cell = cellOf(m);
        if (restricted && isForbiddenCell(pos, cell)) continue;

        const uint8_t cls = pos.sideToMove == 1 ? pos.classes[cell].x : pos.classes[cell].o;
        prefetch(TT, keyAfter(pos, m));
        ss->currentMove = m;
        ss->contHistory = stats.contHistory[statIndex(m)];
        // The child puts the stone only if the table does not end it first.
        makeVirtualMove(pos, m);
        int32_t value;
        if (cls < CLASS_FOUR)
            value = PvNode ? -leafPV(pos, ss + 1, -alpha, depth - 1) : -leafNonPV(pos, ss + 1, -alpha, depth - 1);
        else
            value = PvNode ? -answerPV(pos, ss + 1, -beta, -alpha, depth - 1)
                           : -answerNonPV(pos, ss + 1, -beta, -alpha, depth - 1);
        unmakeMove(pos, m);

        if (value <= bestValue) continue;
        if constexpr (!PvNode) {
            if (value > alpha) {
                if (ss->statScore < 0) ss->statScore = 0;
                store(TT, hit.slot, key, valueToTable(value, ply), BOUND_LOWER, depth, m, SCORE_NONE);
                return value;
            }
            bestValue = value;
        } else {
            if (value <= alpha) {
                bestValue = value;
                continue;
            }
            updatePv(ss->pv, m, childPv);
            if (value >= beta) {
                if (ss->statScore < 0) ss->statScore = 0;
                store(TT, hit.slot, key, valueToTable(value, ply), BOUND_LOWER, depth, m, SCORE_NONE);
                return value;
            }
            bestMove = m;
            bestValue = value;
            alpha = value;
        }
    }

    // No answer at all: the threat goes through.
    if (bestValue == -SCORE_INFINITE) return ply - SCORE_MATE;

    const bool exact = PvNode && bestMove != MOVE_NONE;
    store(TT, hit.slot, key, valueToTable(bestValue, ply), exact ? BOUND_EXACT : BOUND_UPPER, depth,
          exact ? bestMove : MOVE_NONE, SCORE_NONE);
    return bestValue;
}

}  // namespace

int32_t leafNonPV(Position& pos, StackEntry* ss, int32_t beta, int32_t depth) {
    return leafSearch<false>(pos, ss, beta, depth);
}

int32_t leafPV(Position& pos, StackEntry* ss, int32_t beta, int32_t depth) {
    return leafSearch<true>(pos, ss, beta, depth);
}

int32_t answerNonPV(Position& pos, StackEntry* ss, int32_t alpha, int32_t beta, int32_t depth) {
    return answerSearch<false>(pos, ss, alpha, beta, depth);
}

int32_t answerPV(Position& pos, StackEntry* ss, int32_t alpha, int32_t beta, int32_t depth) {
    return answerSearch<true>(pos, ss, alpha, beta, depth);
}
