#include "search/driver.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <string>

#include "board/position.h"
#include "movegen/root_moves.h"
#include "movegen/search_stack.h"
#include "movegen/threats.h"
#include "search/alphabeta.h"
#include "search/clock.h"
#include "search/info.h"
#include "search/leaf.h"
#include "search/ponder.h"
#include "search/search_control.h"
#include "search/threads.h"
#include "search/tt.h"
#include "search/tunables.h"

SearchLimits Limits;
TimeManager Time;
std::atomic<bool> stopFlag{false};

namespace {

constexpr int32_t EVAL_OFFSET_BASE = 42;
// Moves assumed left in the game when the board gives no estimate.
constexpr int32_t DEFAULT_MOVES_TO_GO = 50;
// However few moves the board seems to leave, one move never takes more than
// this share of the match time left: a long game never runs out of time.
constexpr int32_t MIN_MOVES_TO_GO = 10;
// Kept back from the hard limit for the last nodes before the next poll, the
// information line and the reply to get out, also on a loaded machine.
constexpr int64_t HARD_LIMIT_MARGIN_MS = 30;
constexpr double TINY = 2.2250738585072014e-308;

// One line to the client, formatted printf-style.
__attribute__((format(printf, 2, 3))) void say(const SearchClient& client, const char* format, ...) {
    va_list args, again;
    va_start(args, format);
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string line(length > 0 ? size_t(length) : 0, '\0');
    std::vsnprintf(line.data(), line.size() + 1, format, again);
    va_end(again);
    client.say(client.game, line.c_str());
}

// The depths a helper thread leaves out: helper i searches depths in runs
// of SKIP_SIZE, on and off, shifted by SKIP_PHASE, the patterns repeating
// every 20 helpers.
constexpr int SKIP_SIZE[20] = {1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 3, 3, 4, 4, 4, 4, 4, 4, 4, 4};
constexpr int SKIP_PHASE[20] = {0, 1, 0, 1, 2, 3, 0, 1, 2, 3, 4, 5, 0, 1, 2, 3, 4, 5, 6, 7};

bool skipsDepth(uint64_t threadIndex, int32_t depth) {
    const uint64_t i = (threadIndex - 1) % 20;
    return ((depth + SKIP_PHASE[i]) / SKIP_SIZE[i]) % 2 != 0;
}

void sortByScore(std::vector<RootMove>& moves, size_t from, size_t to) {
    std::stable_sort(moves.begin() + from, moves.begin() + to,
                     [](const RootMove& a, const RootMove& b) { return a.score > b.score; });
}

// A stop cut the search of a line off: the lines from `from` on were not
// completed at this depth, and the partial search left some of their moves
// with the "not searched" score. They keep the scores and the order of the
// last completed depth instead. The first line keeps what the cut-off search
// found (a move that beat the window's lower end is a real result): its
// move is the reply.
void keepLastDepthFrom(std::vector<RootMove>& moves, size_t from) {
    if (from >= moves.size()) return;
    for (size_t i = from; i < moves.size(); ++i) moves[i].score = moves[i].previousScore;
    sortByScore(moves, from, moves.size());
}

// Remarks on how the score moved since the last searches of this game: a
// win that slipped away, a clear advantage turned into a disadvantage.
void scoreTrendRemarks(MainThread& main, const SearchClient& client) {
    const int32_t s = main.previousScore;
    main.peakScore = std::max(main.peakScore, s);
    bool remarked = false;
    if (main.winSeen || main.peakScore > SCORE_MATE_IN_MAX_PLY) {
        main.winSeen = true;
        if (s < -SCORE_MATE_IN_MAX_PLY || s < SCORE_MATE_IN_MAX_PLY) {
            say(client, s < -SCORE_MATE_IN_MAX_PLY ? "MESSAGE :-O %s -> %s" : "MESSAGE :-{ %s -> %s",
                scoreText(main.peakScore).c_str(), scoreText(s).c_str());
            main.winSeen = false;
            main.peakScore = -SCORE_INFINITE;
            remarked = true;
        }
    } else {
        main.winSeen = false;
    }
    if (!remarked) {
        if (main.lastScore >= 101 && s < -50) {
            say(client, "MESSAGE :-[ %s -> %s", scoreText(main.lastScore).c_str(), scoreText(s).c_str());
            main.peakScore = -SCORE_INFINITE;
        } else if (s < 0 && main.peakScore >= 151 && main.peakScore - s > 300) {
            say(client, "MESSAGE :-/ %s -> %s", scoreText(main.peakScore).c_str(), scoreText(s).c_str());
            main.peakScore = -SCORE_INFINITE;
        }
    }
    main.lastScore = s;
}

}  // namespace

