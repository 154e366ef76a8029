// End-to-end checks of searches on several threads: the thread count from
// the command line and from INFO THREAD_NUM (any value, the engine keeps
// playing), YXSHOWINFO's most threads, YXSTOP (the move at once) and END
// (the move, then the end) in the middle of a search on four threads, several best lines on several threads, forced
// wins and blocks found whatever the thread count, and BENCH on two threads.
// Built with ThreadSanitizer (make tsan), a data race ends the engine, which
// fails these tests.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "platform/large_block.h"
#include "search/bench.h"
#include "search/threads.h"
#include "support/engine_process.h"
#include "support/protocol_script.h"

namespace {

// One stone in the middle of 15 x 15: far from any proven result.
const std::vector<std::string> OPENING = {"7,7,2"};

// Creating many threads takes long under ThreadSanitizer (each clears its
// statistics through the sanitizer's shadow memory): the waits are generous.
constexpr int SLOW_WAIT_MS = 60000;

EngineProcess startedEngine(const std::vector<std::string>& words, const std::vector<std::string>& infos) {
    EngineProcess engine = startEngine(words);
    for (const std::string& line : infos) sendLine(engine, line);
    sendLine(engine, "START 15");
    EXPECT_EQ(readLine(engine, SLOW_WAIT_MS), "OK");
    return engine;
}

TEST(ThreadsE2E, AnyThreadCountKeepsTheEnginePlaying) {
    struct Case {
        std::vector<std::string> words;  // the command line
        std::vector<std::string> infos;
    };
    const Case cases[] = {
        {{"THREADS", "3"}, {}},
        {{}, {"INFO THREAD_NUM 4"}},
        {{}, {"INFO THREAD_NUM 0"}},
        {{}, {"INFO THREAD_NUM -3"}},
        {{}, {"INFO THREAD_NUM 100000"}},
        {{"THREADS", "2"}, {"INFO THREAD_NUM 3", "INFO THREAD_NUM 1", "INFO THREAD_NUM 2"}},
    };
    for (const Case& c : cases) {
        std::string trace;
        for (const std::string& w : c.words) trace += w + " ";
        for (const std::string& line : c.infos) trace += "/ " + line + " ";
        SCOPED_TRACE(trace);
        EngineProcess engine = startedEngine(c.words, c.infos);
        sendLine(engine, "INFO TIMEOUT_TURN 200");
        for (int move = 0; move < 2; ++move) {
            sendBlock(engine, move == 0 ? "BOARD" : "YXBOARD", OPENING);
            if (move == 1) sendBlock(engine, "BOARD", {});
            const std::vector<std::string> lines = readUntilReply(engine, SLOW_WAIT_MS);
            ASSERT_FALSE(lines.empty());
            EXPECT_TRUE(isMoveReply(lines.back())) << lines.back();
            sendLine(engine, "START 15");
            ASSERT_EQ(readLine(engine), "OK");
        }
        sendLine(engine, "YXSHOWINFO");
        EXPECT_EQ(readLine(engine), "MESSAGE INFO MAX_THREAD_NUM " + std::to_string(maxThreadCount()));
        EXPECT_EQ(readLine(engine), "MESSAGE INFO MAX_HASH_SIZE 26");
        sendLine(engine, "END");
        EXPECT_EQ(waitForExit(engine), 0);
    }
}

TEST(ThreadsE2E, YxStopStopsEveryThreadAndEndWaitsForTheMove) {
    {
        SCOPED_TRACE("YXSTOP in a search of a minute");
        EngineProcess engine = startedEngine({"THREADS", "4"}, {"INFO TIMEOUT_TURN 60000"});
        const int64_t start = monotonicMs();
        sendBlock(engine, "BOARD", OPENING);
        sendLine(engine, "ABOUT");
        EXPECT_EQ(readLine(engine), "MESSAGE : BAD COMMAND ABOUT IN SEARCH MODE");
        sendLine(engine, "YXSTOP");
        const std::vector<std::string> lines = readUntilReply(engine, 5000);
        ASSERT_FALSE(lines.empty());
        EXPECT_TRUE(isMoveReply(lines.back())) << lines.back();
        EXPECT_LT(monotonicMs() - start, 5000) << "the threads did not stop";
        // The next search runs on all threads again.
        sendLine(engine, "INFO TIMEOUT_TURN 200");
        sendLine(engine, "TURN 9,9");
        const std::vector<std::string> next = readUntilReply(engine, 5000);
        ASSERT_FALSE(next.empty());
        EXPECT_TRUE(isMoveReply(next.back())) << next.back();
        sendLine(engine, "END");
        EXPECT_EQ(waitForExit(engine), 0);
    }
    {
        SCOPED_TRACE("END in a search");
        EngineProcess engine = startedEngine({"THREADS", "4"}, {"INFO TIMEOUT_TURN 700"});
        sendBlock(engine, "BOARD", OPENING);
        sendLine(engine, "END");
        const std::vector<std::string> lines = readUntilReply(engine, 5000);
        ASSERT_FALSE(lines.empty());
        EXPECT_TRUE(isMoveReply(lines.back())) << lines.back();
        EXPECT_EQ(waitForExit(engine), 0);
    }
}

TEST(ThreadsE2E, SeveralBestLinesOnSeveralThreads) {
    EngineProcess engine = startedEngine({"THREADS", "3"}, {"INFO TIMEOUT_TURN 400"});
    sendBlock(engine, "YXBOARD", {"7,7,1", "8,8,2", "6,8,1", "8,6,2"});
    sendLine(engine, "YXNBEST 3");
    const std::vector<std::string> lines = readUntilReply(engine, 5000);
    ASSERT_GE(lines.size(), 4u);
    EXPECT_TRUE(isMoveReply(lines.back())) << lines.back();
    for (int k = 1; k <= 3; ++k) {
        const std::string& line = lines[lines.size() - 5 + k];
        EXPECT_TRUE(std::regex_search(line, std::regex(" multipv " + std::to_string(k) + " "))) << line;
    }
    sendLine(engine, "END");
    EXPECT_EQ(waitForExit(engine), 0);
}

TEST(ThreadsE2E, ForcedMovesAreFoundOnAnyThreadCount) {
    for (const char* threads : {"1", "2", "4"}) {
        SCOPED_TRACE(std::string("THREADS ") + threads);
        EngineProcess engine = startedEngine({"THREADS", threads}, {"INFO TIMEOUT_TURN 300"});
        // The engine's four on row 7 (blocked at 2,7) completes at 7,7.
        sendBlock(engine, "BOARD",
                  {"3,7,1", "3,10,2", "4,7,1", "4,10,2", "5,7,1", "5,10,2", "6,7,1", "6,10,2", "2,7,2", "12,12,1"});
        std::vector<std::string> lines = readUntilReply(engine, 5000);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back(), "7,7");
        // The opponent's four on column 5 (blocked at 5,3) must be stopped at 5,8.
        sendLine(engine, "START 15");
        ASSERT_EQ(readLine(engine), "OK");
        sendBlock(engine, "BOARD", {"7,7,1", "5,4,2", "9,9,1", "5,5,2", "11,3,1", "5,6,2", "5,3,1", "5,7,2"});
        lines = readUntilReply(engine, 5000);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back(), "5,8");
        sendLine(engine, "END");
        EXPECT_EQ(waitForExit(engine), 0);
    }
}

