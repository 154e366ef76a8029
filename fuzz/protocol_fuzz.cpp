// Fuzz target for the protocol layer: the input is a byte stream fed to the
// reader and dispatcher in-process, exactly as if it came on standard input
// (blocks after BOARD, YXBOARD and YXBLOCK included). Every run starts from a
// fresh game. Searches the input starts run on a tiny budget the harness
// forces before each line, and the harness waits for each one before the
// next line, so the search paths run too. End of input or END ends the run,
// not the fuzzer.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "board/startup_tables.h"
#include "front/commands.h"
#include "front/game_context.h"
#include "front/line_reader.h"
#include "front/protocol.h"
#include "front/settings.h"
#include "search/threads.h"
#include "search/tt.h"

namespace {

// The reduction tables' caution level when the engine starts.
constexpr uint32_t CAUTION_AT_START = 2;

// A search stops at its first node check past this budget (the check comes
// every few thousand nodes), or after this many plies when no clock is given.
constexpr uint32_t NODE_BUDGET = 2000;
constexpr uint32_t DEPTH_CAP = 4;
// Clocks of at most a few milliseconds once the reply margin is taken off.
constexpr uint32_t CLOCK_CAP_MS = 15;
// Larger tables are only mapped by INFO (cheap); the harness shrinks them
// again before anything zeroes or fills them.
constexpr uint64_t TABLE_CAP_BYTES = 16u << 20;
// Helper threads: enough to run the parallel paths, few enough that the
// sanitizers' cost per thread (tens of MB each) stays far below the RSS
// limit when an input asks for the most threads there may be.
constexpr size_t THREAD_CAP = 3;

struct InputEnded {};
void throwInputEnded() { throw InputEnded{}; }

GameContext* context = nullptr;

// Whatever the input's INFO lines asked for, the next search gets a node
// budget, a few plies and at most a few milliseconds.
void forceTinyLimits(EngineSettings& s) {
    if (s.maxNode == 0 || s.maxNode > NODE_BUDGET) s.maxNode = NODE_BUDGET;
    if (s.maxDepth == 0 || s.maxDepth > DEPTH_CAP) s.maxDepth = DEPTH_CAP;
    s.timeoutTurn = std::min(s.timeoutTurn, CLOCK_CAP_MS);
    s.timeoutMatch = std::min(s.timeoutMatch, CLOCK_CAP_MS);
    s.timeLeft = std::min<int64_t>(s.timeLeft, CLOCK_CAP_MS);
    s.timeInc = std::min(s.timeInc, CLOCK_CAP_MS);
}

void capTable() {
    if (uint64_t(TT.clusterCount) * sizeof(TTCluster) > TABLE_CAP_BYTES) resize(TT, DEFAULT_HASH_BYTES);
}

void waitForSearch() { waitForSearchFinished(*Threads.threads[0]); }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The replies are not checked here; only crashes, hangs and sanitizer
    // reports count, and libFuzzer reports on standard error.
    if (!std::freopen("/dev/null", "w", stdout)) return 1;
    initReductions(CAUTION_AT_START);
    buildClassTable();
    Threads.threadCap = THREAD_CAP;
    initPool(1, 1);
    resize(TT, DEFAULT_HASH_BYTES);
    context = new GameContext;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    initGameContext(*context, START_BOARD_SIZE);
    Threads.multiPV = 1;
    initReductions(CAUTION_AT_START);
    resetPreviousScores();
    setThreadCount(Threads, 1);
    capTable();
    clear(TT);

    // fmemopen refuses an empty buffer on some C libraries; an empty input
    // is end of input at once, so the run has nothing to do.
    if (size == 0) return 0;
    std::string bytes(reinterpret_cast<const char*>(data), size);
    std::FILE* input = fmemopen(bytes.data(), bytes.size(), "r");
    if (!input) return 0;
    context->input = input;
    context->atEndOfInput = throwInputEnded;

    try {
        bool goOn = true;
        while (goOn) {
            forceTinyLimits(context->settings);
            goOn = dispatchCommand(*context, readProtocolLine(*context));
            waitForSearch();
            capTable();
        }
    } catch (const InputEnded&) {
    }
    waitForSearch();
    std::fclose(input);
    context->input = stdin;
    return 0;
}
