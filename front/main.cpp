// Process entry: reads the start-up words, brings up the process-wide
// services in a fixed order, then either runs the benchmark or plays the
// protocol until END.
#include <cstdlib>
#include <memory>
#include <new>

#include "board/startup_tables.h"
#include "front/command_line.h"
#include "front/game_context.h"
#include "front/log.h"
#include "front/protocol.h"
#include "platform/platform.h"
#include "search/bench.h"
#include "search/threads.h"
#include "search/tt.h"

namespace {

// Out of memory anywhere ends the process quietly with status 0.
void exitOnAllocationFailure() { std::exit(0); }

// The caution level of the reduction tables until INFO CAUTION_FACTOR says otherwise.
constexpr uint32_t CAUTION_AT_START = 2;

}  // namespace

int main(int argc, char** argv) {
    prepareStandardStreams();
    std::set_new_handler(exitOnAllocationFailure);
    StartupOptions options = parseCommandLine(argc, argv);
    initLogging(options.logLevel, nullptr);
    initReductions(CAUTION_AT_START);
    buildClassTable();
    initPool(options.threadCount, options.multiPv);
    resize(TT, DEFAULT_HASH_BYTES);
    LOG_INFO_RECORD("started: log level %u, threads %lld, multipv %lld, bench %d", options.logLevel,
                    static_cast<long long>(options.threadCount), static_cast<long long>(options.multiPv),
                    options.benchmark ? 1 : 0);

    if (options.benchmark) {
        runBenchmark();
        return 0;
    }

    // The context holds the game position (several MiB), so it lives on the
    // heap rather than in this frame; it is 64-byte aligned either way. It is
    // default-initialised: initGameContext sets up the position, and zeroing
    // it first would only make start-up touch every page.
    std::unique_ptr<GameContext> context(new GameContext);
    initGameContext(*context, START_BOARD_SIZE);
    context->settings.threadsAsked = options.threadCount;
    runProtocolLoop(*context);
    return 0;
}