// A per-move or match clock was given, or no limit at all (then the search
// plays at once, on a 1 ms budget).
bool usesTimeManagement(const SearchLimits& limits) {
    return limits.turnTime > 0 || limits.time > 0 || (limits.depth == 0 && limits.nodes == 0);
}

double moveImportance(uint32_t stoneCount) {
    return std::pow(1 + std::exp((double(stoneCount) - 64.5) * 0.14598540145985403), -0.171);
}

void initTime(const SearchLimits& limits, uint32_t stoneCount) {
    Time.startTime = limits.startTime;
    // A clock that was not given (0) does not limit the move; with neither
    // given the search is not timed at all.
    int32_t cap;
    if (limits.turnTime > 0 && limits.time > 0) cap = std::min(limits.turnTime, limits.time);
    else cap = std::max(limits.turnTime, limits.time);
    if (cap < 1) {
        Time.optimumTime = Time.maximumTime = 1;
        return;
    }
    Time.optimumTime = Time.maximumTime = cap;
    if (cap == 1) return;

    const double opening = stoneCount < 4 ? 1 + (4.0 - stoneCount) / 7 : 1;
    const double thisMove = (moveImportance(stoneCount) + TINY) * opening;
    const int32_t movesToGo = limits.movesToGo < 1 ? DEFAULT_MOVES_TO_GO : limits.movesToGo;
    double others = 0;  // importance of the moves after this one
    for (int32_t n = 1; n <= movesToGo; ++n) {
        const int64_t hypothetical = int64_t(limits.time) + int64_t(limits.inc) * (n - 1) -
                                     int64_t(std::max(limits.reserve, 10)) * (n + 1);
        // Without a match clock the turn time alone bounds the move.
        const double h = limits.time > 0 ? double(std::max<int64_t>(hypothetical, 0)) : double(cap);
        int64_t t1, t2;
        if (n == 1) {
            t1 = t2 = int64_t(h) + 1;
        } else {
            others += moveImportance(stoneCount + 2 * (n - 1)) + TINY;
            t1 = int64_t(std::floor(thisMove / (thisMove + others) * h)) + 1;
            t2 = int64_t(std::floor(std::min((thisMove + 0.34 * others) / (thisMove + others),
                                             7.3 * thisMove / (7.3 * thisMove + others)) *
                                    h)) +
                 1;
        }
        Time.optimumTime = int32_t(std::min<int64_t>(Time.optimumTime, t1));
        Time.maximumTime = int32_t(std::min<int64_t>(Time.maximumTime, t2));
        if (limits.time == 0) break;  // the turn time gives no reason to look further ahead
    }
    if (limits.time > 0) {
        Time.maximumTime = std::min(Time.maximumTime, std::max(limits.time / MIN_MOVES_TO_GO, 1));
        Time.optimumTime = std::min(Time.optimumTime, Time.maximumTime);
    }
}

void checkTime() {
    if (usesTimeManagement(Limits) && nowMs() - Time.startTime > Time.maximumTime - HARD_LIMIT_MARGIN_MS)
        raiseStop();
    if (Limits.nodes != 0 && totalNodes(Threads) >= Limits.nodes) raiseStop();
}

void clearSearchTables(ThreadPool& pool) {
    // The helpers keep what they learnt from one search to the next (they
    // were cleared when created): clearing megabytes per thread before every
    // search would hold the reply up when many threads share few cores.
    clearSearchStats(pool.threads[0]->stats);
    for (uint64_t t = 0; t < pool.count; ++t) pool.threads[t]->resetCalls = true;
    MainThread& main = mainThread(pool);
    main.previousScore = SCORE_INFINITE;
    main.previousTimeReduction = 1.0;
}

