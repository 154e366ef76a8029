// Speed of the innermost board operations: a makeMove/unmakeMove pair on
// middle-game positions (one benchmark iteration is one pair, cycling over
// the empty cells near the stones, both colours), and copyFrom of a
// 40-stone position, which the search runs before every search.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "board/position.h"
#include "board/startup_tables.h"

namespace {

// Random middle-game positions without a five or a four on the board.
const char* const TWENTY_STONES =
    " . . . . . . . . . . . . . . . . . . . ."
    " . . . . . . . . . . . . . . . . . . . ."
    " . . . . . . . . . . . . . . . . O . . ."
    " . X . . . . . . . . . . . . . . . . . ."
    " . . . . . . . . . . . . . . . . . . . ."
    " . . . . . . . . . . . . . . . O X . . ."
    " . . . . X . . . . . . . . . . . . . . ."
    " . . . . X . . . . . . . . . . . . . O ."
    " . . . . . . . . . . . . . . . . O . . ."
    " . . O . . . . . . . O . . X . . . . . ."
    " . . . . . . . O . . X X . . . . . . . ."
    " . . . . . . . . O . . . X O . . . . . ."
    " . . . . . . . . . . X . . . . . . . . ."
    " . . . . . . . . . . . X . . . . . . . ."
    " . . . . . . . . . . . O . . . . . . . ."
    " . . . . . . . . . . . . . . . . . . . ."
    " . . . . . . . . . . . . . . . . . . . ."
    " . . . . . . . . . . . . . . . . . . . ."
    " . . . . . . . . . . . . . . . . . . . ."
    " . . . . . . . . . . . . . . . . . . . .";

const char* const THIRTY_TWO_STONES =
    " . . . . . . . . . . . . . . . . . . . ."
    " . . . . . . . . . . . . . . . . . . . ."
    " . . . . . . . . . . . O . . . . . . . ."
    " . . . . . . . . . X X . . . . . . . . ."
    " . . . . . . . . . . . . . . . . . . . ."
    " . . . . . . . . . . . X . . . . . . . ."
    " . . . . . . . . . . O . . . . . . . . ."
    " . . . . . . . X . . X O X . O . . . . ."
    " . . . . . . X O O . . . . . . . . . . ."
    " . . . . . X . . O . O . X O . X . . . ."
    " . . . . . . . X . . X O O . . . X . . ."
    " . . . . . . . . O . . . . . . . . . . ."
    " . . . . . . . . . . . . . . . . . . . ."
    " . . . . . O . . X . . . . O . . . . . ."
    " . . . . . . X O . . . . . . . . . . . ."
    " . . . . . . . . X . . . . . . . . . . ."
    " . . . . . . . . . . . O . . . . . . . ."
    " . . . . . . . . . . . . . . . . . . . ."
    " . . . . . . . . . . . . . . . . . . . ."
    " . . . . . . . . . . . . . . . . . . . .";

const char* const FORTY_STONES =
    " . . . . . . . . . . . . . . . . . . . ."
    " . . . . . . . . . . . . . . . . . . . ."
    " . . . . . . . . . . . . . . . . . . . ."
    " . . . . . . . . . . . . . . . . . O . ."
    " . . . . . . . . . . . . . . . . . . . ."
    " . . . . . . . . . . . . . . . . . . . ."
    " . . . . . . . . . . . . . . . . . X O ."
    " . . . . . . . . . X . . . . X . . . . ."
    " . X . . . . O . O . X . O . . . . . . ."
    " . . . . . . . . X . . X O . X . . O O ."
    " . . . . . . . . . . X . . O . . . . . ."
    " . . . . X . . X O . . . O . . . . X . ."
    " . . . . . . . . . . . . X . . O . O O ."
    " . . . . . . . . O X . . . . X . . . . ."
    " . . . . . . . . . . X . O . X . . . . X"
    " . . . . . . . . . . . . . . . O . . . ."
    " . . . . . . . . X . . . . . X . . O O ."
    " . . . . . . . . . . . . . . . . . . . ."
    " . . . . . . . . . . . . . . . . . . . ."
    " . . . . . . . . . . . . . . . O . . . .";

const char* const PICTURES[] = {TWENTY_STONES, THIRTY_TWO_STONES, FORTY_STONES};

Position* freshPosition() {
    static bool tablesBuilt = false;
    if (!tablesBuilt) {
        buildClassTable();
        tablesBuilt = true;
    }
    return std::make_unique_for_overwrite<Position>().release();
}

// The side to move's stones on the empty cells near the stones.
std::vector<MoveWord> movesNearStones(const Position& pos) {
    std::vector<MoveWord> moves;
    const uint32_t colour = pos.sideToMove ? COLOUR_X : COLOUR_O;
    for (uint32_t x = 0; x < pos.boardSize; ++x) {
        const uint32_t row = (pos.current->area[x + 3] >> 3) & pos.emptyMask[x];
        for (uint32_t y = 0; y < pos.boardSize; ++y)
            if (row >> y & 1) moves.push_back(colour | cellIndex(x, y));
    }
    return moves;
}

void makeUnmakePair(benchmark::State& state) {
    static Position* pos = freshPosition();
    reset(*pos, 20);
    setupFromPicture(*pos, PICTURES[state.range(0)], COLOUR_X);
    std::vector<MoveWord> moves = movesNearStones(*pos);
    const size_t ownMoves = moves.size();
    for (size_t i = 0; i < ownMoves; ++i) moves.push_back(moves[i] ^ (COLOUR_X | COLOUR_O));
    size_t next = 0;
    for (auto _ : state) {
        const MoveWord m = moves[next];
        makeMove(*pos, m);
        benchmark::DoNotOptimize(pos->current->key);
        unmakeMove(*pos, m);
        if (++next == moves.size()) next = 0;
    }
    state.counters["moves"] = double(moves.size());
}
BENCHMARK(makeUnmakePair)->DenseRange(0, 2)->ArgName("picture");

void copyFromForty(benchmark::State& state) {
    static Position* source = freshPosition();
    static Position* copy = freshPosition();
    reset(*source, 20);
    reset(*copy, 20);
    setupFromPicture(*source, FORTY_STONES, COLOUR_X);
    for (auto _ : state) {
        copyFrom(*copy, *source, nullptr);
        benchmark::DoNotOptimize(copy->current->key);
    }
    state.counters["stones"] = double(source->stoneCount);
}
BENCHMARK(copyFromForty);

}  // namespace