TEST(ThreadsE2E, BenchmarkOnTwoThreadsCountsEveryThreadsNodes) {
    int exitCode = -1;
    const std::string err = runForStandardError({"BENCH", "THREADS", "2"}, exitCode);
    EXPECT_EQ(exitCode, 0);
    std::smatch nodes;
    ASSERT_TRUE(std::regex_search(err, nodes, std::regex("Time \\(ms\\) [0-9]+ Nodes ([0-9]+) nps [0-9]+\n$")))
        << err.substr(err.size() > 200 ? err.size() - 200 : 0);
    EXPECT_NE(err.find("Position: 41/41\n"), std::string::npos);
    // The helper searched and its nodes count: one thread alone gives
    // exactly the benchmark's signature, two threads never do.
    EXPECT_GT(std::stoull(nodes[1]), BENCH_NODES / 2);
    EXPECT_NE(std::stoull(nodes[1]), BENCH_NODES);
}

// Sanitizers multiply the engine's memory and slow the making of threads:
// neither the limit nor the time of a turn that makes many threads can
// hold there.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool MEMORY_IS_MEASURABLE = false;
constexpr bool THREADS_ARE_QUICK_TO_MAKE = false;
#else
constexpr bool MEMORY_IS_MEASURABLE = true;
constexpr bool THREADS_ARE_QUICK_TO_MAKE = true;
#endif

