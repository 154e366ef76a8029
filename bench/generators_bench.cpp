// Speed of move generation and evaluation, which run at every node: each
// family through its dispatcher, evaluate and mustAnswer, over a cycle of
// middle-game positions from threat-seeking random games (one iteration is
// one call on one position, X or O to move).
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

#include "board/position.h"
#include "board/startup_tables.h"
#include "movegen/generators.h"
#include "search/evaluate.h"

namespace {

constexpr uint32_t POSITION_COUNT = 64;

bool hasOpenFourOrFive(const Position& pos) {
    const StateRecord& r = *pos.current;
    for (int k = CLASS_OPEN_FOUR; k <= CLASS_FIVE_STANDS; ++k)
        if (r.classCountX[k] != 0 || r.classCountO[k] != 0) return true;
    return false;
}

// Positions 20 to 80 stones deep into random games whose stones go mostly
// where the mover makes a three or better, as long as neither side is left
// with an open-four point or a five point (such nodes end at once).
std::vector<std::unique_ptr<Position>> middleGamePositions() {
    buildClassTable();
    std::mt19937 rng(2024);
    std::vector<ScoredMove> buffer(MAX_GENERATED_MOVES);
    std::vector<std::unique_ptr<Position>> positions;
    auto game = std::make_unique_for_overwrite<Position>();
    while (positions.size() < POSITION_COUNT) {
        reset(*game, 20);
        selectRuleTables(*game, COLOUR_X);
        const uint32_t depth = 20 + rng() % 61;
        for (uint32_t i = 0; i < depth; ++i) {
            const bool xToMove = game->sideToMove == 1;
            ScoredMove* end = generateAllCandidates(*game, buffer.data());
            std::vector<uint32_t> any, threats;
            for (ScoredMove* m = buffer.data(); m != end; ++m) {
                const ClassPair pair = game->classes[cellOf(m->move)];
                any.push_back(m->move);
                if ((xToMove ? pair.x : pair.o) >= CLASS_OPEN_THREE) threats.push_back(m->move);
            }
            bool placed = false;
            for (int attempt = 0; attempt < 20 && !placed; ++attempt) {
                const std::vector<uint32_t>& from = !threats.empty() && rng() % 2 ? threats : any;
                const uint32_t move = from[rng() % from.size()];
                makeMove(*game, move);
                placed = !hasOpenFourOrFive(*game);
                if (!placed) unmakeMove(*game, move);
            }
            if (!placed) break;
        }
        auto copy = std::make_unique_for_overwrite<Position>();
        copyFrom(*copy, *game, nullptr);
        positions.push_back(std::move(copy));
    }
    return positions;
}

const std::vector<std::unique_ptr<Position>>& positions() {
    static const std::vector<std::unique_ptr<Position>> all = middleGamePositions();
    return all;
}

template <ScoredMove* (*Generate)(const Position&, ScoredMove*)>
void BM_Generate(benchmark::State& state) {
    const auto& all = positions();
    std::vector<ScoredMove> buffer(MAX_GENERATED_MOVES);
    uint32_t i = 0;
    uint64_t moves = 0;
    for (auto _ : state) {
        ScoredMove* end = Generate(*all[i % POSITION_COUNT], buffer.data());
        moves += uint64_t(end - buffer.data());
        benchmark::DoNotOptimize(end);
        ++i;
    }
    state.counters["moves/call"] = double(moves) / double(i);
}

void BM_Evaluate(benchmark::State& state) {
    const auto& all = positions();
    uint32_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(evaluate(*all[i % POSITION_COUNT]));
        ++i;
    }
}

void BM_MustAnswer(benchmark::State& state) {
    const auto& all = positions();
    uint32_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(mustAnswer(*all[i % POSITION_COUNT]));
        ++i;
    }
}

BENCHMARK_TEMPLATE(BM_Generate, generateThreatMoves)->Name("generateThreatMoves");
BENCHMARK_TEMPLATE(BM_Generate, generateQuietMoves)->Name("generateQuietMoves");
BENCHMARK_TEMPLATE(BM_Generate, generateThreatResponses)->Name("generateThreatResponses");
BENCHMARK_TEMPLATE(BM_Generate, generateAllCandidates)->Name("generateAllCandidates");
BENCHMARK(BM_Evaluate)->Name("evaluate");
BENCHMARK(BM_MustAnswer)->Name("mustAnswer");

}  // namespace
