#include "search/info.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "board/position.h"
#include "search/threads.h"

std::string scoreText(int32_t value) {
    char text[32];
    if (value > 31743) std::snprintf(text, sizeof text, "+M%d", ((SCORE_MATE - value) & ~1) - 1);
    else if (value < -31743) std::snprintf(text, sizeof text, "-M%d", value + 31999);
    else std::snprintf(text, sizeof text, "%d", value / 4);
    return text;
}

std::string moveText(const Position& pos, MoveWord move) {
    const uint32_t x = xOf(move), y = yOf(move);
    if (x == 31 || y == 31) return "";
    char text[16];
    if (pos.yixinMode == 1) {
        std::snprintf(text, sizeof text, "%c%u", char('a' + y), pos.boardSize - x);
    } else {
        static const char COLOUR_MARKS[] = {' ', 'X', 'O', '.'};
        std::snprintf(text, sizeof text, "%c%c%u", COLOUR_MARKS[colourOf(move) >> 10], char('a' + x), y);
    }
    return text;
}

std::string nodeCountText(uint64_t nodes) {
    char text[32];
    if (nodes > 10000000000ull) std::snprintf(text, sizeof text, "%lluG", (unsigned long long)(nodes / 1000000000ull));
    else if (nodes > 10000000ull) std::snprintf(text, sizeof text, "%lluM", (unsigned long long)(nodes / 1000000ull));
    else if (nodes > 10000ull) std::snprintf(text, sizeof text, "%lluk", (unsigned long long)(nodes / 1000ull));
    else std::snprintf(text, sizeof text, "%llu", (unsigned long long)nodes);
    return text;
}

std::string infoLines(const ThreadPool& pool, const SearchThread& main, int32_t depth, int32_t alpha,
                      int32_t beta, int64_t elapsedMs) {
    const int64_t elapsed = std::max<int64_t>(elapsedMs + 1, 1);
    const uint64_t lines = std::min<uint64_t>(pool.multiPV, main.rootMoves.size());
    const uint64_t nodes = totalNodes(pool);

    std::string text;
    for (uint64_t i = 0; i < lines; ++i) {
        // The lines before pvIdx were completed at this depth, and the first
        // line always shows what this depth found for the move it plays; the
        // others show their last completed depth.
        const bool updated = i < main.pvIdx || i == 0;
        if (!updated && depth == 1) continue;
        const RootMove& rm = main.rootMoves[i];
        const int32_t d = updated ? depth : depth - 1;
        const int32_t v = updated ? rm.score : rm.previousScore;
        if (!text.empty()) text += "\nMESSAGE ";
        text += "depth " + std::to_string(d) + "-" + std::to_string(main.selDepth);
        if (lines != 1) text += " multipv " + std::to_string(i + 1);
        text += " ev " + scoreText(v);
        if (updated && i == main.pvIdx) {
            if (v >= beta) text += " lowerbound";
            else if (v <= alpha) text += " upperbound";
        }
        text += " n " + nodeCountText(nodes);
        text += " n/ms " + std::to_string(nodes / uint64_t(elapsed));
        text += " tm " + std::to_string(elapsed);
        text += " pv";
        for (MoveWord m : rm.pv) {
            text += ' ';
            text += m == 0 ? "(none)" : m == 1023 ? "(0000)" : moveText(main.position, m);
        }
    }
    return text;
}
