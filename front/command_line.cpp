#include "front/command_line.h"

#include <strings.h>

#include <cctype>
#include <climits>
#include <cstdlib>

namespace {

// Decimal conversion as atoi does it (leading white space, a sign, digits up
// to the first non-digit, no digits gives 0), but saturating instead of
// overflowing; 0 becomes 1 because a count of nothing makes no sense.
int64_t countValue(const char* word) {
    long long value = std::strtoll(word, nullptr, 10);
    return value == 0 ? 1 : static_cast<int64_t>(value);
}

bool is(const char* word, const char* keyword) { return strcasecmp(word, keyword) == 0; }

}  // namespace

StartupOptions parseCommandLine(int argc, const char* const* argv) {
    StartupOptions options;
    static const char* const LEVEL_WORDS[] = {"TRACE", "DEBUG", "INFO", "WARN", "ERROR"};
    for (int i = 1; i < argc; ++i) {
        const char* word = argv[i];
        bool matched = false;
        for (uint32_t level = 0; level < 5 && !matched; ++level) {
            if (is(word, LEVEL_WORDS[level])) {
                options.logLevel = level;
                matched = true;
            }
        }
        if (matched) continue;
        if (is(word, "BENCH")) {
            options.benchmark = true;
        } else if (is(word, "SHAPES")) {
            if (i + 1 < argc) options.shapeFile = argv[++i];
        } else if (is(word, "THREADS") || is(word, "MULTIPV")) {
            // The value word is consumed only when there is one; as the last
            // word the keyword is ignored.
            if (i + 1 >= argc) continue;
            int64_t value = countValue(argv[++i]);
            if (is(word, "THREADS")) options.threadCount = value;
            else options.multiPv = value;
        }
    }
    return options;
}