// Threads asked for right before a move request are made when its search
// starts, on its clock: the reply still comes within the turn (the match
// runner's tolerance is 50 ms).
TEST(ThreadsE2E, ThreadsAskedForRightBeforeATurnKeepItsTime) {
    if (!THREADS_ARE_QUICK_TO_MAKE) GTEST_SKIP() << "a sanitizer build";
    struct Case {
        const char* threads;
        int turnMs;
    };
    for (const Case& c : {Case{"16", 500}, Case{"64", 1000}}) {
        SCOPED_TRACE(std::string(c.threads) + " threads");
        EngineProcess engine = startedEngine({}, {"INFO TIMEOUT_TURN " + std::to_string(c.turnMs)});
        sendLine(engine, std::string("INFO THREAD_NUM ") + c.threads);
        const int64_t start = monotonicMs();
        sendBlock(engine, "BOARD", OPENING);
        const std::vector<std::string> lines = readUntilReply(engine, SLOW_WAIT_MS);
        const int64_t took = monotonicMs() - start;
        ASSERT_FALSE(lines.empty());
        EXPECT_TRUE(isMoveReply(lines.back())) << lines.back();
        EXPECT_LE(took, c.turnMs + 50) << "the reply took " << took << " ms";
        sendLine(engine, "END");
        EXPECT_EQ(waitForExit(engine), 0);
    }
}

// Peak resident memory of a running process, from /proc (kB).
uint64_t peakResidentKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::stoull(line.substr(6));
    return 0;
}

// Address space of a running process, from /proc (kB).
uint64_t addressSpaceKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmSize:", 0) == 0) return std::stoull(line.substr(7));
    return 0;
}

TEST(MemoryE2E, ThePeakStaysWithinTheLimitWhateverTheThreads) {
    if (!MEMORY_IS_MEASURABLE) GTEST_SKIP() << "a sanitizer build";
    struct Case {
        const char* threads;
        std::string limitLine;
        uint64_t limitBytes;
        std::string before;  // a line sent before the limit
    };
    const Case cases[] = {
        {"1", "INFO MAX_MEMORY 52428800", 52428800, ""},
        {"2", "INFO MAX_MEMORY 83886080", 83886080, ""},
        {"3", "INFO HASH_SIZE 102400", 102400ull * 1024, ""},
        // More threads than the limit holds: as many as fit.
        {"4", "INFO MAX_MEMORY 52428800", 52428800, ""},
        // Many threads asked for before the limit, on the command line or
        // by INFO: none of those the limit cuts is ever made.
        {"64", "INFO MAX_MEMORY 350000000", 350000000, ""},
        {"1", "INFO MAX_MEMORY 350000000", 350000000, "INFO THREAD_NUM 64"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("THREADS ") + c.threads + ", " + c.before + ", " + c.limitLine);
        EngineProcess engine = startEngine({"THREADS", c.threads});
        if (!c.before.empty()) sendLine(engine, c.before);
        sendLine(engine, c.limitLine);
        sendLine(engine, "INFO TIMEOUT_TURN 1500");
        // An opening on 20 x 20 that keeps every thread busy for the turn.
        sendLine(engine, "START 20");
        const std::vector<std::string> started = readLinesThrough(engine, [](const std::string& l) { return l == "OK"; });
        ASSERT_FALSE(started.empty());
        ASSERT_EQ(started.back(), "OK");
        sendBlock(engine, "BOARD", {"10,10,2", "11,11,1", "9,11,2"});
        const std::vector<std::string> lines = readUntilReply(engine, 10000);
        ASSERT_FALSE(lines.empty());
        EXPECT_TRUE(isMoveReply(lines.back())) << lines.back();
        const uint64_t peakKb = peakResidentKb(engine.pid);
        EXPECT_GT(peakKb, 0u);
        EXPECT_LE(peakKb * 1024, c.limitBytes) << "peak " << peakKb << " kB";
        sendLine(engine, "END");
        EXPECT_EQ(waitForExit(engine), 0);
    }
}