void startThinking(ThreadPool& pool, Position& gamePos, const SearchLimits& limits, const SearchClient* client) {
    MainThread& main = mainThread(pool);
    waitForSearchFinished(main);
    main.client = client ? *client : SearchClient{};
    // Threads asked for since the last search are made now, sized to the
    // memory limit in force; a few milliseconds even for many.
    const uint64_t asked = pool.target;
    if (!makeMissingThreads(pool) && main.client.say)
        say(main.client, "MESSAGE not enough memory for %llu search threads: searching on %llu",
            static_cast<unsigned long long>(asked), static_cast<unsigned long long>(pool.count));
    stopFlag = false;
    Limits = limits;

    std::vector<RootMove> rootMoves;
    const bool widened = collectRootMoves(gamePos, {limits.blockedCells, limits.searchMoves}, rootMoves);
    if (!rootMoves.empty()) filterRootMovesByThreats(gamePos, rootMoves);
    // Aged before any thread starts, so that every store of this search
    // carries its generation.
    newSearch(TT);

    for (uint64_t t = 0; t < pool.count; ++t) {
        SearchThread& thread = *pool.threads[t];
        thread.selDepth = 0;
        thread.rootDepth = thread.completedDepth = 0;
        thread.rootMoves = rootMoves;
        thread.rootFromList = widened;
        copyFrom(thread.position, gamePos, &thread);
    }
    startSearching(main);
}

SearchThread& bestThread(ThreadPool& pool) {
    SearchThread& main = *pool.threads[0];
    // Several lines are the main thread's to report; one thread has no choice.
    if (pool.count == 1 || pool.multiPV != 1) return main;
    SearchThread* best = &main;
    // A helper stopped before its first iteration ended has no result.
    const auto hasResult = [](const SearchThread& th) { return th.completedDepth > 0; };
    if (pool.threadChoice == THREAD_CHOICE_DEEPEST) {
        for (uint64_t t = 1; t < pool.count; ++t) {
            SearchThread& th = *pool.threads[t];
            if (!hasResult(th)) continue;
            const bool deeper = th.completedDepth > best->completedDepth;
            const bool asDeepAndBetter =
                th.completedDepth == best->completedDepth && th.rootMoves[0].score > best->rootMoves[0].score;
            if (deeper || asDeepAndBetter) best = &th;
        }
        return *best;
    }
    // A vote: each thread backs its move with its depth times how far its
    // score lies above the worst thread's; a proven win is taken at once,
    // the fastest one first.
    int32_t minScore = SCORE_INFINITE;
    for (uint64_t t = 0; t < pool.count; ++t)
        if (hasResult(*pool.threads[t])) minScore = std::min(minScore, pool.threads[t]->rootMoves[0].score);
    std::vector<std::pair<MoveWord, int64_t>> votes;
    const auto votesFor = [&votes](MoveWord m) -> int64_t& {
        for (auto& [move, count] : votes)
            if (sameMove(move, m)) return count;
        votes.emplace_back(m, 0);
        return votes.back().second;
    };
    for (uint64_t t = 0; t < pool.count; ++t) {
        const SearchThread& th = *pool.threads[t];
        if (!hasResult(th)) continue;
        votesFor(th.rootMoves[0].pv[0]) += int64_t(th.rootMoves[0].score - minScore + 20) * th.completedDepth;
    }
    for (uint64_t t = 1; t < pool.count; ++t) {
        SearchThread& th = *pool.threads[t];
        if (!hasResult(th)) continue;
        const int32_t score = th.rootMoves[0].score, bestScore = best->rootMoves[0].score;
        if (bestScore >= SCORE_MATE_IN_MAX_PLY) {
            if (score > bestScore) best = &th;  // a faster win
        } else if (score >= SCORE_MATE_IN_MAX_PLY ||
                   votesFor(th.rootMoves[0].pv[0]) > votesFor(best->rootMoves[0].pv[0])) {
            best = &th;
        }
    }
    return *best;
}

