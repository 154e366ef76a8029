#include "search/alphabeta.h"

#include <algorithm>
#include <cstdlib>

#include "board/startup_tables.h"
#include "movegen/generators.h"
#include "movegen/picker.h"
#include "movegen/threats.h"
#include "search/evaluate.h"
#include "search/leaf.h"
#include "search/search_control.h"
#include "search/threads.h"
#include "search/tunables.h"

namespace {

// Nodes beyond this many stones score 0: the game is as good as drawn.
constexpr uint32_t STONE_LIMIT = 200;
// Nodes between two looks at the clock.
constexpr int32_t CALLS_BETWEEN_TIME_CHECKS = 4095;
// Searched moves remembered for the history penalty.
constexpr int32_t QUIETS_CAPACITY = 64;

// Counts down to the next time check. Whichever thread runs the check
// restarts every thread's countdown, so the pool looks at the clock about
// once per 4096 nodes in all.
void pollStop(SearchThread& thread) {
    if (thread.resetCalls.load(std::memory_order_relaxed)) {
        thread.resetCalls.store(false, std::memory_order_relaxed);
        thread.callsCnt = CALLS_BETWEEN_TIME_CHECKS;
        return;
    }
    if (--thread.callsCnt < 1) {
        for (uint64_t i = 0; i < Threads.count; ++i) Threads.threads[i]->resetCalls.store(true, std::memory_order_seq_cst);
        checkTime();
    }
}

// The value of a node that is not searched any more (ply or stone limit):
// a side that must answer a threat cannot be judged by the evaluation.
int32_t horizonValue(Position& pos) { return mustAnswer(pos) ? 0 : evaluate(pos); }

// Whether the opponent would have to answer a threat if the side to move
// passed: a null move is pointless then.
bool opponentMustAnswer(Position& pos) {
    pos.sideToMove ^= 1;
    const bool must = mustAnswer(pos);
    pos.sideToMove ^= 1;
    return must;
}

// An index into a table of hi + 1 entries.
int32_t tableIndex(int32_t value, int32_t hi) { return value < 0 ? 0 : value > hi ? hi : value; }

int32_t rowValue(const StackEntry* entry, uint32_t index) {
    return entry->contHistory ? entry->contHistory[index] : 0;
}

// The root move with this first move; the picker only returns moves that
// were checked to be in the list.
RootMove& rootMoveOf(SearchThread& thread, MoveWord move) {
    for (RootMove& rm : thread.rootMoves)
        if (sameMove(rm.pv[0], move)) return rm;
    return thread.rootMoves[thread.pvIdx];  // not reached
}

// A root move of the current principal variation or a later one.
bool isSearchedRootMove(const SearchThread& thread, MoveWord move) {
    for (size_t i = thread.pvIdx; i < thread.rootMoves.size(); ++i)
        if (sameMove(thread.rootMoves[i].pv[0], move)) return true;
    return false;
}

void updateRootMove(SearchThread& thread, MoveWord move, int32_t value, bool best, const MoveWord* childPv,
                    int32_t moveCount) {
    RootMove& rm = rootMoveOf(thread, move);
    if (!best) {
        rm.score = -SCORE_INFINITE;
        return;
    }
    rm.score = value;
    rm.pv.resize(1);
    rm.pv[0] = move;
    if (childPv)
        for (const MoveWord* p = childPv; *p; ++p) rm.pv.push_back(*p);
    if (moveCount >= 2)
        if (MainThread* main = dynamic_cast<MainThread*>(&thread)) main->bestMoveChanges += 1;
}

// The table entry, read again as it stands now (children may have stored
// over it), still holds a lower bound from nearly this depth.
bool lowerBoundDeepEnough(const TTEntry& now, int32_t depth) {
    return (now.bound & BOUND_LOWER) && now.depth >= depth - 3;
}

template <bool PvNode>
int32_t search(Position& pos, StackEntry* ss, int32_t alpha, int32_t beta, int32_t depth, bool cutNode,
               bool skipEarlyPruning) {
    SearchThread& thread = *pos.owner;
    SearchStats& stats = thread.stats;
    const SearchMargins& margins = SEARCH_MARGINS;
    const bool rootNode = PvNode && (ss - 1)->ply == 0;
    const int32_t ply = ss->ply;

    // Node entry.
    ss->moveCount = 0;
    pollStop(thread);
    if (PvNode && ply > thread.selDepth) thread.selDepth = ply;
    if (!rootNode) {
        if (searchMustStop(thread) || pos.stoneCount >= STONE_LIMIT) return ply < MAX_PLY ? 0 : horizonValue(pos);
        if (ply >= MAX_PLY) return horizonValue(pos);
        // No line from here can beat a win found closer to the root.
        alpha = std::max(alpha, ply - SCORE_MATE);
        beta = std::min(beta, SCORE_MATE - 1 - ply);
        if (alpha >= beta) return alpha;
    }
    const MoveWord excludedMove = ss->excludedMove;
    (ss + 1)->excludedMove = MOVE_NONE;
    ss->currentMove = MOVE_NONE;
    ss->contHistory = nullptr;
    (ss + 2)->statScore = 0;
    (ss + 2)->killers[0] = (ss + 2)->killers[1] = MOVE_NONE;

    // Transposition table.
    const uint64_t key = pos.current->key;
    ProbeResult probed = probe(TT, key);
    TTSlot* tte = probed.slot;
    const TTEntry entry = probed.entry;  // as the probe read it
    const bool found = probed.found;
    const bool ttHit = found && excludedMove == MOVE_NONE;
    const int32_t ttValue = ttHit ? valueFromTable(entry.value, ply) : SCORE_NONE;
    MoveWord ttMove = rootNode ? thread.rootMoves[thread.pvIdx].pv[0] : ttHit ? entry.move : MOVE_NONE;

    if (!PvNode && ttHit && entry.depth >= depth && ttValue >= -SCORE_MATE && ttValue <= SCORE_MATE) {
        if (ttValue < beta) {
            if (entry.bound & BOUND_UPPER) {
                if (ttMove) updateContinuation(ss - 1, (ss - 1)->currentMove, -cappedStatBonus(depth + 1));
                return ttValue;
            }
        } else if (entry.bound & BOUND_LOWER) {
            if (ttMove) {
                updateStats(thread, ss, ttMove, nullptr, 0, cappedStatBonus(depth));
                if ((ss - 1)->moveCount == 1)
                    updateContinuation(ss - 1, (ss - 1)->currentMove, -cappedStatBonus(depth + 1));
            }
            return ttValue;
        }
    }

    // Quick win check: a proven result holds far beyond this depth.
    if (!rootNode) {
        if (const int32_t r = threatSearch(pos); r != 0) {
            const int32_t value = quickWinValue(r, ply);
            store(TT, tte, key, valueToTable(value, ply), BOUND_EXACT, quickWinDepth(depth), MOVE_NONE,
                  SCORE_NONE);
            return value;
        }
    }

    // Static evaluation. A side that must answer a threat has no reliable
    // one, and no pruning applies to it.
    const bool inCheck = mustAnswer(pos);
    int32_t staticEval;
    int32_t eval;
    if (inCheck) {
        staticEval = eval = SCORE_NONE;
    } else if (found) {
        staticEval = entry.staticEval == SCORE_NONE ? evaluate(pos) : entry.staticEval;
        eval = staticEval;
        if (ttValue != SCORE_NONE && (entry.bound & (ttValue > staticEval ? BOUND_LOWER : BOUND_UPPER)))
            eval = ttValue;
    } else {
        // After a null move the evaluation only changes hands, plus a tempo.
        staticEval = (ss - 1)->currentMove == MOVE_NULL ? margins.tempo - (ss - 1)->staticEval : evaluate(pos);
        eval = staticEval;
        store(TT, tte, key, SCORE_NONE, BOUND_NONE, DEPTH_NONE, MOVE_NONE, staticEval);
    }
    ss->staticEval = staticEval;
    // Children are searched from here on: their evaluations then need not
    // catch up with this node's stone each time.
    syncShapes(pos);
    const bool improving = staticEval >= (ss - 2)->staticEval || (ss - 2)->staticEval == SCORE_NONE;

    if (!inCheck && !skipEarlyPruning) {
        // Futility at the child: the opponent cannot catch up within depth.
        const int32_t futility = improving ? margins.futilityImproving : margins.futility;
        if ((PvNode ? depth <= 6 && !rootNode : depth < 7) && eval - futility * depth >= beta &&
            eval < SCORE_KNOWN_WIN)
            return eval;

        // Null move: if passing still holds beta, a real move will too.
        if (!PvNode && eval >= beta && !opponentMustAnswer(pos) &&
            !(depth <= 12 && staticEval < beta - margins.nullMove * (depth - 7))) {
            ss->currentMove = MOVE_NULL;
            ss->contHistory = nullptr;
            const int32_t R = (67 * depth + 823) / 256 + std::min((eval - beta) / margins.nullMoveDivisor, 3);
            makeNullMove(pos);
            prefetch(TT, pos.current->key);
            const int32_t nullDepth = depth - R;
            int32_t nullValue = nullDepth < 1 ? -leafNonPV(pos, ss + 1, 1 - beta, 0)
                                              : -searchNonPV(pos, ss + 1, -beta, -beta + 1, nullDepth, !cutNode, true);
            unmakeNullMove(pos);
            if (nullValue >= beta) {
                // A pass proves no win.
                if (nullValue >= SCORE_MATE_IN_MAX_PLY) nullValue = beta;
                if (depth < 12 && std::abs(beta) < SCORE_KNOWN_WIN) return nullValue;
                // Deep, or near a proven result: verify without the pass.
                const int32_t verified = nullDepth < 1 ? leafNonPV(pos, ss, beta, 0)
                                                       : searchNonPV(pos, ss, beta - 1, beta, nullDepth, false, true);
                if (verified >= beta) return nullValue;
            }
        }

        // Internal iterative deepening: a full-window node wants a first move.
        if (PvNode && depth >= 6 && ttMove == MOVE_NONE) {
            searchPV(pos, ss, alpha, beta, 3 * depth / 4 - 2, cutNode);
            probed = probe(TT, key);
            tte = probed.slot;
            ttMove = probed.found ? probed.entry.move : MOVE_NONE;
        }
    }

    // Move loop.
    MovePicker picker(pos, stats, ttMove, ss, inCheck);
    ttMove = picker.ttMove;  // dropped when its cell is taken
    const bool restricted = sideToMoveIsRestricted(pos);
    const bool xToMove = pos.sideToMove == 1;
    const int32_t moveCountLimit = (improving ? moveCountsB : moveCountsA)[tableIndex(depth, 15)];
    const auto reduction = [improving](int32_t d, int32_t n) {
        return (PvNode ? reductionsB : reductionsA)[improving][tableIndex(d, 63)][tableIndex(n, 63)];
    };
    const bool singularNode = depth >= 8 && excludedMove == MOVE_NONE && ttValue != SCORE_NONE;
    const int32_t rBeta = std::max(ttValue - 2 * depth, -SCORE_MATE);

    int32_t bestValue = -SCORE_INFINITE;
    MoveWord bestMove = MOVE_NONE;
    MoveWord quiets[QUIETS_CAPACITY];
    int32_t quietCount = 0;
    int32_t moveCount = 0;
    bool skipQuiets = false;
    MoveWord childPv[PvNode ? PV_BUFFER_SIZE : 1];

    // A widened root list holds moves the picker never offers: the root then
    // walks the list itself, and its moves have passed the exact rule test.
    const bool rootFromList = rootNode && thread.rootFromList;
    size_t nextListed = thread.pvIdx;
    const auto nextMove = [&]() -> MoveWord {
        if (!rootFromList) return picker.next(skipQuiets);
        return nextListed < thread.rootMoves.size() ? thread.rootMoves[nextListed++].pv[0] : MOVE_NONE;
    };

    while (const MoveWord m = nextMove()) {
        const uint32_t cell = cellOf(m);
        if (restricted && !rootFromList && isForbiddenCell(pos, cell)) continue;
        if (excludedMove != MOVE_NONE && sameMove(m, excludedMove)) continue;
        if (rootNode && !isSearchedRootMove(thread, m)) continue;

        ss->moveCount = ++moveCount;
        const uint8_t cls = xToMove ? pos.classes[cell].x : pos.classes[cell].o;
        const bool forcing = (m & FORCING_FLAG) != 0;
        const bool isTtMove = ttMove != MOVE_NONE && sameMove(m, ttMove);

        // Extensions.
        int32_t ext = 0;
        if (forcing) {
            ext = 1;
        } else if (PvNode && cls >= CLASS_FOUR_THREE) {
            ext = 1;
        } else if (!PvNode && cls >= CLASS_FOUR_THREE && moveCount < moveCountLimit) {
            ext = isTtMove ? 1 : 0;
        } else if (!rootNode && isTtMove && singularNode && lowerBoundDeepEnough(tte->load(), depth)) {
            // Singular: every other move falls short of the table value.
            ss->excludedMove = m;
            const int32_t v = searchNonPV(pos, ss, rBeta - 1, rBeta, depth / 2, cutNode, true);
            ss->excludedMove = MOVE_NONE;
            ext = v < rBeta ? 1 : 0;
        }
        const int32_t newDepth = depth - 1 + ext;

        // Pruning, once the node is not lost anyway.
        if (!rootNode && bestValue > -SCORE_MATE_IN_MAX_PLY) {
            const bool moveCountPruning = !forcing && moveCount >= moveCountLimit;
            const bool answerThreat = inCheck && cls >= CLASS_FOUR;
            if (moveCountPruning && !answerThreat) {
                skipQuiets = true;
                continue;
            }
            if (answerThreat) {
                if (depth < 7) {
                    int32_t t = -margins.answerPrune * depth * depth;
                    if (staticEval != SCORE_NONE) t += staticEval - alpha + 128;
                    if (t < 0) continue;
                }
            } else {
                const int32_t lmrDepth = newDepth - reduction(depth, moveCount);
                if (lmrDepth <= 6) {
                    // The evaluation of a node that must answer a threat means
                    // nothing: it never prunes.
                    if (staticEval != SCORE_NONE &&
                        std::max(lmrDepth, 0) * margins.lateMove + staticEval - margins.lateMoveOffset <= alpha)
                        continue;
                    const uint32_t i = statIndex(m);
                    const bool followsWell = (ss - 1)->contHistory && (ss - 1)->contHistory[i] >= 0;
                    if (!followsWell && (!(ss - 2)->contHistory || (ss - 2)->contHistory[i] < 0)) continue;
                }
            }
        }

        // Make.
        prefetch(TT, keyAfter(pos, m));
        ss->currentMove = m;
        ss->contHistory = stats.contHistory[statIndex(m)];
        if constexpr (PvNode) (ss + 1)->pv = nullptr;
        makeMove(pos, m);

        // Search the child.
        int32_t value = -SCORE_INFINITE;
        bool fullDepthNullWindow;
        if (depth >= 3 && moveCount >= 2) {
            int32_t r = reduction(depth, moveCount);
            if ((ss - 1)->moveCount > 17) r -= 1;
            const uint32_t i = statIndex(m);
            const int32_t statScore =
                stats.moveHistory[i] + rowValue(ss - 1, i) + rowValue(ss - 2, i) + rowValue(ss - 4, i) - 4200;
            ss->statScore = statScore;
            if (statScore >= 0 && (ss - 1)->statScore < 0)
                r -= 1;
            else if (statScore < 0 && (ss - 1)->statScore >= 0)
                r += 1;
            r = std::max(r - statScore / 10000, 0);
            const int32_t d = std::max(newDepth - r, 1);
            value = -searchNonPV(pos, ss + 1, -(alpha + 1), -alpha, d, true, false);
            fullDepthNullWindow = value > alpha && d != newDepth;
        } else {
            fullDepthNullWindow = !PvNode || moveCount > 1;
        }

        if (fullDepthNullWindow) {
            if (newDepth >= 1)
                value = -searchNonPV(pos, ss + 1, -(alpha + 1), -alpha, newDepth, !cutNode, false);
            else
                value = cls < CLASS_FOUR ? -leafNonPV(pos, ss + 1, -alpha, 0)
                                         : -answerNonPV(pos, ss + 1, -(alpha + 1), -alpha, 0);
        }

        if (PvNode && (moveCount == 1 || (value > alpha && (rootNode || value < beta)))) {
            childPv[0] = MOVE_NONE;
            (ss + 1)->pv = childPv;
            if (newDepth >= 1)
                value = -searchPV(pos, ss + 1, -beta, -alpha, newDepth, false);
            else
                value = cls >= CLASS_FOUR ? -answerPV(pos, ss + 1, -beta, -alpha, 0) : -leafPV(pos, ss + 1, -alpha, 0);
        }

        unmakeMove(pos, m);
        if (searchMustStop(thread)) return 0;

        if (rootNode) updateRootMove(thread, m, value, moveCount == 1 || value > alpha, (ss + 1)->pv, moveCount);

        if constexpr (!PvNode) {
            if (value > bestValue) {
                if (value > alpha) {
                    bestMove = m;
                    bestValue = value;
                    ss->statScore = std::max(ss->statScore, 0);
                    break;
                }
                bestValue = value;
            }
            if (quietCount < QUIETS_CAPACITY) quiets[quietCount++] = m;
        } else {
            if (value > bestValue) {
                if (value <= alpha) {
                    bestValue = value;
                    if (value == alpha && !rootNode) updatePv(ss->pv, m, (ss + 1)->pv);
                } else {
                    bestMove = m;
                    bestValue = value;
                    if (!rootNode) updatePv(ss->pv, m, (ss + 1)->pv);
                    if (value >= beta) {
                        ss->statScore = std::max(ss->statScore, 0);
                        break;
                    }
                    alpha = value;
                }
            }
            if (m != bestMove && quietCount < QUIETS_CAPACITY) quiets[quietCount++] = m;
        }
    }

    // After the loop.
    if (moveCount == 0) {
        if (excludedMove != MOVE_NONE) return alpha;
        // No move: lost when a threat must be answered, else a draw.
        bestValue = inCheck ? ply - SCORE_MATE : 0;
    } else if (bestMove != MOVE_NONE) {
        updateStats(thread, ss, bestMove, quiets, quietCount, cappedStatBonus(depth));
        // The previous move was refuted at once: its first try was bad.
        if ((ss - 1)->moveCount == 1) updateContinuation(ss - 1, (ss - 1)->currentMove, -cappedStatBonus(depth + 1));
    } else if (depth >= 3) {
        // Nothing here beat alpha: the previous move was good.
        updateContinuation(ss - 1, (ss - 1)->currentMove, cappedStatBonus(depth));
    }

    if (excludedMove != MOVE_NONE) return bestValue;

    const uint8_t bound = bestValue >= beta                      ? BOUND_LOWER
                          : PvNode && bestMove != MOVE_NONE ? BOUND_EXACT
                                                            : BOUND_UPPER;
    store(TT, tte, key, valueToTable(bestValue, ply), bound, depth, bestMove, staticEval);
    return bestValue;
}

}  // namespace