// Memory the system cannot give (an address space capped a little above
// what an idle engine takes, as ulimit -v does): the engine takes a smaller
// table or fewer threads, says so in a MESSAGE line, plays every move asked
// for and ends with status 0 at END.
TEST(MemoryE2E, WhatTheSystemCannotGiveIsDoneWithoutAndSaidSo) {
    if (!MEMORY_IS_MEASURABLE) GTEST_SKIP() << "a sanitizer build";
    uint64_t idleBytes = 0;
    {
        EngineProcess engine = startEngine();
        sendLine(engine, "START 15");
        ASSERT_EQ(readLine(engine), "OK");
        idleBytes = addressSpaceKb(engine.pid) * 1024;
        sendLine(engine, "END");
        EXPECT_EQ(waitForExit(engine), 0);
    }
    ASSERT_GT(idleBytes, 0u);
    struct Case {
        const char* name;
        uint64_t roomBytes;  // the cap, beyond the idle engine's address space
        std::vector<std::string> lines;
        std::string said;  // a regular expression
    };
    const Case cases[] = {
        {"a table of 256 MiB in 48 MiB", 48ull << 20, {"INFO MAX_MEMORY 350000000"},
         "MESSAGE not enough memory for a table of 262144 KiB: the table has [0-9]+ KiB"},
        // Each helper takes about 130 MiB of address space (its record and
        // its stack), though far less memory.
        {"three threads in 200 MiB", 200ull << 20, {"INFO THREAD_NUM 3"},
         "MESSAGE not enough memory for 3 search threads: searching on [12]"},
        {"eight threads and a table of 128 MiB in 400 MiB", 400ull << 20,
         {"INFO THREAD_NUM 8", "INFO HASH_SIZE 131072"}, "MESSAGE not enough memory for 8 search threads: searching on [1-7]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EngineProcess engine = startEngine({}, "", idleBytes + c.roomBytes);
        for (const std::string& line : c.lines) sendLine(engine, line);
        sendLine(engine, "INFO TIMEOUT_TURN 300");
        sendLine(engine, "START 15");
        std::vector<std::string> said = readLinesThrough(engine, [](const std::string& l) { return l == "OK"; });
        ASSERT_FALSE(said.empty());
        ASSERT_EQ(said.back(), "OK");
        // The table never takes the last of it: the rest of the engine
        // keeps room for what it allocates during the game.
        const uint64_t cap = idleBytes + c.roomBytes, used = addressSpaceKb(engine.pid) * 1024;
        EXPECT_GE(cap - std::min(cap, used), ROOM_FOR_THE_REST_BYTES) << used << " bytes used of " << cap;
        for (const char* move : {"TURN 7,7", "TURN 9,9", "TURN 5,5"}) {
            sendLine(engine, move);
            const std::vector<std::string> lines = readUntilReply(engine, 5000);
            ASSERT_FALSE(lines.empty()) << move;
            ASSERT_TRUE(isMoveReply(lines.back())) << move << ": " << lines.back();
            said.insert(said.end(), lines.begin(), lines.end());
        }
        int times = 0;
        for (const std::string& line : said) times += std::regex_match(line, std::regex(c.said));
        EXPECT_EQ(times, 1) << "said: " << ::testing::PrintToString(said);
        for (const std::string& line : said) EXPECT_NE(line.rfind("ERROR", 0), 0u) << line;
        sendLine(engine, "END");
        EXPECT_EQ(waitForExit(engine), 0);
    }
}

}  // namespace
