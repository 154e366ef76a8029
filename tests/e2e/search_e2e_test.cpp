// End-to-end checks of searches through the protocol: replies within the
// time given, stopping, refusal of commands while thinking, several best
// lines, SWAP, and END waiting for the move.
#include <gtest/gtest.h>

#include <chrono>
#include <regex>
#include <string>
#include <vector>

#include "support/engine_process.h"

namespace {

bool isMove(const std::string& line) { return std::regex_match(line, std::regex("[0-9]+,[0-9]+")); }

// Reads lines until a move or SWAP arrives; returns every line read.
std::vector<std::string> readUntilReply(EngineProcess& engine, int timeoutMs) {
    std::vector<std::string> lines;
    while (std::optional<std::string> line = readLine(engine, timeoutMs)) {
        lines.push_back(*line);
        if (isMove(*line) || *line == "SWAP") break;
    }
    return lines;
}

int64_t nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// A quiet middle game on 15 x 15: nothing forcing for either side.
const std::vector<std::string> QUIET_GAME = {"7,7,1", "8,8,2", "6,8,1", "8,6,2", "9,7,1", "5,9,2"};

void sendBoard(EngineProcess& engine, const std::vector<std::string>& stones, const char* command = "BOARD") {
    sendLine(engine, command);
    for (const std::string& s : stones) sendLine(engine, s);
    sendLine(engine, "DONE");
}

TEST(SearchE2E, RepliesWithinTheTurnTime) {
    EngineProcess engine = startEngine();
    sendLine(engine, "INFO TIMEOUT_TURN 500");
    sendLine(engine, "START 15");
    ASSERT_EQ(readLine(engine), "OK");
    const int64_t start = nowMs();
    sendBoard(engine, QUIET_GAME);
    std::vector<std::string> lines = readUntilReply(engine, 5000);
    const int64_t took = nowMs() - start;
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(isMove(lines.back())) << lines.back();
    // Generous: the engine aims at 490 ms; this only catches a search that
    // ignores its clock.
    EXPECT_LT(took, 1500) << "reply took " << took << " ms";
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2].rfind("MESSAGE depth ", 0), 0u) << lines[lines.size() - 2];
    sendLine(engine, "END");
    EXPECT_EQ(waitForExit(engine), 0);
}

TEST(SearchE2E, RefusesCommandsWhileThinkingAndStopsOnYxStop) {
    EngineProcess engine = startEngine();
    sendLine(engine, "INFO TIMEOUT_TURN 60000");
    sendLine(engine, "START 15");
    ASSERT_EQ(readLine(engine), "OK");
    sendBoard(engine, QUIET_GAME);
    sendLine(engine, "ABOUT");
    EXPECT_EQ(readLine(engine), "MESSAGE : BAD COMMAND ABOUT IN SEARCH MODE");
    sendLine(engine, "YXSTOP");
    std::vector<std::string> lines = readUntilReply(engine, 5000);
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(isMove(lines.back()));
    // After the reply every command is accepted again.
    sendLine(engine, "ABOUT");
    std::optional<std::string> about = readLine(engine);
    ASSERT_TRUE(about);
    EXPECT_EQ(about->rfind("name=\"Pebblon\"", 0), 0u);
    sendLine(engine, "END");
    EXPECT_EQ(waitForExit(engine), 0);
}

TEST(SearchE2E, EndWaitsForTheMove) {
    EngineProcess engine = startEngine();
    sendLine(engine, "INFO TIMEOUT_TURN 700");
    sendLine(engine, "START 15");
    ASSERT_EQ(readLine(engine), "OK");
    sendBoard(engine, QUIET_GAME);
    sendLine(engine, "END");
    std::vector<std::string> lines = readUntilReply(engine, 5000);
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(isMove(lines.back()));
    EXPECT_EQ(waitForExit(engine), 0);
}

TEST(SearchE2E, NBestReportsSeveralLines) {
    EngineProcess engine = startEngine();
    sendLine(engine, "INFO TIMEOUT_TURN 300");
    sendLine(engine, "START 15");
    ASSERT_EQ(readLine(engine), "OK");
    sendBoard(engine, QUIET_GAME, "YXBOARD");
    sendLine(engine, "YXNBEST 3");
    std::vector<std::string> lines = readUntilReply(engine, 5000);
    ASSERT_GE(lines.size(), 4u);
    EXPECT_TRUE(isMove(lines.back()));
    for (int i = 1; i <= 3; ++i) {
        const std::string& line = lines[lines.size() - 5 + i];
        EXPECT_NE(line.find(" multipv " + std::to_string(i) + " "), std::string::npos) << line;
    }
    // The moves of the lines are written in the extension style (letter of y, then 15 - x).
    EXPECT_TRUE(std::regex_search(lines[lines.size() - 4], std::regex(" pv [a-o][0-9]+"))) << lines[lines.size() - 4];
    sendLine(engine, "TAKEBACK " + lines.back());
    EXPECT_EQ(readLine(engine), "OK");
    sendLine(engine, "YXNBEST 0");
    EXPECT_EQ(readLine(engine), "ERROR bad coordinates");
    lines = readUntilReply(engine, 5000);
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(isMove(lines.back()));
    sendLine(engine, "END");
    EXPECT_EQ(waitForExit(engine), 0);
}

TEST(SearchE2E, SwapOnlyWhenLosing) {
    EngineProcess engine = startEngine();
    sendLine(engine, "INFO TIMEOUT_TURN 300");
    sendLine(engine, "START 15");
    ASSERT_EQ(readLine(engine), "OK");
    // The opponent (black) has an open four: the engine is lost and swaps.
    sendBoard(engine, {"3,7,2", "0,0,1", "4,7,2", "0,2,1", "5,7,2", "0,4,1", "6,7,2", "0,6,1"}, "BOARD_SWAP");
    std::vector<std::string> lines = readUntilReply(engine, 5000);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "SWAP");
    // A quiet position with the engine better is not swapped.
    sendLine(engine, "START 15");
    ASSERT_EQ(readLine(engine), "OK");
    sendBoard(engine, {"7,7,1", "0,0,2", "8,8,1", "0,14,2"}, "BOARD_SWAP");
    lines = readUntilReply(engine, 5000);
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(isMove(lines.back())) << lines.back();
    sendLine(engine, "END");
    EXPECT_EQ(waitForExit(engine), 0);
}

}  // namespace
