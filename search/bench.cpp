#include "search/bench.h"

#include <cstdio>
#include <memory>
#include <string_view>
#include <vector>

#include "board/bench_pictures.h"
#include "board/position.h"
#include "search/clock.h"
#include "search/driver.h"
#include "search/search_limits.h"
#include "search/threads.h"

namespace {

// Every position is searched to this depth; the node count of a build is
// deterministic because the search is single-threaded and its statistics
// are cleared before every search.
constexpr int32_t BENCH_DEPTH = 16;

}  // namespace

void runBenchmark() {
    clearSearchTables(Threads);
    SearchLimits limits;
    limits.depth = BENCH_DEPTH;
    const std::vector<std::string_view> pictures(benchmarkPictures.begin(), benchmarkPictures.end());
    const int64_t start = nowMs();
    auto reading = std::make_unique<Position>();
    auto searched = std::make_unique<Position>();
    reset(*searched, 5);
    uint64_t nodes = 0;
    const size_t count = pictures.size();
    for (size_t i = 0; i < count; ++i) {
        reset(*reading, 20);
        setupFromPicture(*reading, pictures[i], COLOUR_X);
        copyFrom(*searched, *reading, Threads.threads[0]);
        std::fprintf(stderr, "Position: %zu/%zu\n", i + 1, count);
        std::fflush(stderr);
        limits.startTime = nowMs();
        startThinking(Threads, *searched, limits, nullptr);
        waitForSearchFinished(*Threads.threads[0]);
        nodes += totalNodes(Threads);
    }
    const uint64_t elapsed = uint64_t(nowMs() - start + 1);
    std::fprintf(stderr, "Time (ms) %llu Nodes %llu nps %llu\n", (unsigned long long)elapsed,
                 (unsigned long long)nodes, (unsigned long long)(nodes * 1000 / elapsed));
    std::fflush(stderr);
}
