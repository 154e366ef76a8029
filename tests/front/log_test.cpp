#include "front/log.h"

#include <gtest/gtest.h>

#include <ctime>
#include <fstream>
#include <sstream>
#include <string>

#include "support/engine_process.h"

namespace {

std::string todaysFile(const std::string& folder) {
    time_t now = time(nullptr);
    tm local;
    localtime_r(&now, &local);
    char date[16];
    strftime(date, sizeof date, "%Y-%m-%d", &local);
    return folder + date + ".txt";
}

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(LogText, KeepsFileNameFunctionNameAndMessage) {
    char buffer[1024];
    formatLogText(buffer, sizeof buffer, "/some/where/front/protocol.cpp", 42,
                  "void handleTurn(GameContext&)", "move %d,%d", 7, 8);
    EXPECT_STREQ(buffer, "protocol.cpp:42, void handleTurn(): move 7,8");
    formatLogText(buffer, sizeof buffer, "main.cpp", 1, "main", "plain");
    EXPECT_STREQ(buffer, "main.cpp:1, main(): plain");
}

TEST(LogText, CutsTheMessageToTheBuffer) {
    char buffer[1024];
    std::string longMessage(5000, 'm');
    formatLogText(buffer, sizeof buffer, "a.cpp", 1, "f", "%s", longMessage.c_str());
    EXPECT_EQ(std::string(buffer).size(), sizeof buffer - 1);
}

TEST(LogRecords, LevelFilterAndDailyFileFormat) {
    const TemporaryFolder temporary;
    const std::string folder = temporary.path + "/";
    initLogging(LOG_WARN, folder.c_str());
    writeLogRecord(LOG_INFO, "x/y/skipped.cpp", 1, "f", "not written");
    writeLogRecord(LOG_WARN, "x/y/kept.cpp", 7, "g(int)", "value %d", 5);
    writeLogRecord(LOG_ERROR, "kept2.cpp", 8, "h", "second");
    std::string text = readFile(todaysFile(folder));
    EXPECT_EQ(text.find("not written"), std::string::npos);
    // 2026-12-10T03:39:31.123 [WARN  ]: kept.cpp:7, g(): value 5
    std::istringstream lines(text);
    std::string first, second, extra;
    ASSERT_TRUE(std::getline(lines, first));
    ASSERT_TRUE(std::getline(lines, second));
    EXPECT_FALSE(std::getline(lines, extra));
    ASSERT_GE(first.size(), 24u);
    EXPECT_EQ(first[4], '-');
    EXPECT_EQ(first[10], 'T');
    EXPECT_EQ(first[19], '.');
    EXPECT_EQ(first.substr(23), " [WARN  ]: kept.cpp:7, g(): value 5");
    EXPECT_EQ(second.substr(23), " [ERROR ]: kept2.cpp:8, h(): second");
    initLogging(LOG_TRACE, "./log/");
}

}  // namespace