int32_t searchPV(Position& pos, StackEntry* ss, int32_t alpha, int32_t beta, int32_t depth, bool cutNode) {
    return search<true>(pos, ss, alpha, beta, depth, cutNode, false);
}

int32_t searchNonPV(Position& pos, StackEntry* ss, int32_t alpha, int32_t beta, int32_t depth, bool cutNode,
                    bool skipEarlyPruning) {
    return search<false>(pos, ss, alpha, beta, depth, cutNode, skipEarlyPruning);
}

void updateContinuation(StackEntry* ss, MoveWord move, int32_t bonus) {
    const int32_t size = std::abs(bonus);
    if (size >= HISTORY_BONUS_LIMIT) return;
    const uint32_t i = statIndex(move);
    for (const int back : {1, 2, 4, 6}) {
        if (int16_t* row = (ss - back)->contHistory) row[i] = int16_t(row[i] + 32 * bonus - row[i] * size / 936);
    }
}

void updateStats(SearchThread& thread, StackEntry* ss, MoveWord move, const MoveWord* quiets, int32_t quietCount,
                 int32_t bonus) {
    if (ss->killers[0] != move) {
        ss->killers[1] = ss->killers[0];
        ss->killers[0] = move;
    }
    SearchStats& stats = thread.stats;
    const int32_t size = std::abs(bonus);
    if (size < HISTORY_BONUS_LIMIT) {
        int16_t& h = stats.moveHistory[statIndex(move)];
        h = int16_t(h + 32 * bonus - h * size / 324);
    }
    updateContinuation(ss, move, bonus);
    if ((ss - 1)->contHistory) stats.counterMoves[statIndex((ss - 1)->currentMove)] = move;
    if (size >= HISTORY_BONUS_LIMIT) return;
    for (int32_t k = 0; k < quietCount; ++k) {
        int16_t& h = stats.moveHistory[statIndex(quiets[k])];
        h = int16_t(h - 32 * bonus - h * size / 324);
        updateContinuation(ss, quiets[k], -bonus);
    }
}