void think(MainThread& main) {
    ThreadPool& pool = Threads;
    Position& pos = main.position;
    clearSearchTables(pool);
    Limits.movesToGo = std::max((Limits.moveBase - int32_t(pos.stoneCount)) / 2, 1);
    initTime(Limits, pos.stoneCount);

    if (main.rootMoves.empty()) {
        RootMove none;
        none.pv.push_back(MOVE_NONE);
        main.rootMoves.push_back(none);
    } else {
        for (uint64_t t = 1; t < pool.count; ++t) startSearching(*pool.threads[t]);
        iterate(main);
    }
    raiseStop();
    for (uint64_t t = 1; t < pool.count; ++t) waitForSearchFinished(*pool.threads[t]);

    // The helpers have finished: their results can be read.
    SearchThread& chosen = main.rootMoves[0].pv[0] == MOVE_NONE ? main : bestThread(pool);
    RootMove& best = chosen.rootMoves[0];
    const MoveWord bestMove = best.pv[0];
    main.previousScore = best.score;
    const bool onBoard = bestMove != MOVE_NONE && xOf(bestMove) < pos.boardSize && yOf(bestMove) < pos.boardSize;
    main.chosenMove = onBoard ? bestMove : MOVE_NONE;
    if (best.pv.size() < 2 && bestMove != MOVE_NONE) extractPonderMove(best, pos);

    const SearchClient& client = main.client;
    if (!client.say) return;
    if (main.rootDepth >= 3) scoreTrendRemarks(main, client);
    // Without a move (a five stands, or the board is full) nothing was
    // searched, and there is no line to show.
    if (bestMove != MOVE_NONE)
        say(client, "MESSAGE %s",
            infoLines(pool, chosen, chosen.rootDepth, -SCORE_INFINITE, SCORE_INFINITE, nowMs() - Time.startTime)
                .c_str());
    if (Limits.swapQuery && main.previousScore < 0) {
        client.searchDone(client.game);
        say(client, "SWAP");
        return;
    }
    // Without a move the game is over; 0,0 answers the request and nothing
    // is put on the board.
    const uint32_t x = xOf(main.chosenMove), y = yOf(main.chosenMove);
    if (main.chosenMove != MOVE_NONE) client.playOwnMove(client.game, x, y);
    client.searchDone(client.game);
    say(client, "%d,%d", int(x), int(y));
}

