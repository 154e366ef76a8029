#include "front/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

StartupOptions parse(std::vector<std::string> words) {
    std::vector<const char*> argv{"pbrain-pebblon"};
    for (const std::string& word : words) argv.push_back(word.c_str());
    return parseCommandLine(static_cast<int>(argv.size()), argv.data());
}

struct CommandLineCase {
    std::vector<std::string> words;
    uint32_t level;
    bool benchmark;
    int64_t threads;
    int64_t multiPv;
};

TEST(CommandLine, WordsGiveTheirSettings) {
    const CommandLineCase cases[] = {
        {{}, 0, false, 1, 1},
        {{"threads", "4", "multipv", "3"}, 0, false, 4, 3},
        {{"THREADS", "0"}, 0, false, 1, 1},
        {{"THREADS", "abc"}, 0, false, 1, 1},
        {{"MULTIPV", "0"}, 0, false, 1, 1},
        {{"THREADS"}, 0, false, 1, 1},
        {{"DEBUG", "WARN"}, 3, false, 1, 1},
        {{"error"}, 4, false, 1, 1},
        {{"Info", "tRaCe"}, 0, false, 1, 1},
        {{"BENCH", "THREADS", "2"}, 0, true, 2, 1},
        // The value word is consumed even when it is itself a keyword.
        {{"THREADS", "MULTIPV", "4"}, 0, false, 1, 1},
        {{"THREADS", "WARN"}, 0, false, 1, 1},
        // atoi-style conversion: white space and sign, stop at a non-digit.
        {{"THREADS", "  12abc", "MULTIPV", "-2"}, 0, false, 12, -2},
        {{"FATAL", "COMMON", "whatever"}, 0, false, 1, 1},
    };
    for (const CommandLineCase& c : cases) {
        std::string shown;
        for (const std::string& w : c.words) shown += w + " ";
        StartupOptions options = parse(c.words);
        EXPECT_EQ(options.logLevel, c.level) << shown;
        EXPECT_EQ(options.benchmark, c.benchmark) << shown;
        EXPECT_EQ(options.threadCount, c.threads) << shown;
        EXPECT_EQ(options.multiPv, c.multiPv) << shown;
    }
}

}  // namespace
