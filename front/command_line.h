// The start-up words a manager may put on the command line: a log level,
// benchmark mode, a thread count and a MultiPV count. Unknown words are
// ignored silently, so an engine started with arguments it does not know
// still talks the protocol.
#pragma once

#include <cstdint>

struct StartupOptions {
    uint32_t logLevel = 0;
    bool benchmark = false;
    int64_t threadCount = 1;
    int64_t multiPv = 1;
};

// argv[0] is the program name and is skipped.
StartupOptions parseCommandLine(int argc, const char* const* argv);
