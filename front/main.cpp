// Process entry: reads the start-up words, brings up the process-wide
// services in a fixed order, then either runs the benchmark or plays the
// protocol until END.
#include <cstdlib>
#include <memory>
#include <new>
#include <string>

#include "board/startup_tables.h"
#include "front/command_line.h"
#include "front/game_context.h"
#include "front/log.h"
#include "front/output.h"
#include "front/protocol.h"
#include "platform/platform.h"
#include "search/bench.h"
#include "search/shape_values.h"
#include "search/threads.h"
#include "search/tt.h"

namespace {

// The engine's large blocks (the table, the search threads) are asked for
// with a fallback: a smaller table, fewer threads. An ordinary allocation
// that fails after them leaves nothing to fall back on: the manager gets an
// error line and the process ends with a failure status, never one that
// reads as success.
void reportAllocationFailure() {
    sayWithoutGame("ERROR out of memory");
    std::_Exit(1);
}

// The caution level of the reduction tables until INFO CAUTION_FACTOR says otherwise.
constexpr uint32_t CAUTION_AT_START = 2;

}  // namespace

int main(int argc, char** argv) {
    prepareStandardStreams();
    std::set_new_handler(reportAllocationFailure);
    StartupOptions options = parseCommandLine(argc, argv);
    initLogging(options.logLevel, nullptr);
    initReductions(CAUTION_AT_START);
    buildClassTable();
    useBuiltInShapeValues();
    if (options.shapeFile) {
        std::string error;
        if (!loadShapeValues(options.shapeFile, error))
            sayWithoutGame("ERROR shape values not read (the built-in ones stay): %s", error.c_str());
    }
    // Values that are all 0 add nothing: the board need not keep the shapes.
    shapesTracked = someShapeValueSet();
    // Before any game: an engine that cannot search cannot play at all.
    if (!initPool(options.threadCount, options.multiPv)) {
        sayWithoutGame("ERROR not enough memory for the search thread");
        return 1;
    }
    LOG_INFO_RECORD("started: log level %u, threads %lld, multipv %lld, bench %d", options.logLevel,
                    static_cast<long long>(options.threadCount), static_cast<long long>(options.multiPv),
                    options.benchmark ? 1 : 0);

    // The table comes last: it takes what the system still gives.
    const auto resizeFirstTable = [] {
        if (!resize(TT, DEFAULT_HASH_BYTES)) LOG_WARN_RECORD("no memory for the first table: %u KiB", TT.clusterCount / 32);
    };
    if (options.benchmark) {
        resizeFirstTable();
        runBenchmark();
        return 0;
    }

    // The context holds the game position (several MiB), so it lives in a
    // large block rather than in this frame; it is 64-byte aligned either
    // way. initGameContext sets up the position; the rest of it is never
    // touched.
    std::unique_ptr<GameContext> context;
    try {
        context.reset(new GameContext);
    } catch (const std::bad_alloc&) {
        sayWithoutGame("ERROR not enough memory for the game");
        return 1;
    }
    resizeFirstTable();
    initGameContext(*context, START_BOARD_SIZE);
    context->settings.threadsAsked = options.threadCount;
    runProtocolLoop(*context);
    return 0;
}