void iterate(SearchThread& thread) {
    ThreadPool& pool = Threads;
    const bool isMain = &thread == pool.threads[0];
    MainThread* main = isMain ? static_cast<MainThread*>(&thread) : nullptr;
    Position& pos = thread.position;
    std::vector<RootMove>& rootMoves = thread.rootMoves;

    StackEntry stack[STACK_SIZE];
    StackEntry* root = initSearchStack(stack, thread.batches);
    thread.completedDepth = 0;
    if (main) {
        main->failedLow = false;
        main->bestMoveChanges = 0;
    }

    int32_t bestValue = -SCORE_INFINITE, alpha = -SCORE_INFINITE, beta = SCORE_INFINITE;
    int32_t delta = SEARCH_MARGINS.aspiration;
    thread.evalOffset = EVAL_OFFSET_BASE;
    MoveWord lastBestMove = MOVE_NONE;
    int32_t lastBestMoveDepth = 0;
    double timeReduction = 1.0;
    const size_t multiPV = std::min<size_t>(pool.multiPV, rootMoves.size());
    const int32_t depthCap = std::max<int32_t>(1, int32_t(pos.boardSize * pos.boardSize) - 3 - int32_t(pos.stoneCount));

    for (;;) {
        ++thread.rootDepth;
        if (thread.rootDepth > MAX_SEARCH_DEPTH || searchMustStop(thread) || thread.rootDepth > depthCap) break;
        if (Limits.depth != 0 && Limits.depth < thread.rootDepth) break;
        // Helpers leave out some depths, each its own pattern, so that the
        // threads do not all search the same tree at the same time.
        if (!main && skipsDepth(thread.idx, thread.rootDepth)) continue;

        if (main) {
            main->failedLow = false;
            main->bestMoveChanges *= 0.505;
        }
        for (RootMove& rm : rootMoves) rm.previousScore = rm.score;

        int32_t searchedDepth = thread.rootDepth;
        for (thread.pvIdx = 0; thread.pvIdx < multiPV && !searchMustStop(thread); ++thread.pvIdx) {
            if (thread.rootDepth >= 5) {
                const int32_t p = rootMoves[thread.pvIdx].previousScore;
                delta = SEARCH_MARGINS.aspiration;
                alpha = std::max(p - SEARCH_MARGINS.aspiration, -SCORE_INFINITE);
                beta = std::min(p + SEARCH_MARGINS.aspiration, SCORE_INFINITE);
                thread.evalOffset = 88 * p / (std::abs(p) + 200) + EVAL_OFFSET_BASE;
            }
            int failedHighCount = 0;
            for (;;) {
                // A fail high is searched again one ply deeper.
                searchedDepth = std::max(1, thread.rootDepth + (failedHighCount > 0 ? 1 : 0));
                bestValue = searchPV(pos, root, alpha, beta, searchedDepth, false);
                sortByScore(rootMoves, thread.pvIdx, rootMoves.size());
                if (searchMustStop(thread)) break;
                if (bestValue <= alpha) {
                    beta = (alpha + beta) / 2;
                    alpha = std::max(bestValue - delta, -SCORE_INFINITE);
                    if (main) main->failedLow = true;
                    failedHighCount = 0;
                } else if (bestValue >= beta) {
                    alpha = (alpha + beta) / 2;
                    beta = std::min(bestValue + delta, SCORE_INFINITE);
                    ++failedHighCount;
                } else {
                    break;
                }
                delta += delta / 4 + 5;
            }
            // A line cut off stays the one in progress: pvIdx counts the
            // lines this depth completed.
            if (searchMustStop(thread)) break;
            sortByScore(rootMoves, 0, thread.pvIdx + 1);
        }
        if (thread.pvIdx < multiPV) keepLastDepthFrom(rootMoves, std::max<size_t>(thread.pvIdx, 1));
        if (!searchMustStop(thread)) thread.completedDepth = searchedDepth;
        if (!main) continue;

        const MoveWord bestMove = rootMoves[0].pv[0];
        if (bestMove != lastBestMove) lastBestMoveDepth = searchedDepth;
        lastBestMove = bestMove;

        // A proven result needs no deeper search.
        if (thread.rootDepth > thread.selDepth + 2 && std::abs(bestValue) >= SCORE_MATE_IN_MAX_PLY) raiseStop();

        const bool timed = usesTimeManagement(Limits);
        if ((timed || rootMoves.size() == 1) && !searchMustStop(thread)) {
            const double fallingEval = std::clamp(
                357.0 + 119.0 * main->failedLow - 6.0 * (double(bestValue) - main->previousScore), 229.0, 715.0);
            int k = 0;
            for (int i : {3, 4, 5}) k += thread.completedDepth > i * lastBestMoveDepth;
            timeReduction = std::pow(1.3, k);
            const double elapsed = double(nowMs() - Time.startTime);
            const double budget = Time.optimumTime / 628.0 * fallingEval * (main->bestMoveChanges + 1) *
                                  std::sqrt(main->previousTimeReduction) / timeReduction;
            if (rootMoves.size() == 1 || (timed && elapsed > budget)) raiseStop();
        }

        const SearchClient& client = main->client;
        if (client.say && pos.yixinMode == 1 && client.showDetail) {
            say(client, "MESSAGE %s",
                infoLines(pool, thread, thread.rootDepth, alpha, beta, nowMs() - Time.startTime).c_str());
            say(client, "MESSAGE REALTIME REFRESH");
            say(client, "MESSAGE REALTIME BEST %d,%d", int(xOf(bestMove)), int(yOf(bestMove)));
        }
    }
    if (main) main->previousTimeReduction = timeReduction;
}
