// The start-up words a manager may put on the command line: a log level,
// benchmark mode, a thread count and a MultiPV count, and the engine's own
// SHAPES file (cell-shape values to play with instead of the built-in ones,
// for experiments; the file's name is kept as written). Unknown words are
// ignored silently, so an engine started with arguments it does not know
// still talks the protocol.
#pragma once

#include <cstdint>

struct StartupOptions {
    uint32_t logLevel = 0;
    bool benchmark = false;
    int64_t threadCount = 1;
    int64_t multiPv = 1;
    const char* shapeFile = nullptr;  // SHAPES file, or none
};

// argv[0] is the program name and is skipped.
StartupOptions parseCommandLine(int argc, const char* const* argv);
