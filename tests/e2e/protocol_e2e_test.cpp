// End-to-end protocol checks against the real engine over pipes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "support/engine_process.h"

namespace {

const char* const EXPECTED_ABOUT =
    "name=\"Pebblon\", version=\"0.6.4.2600\", build=\"Tamble\", variant=\"Renju\", "
    "author=\"Quillfen\", country=\"CZ\"";

TEST(ProtocolE2E, AboutGivesExactlyTheIdentificationLine) {
    EngineProcess engine = startEngine();
    sendLine(engine, "ABOUT");
    EXPECT_EQ(readLine(engine), EXPECTED_ABOUT);
    EXPECT_TRUE(readLinesUntilQuiet(engine).empty());
    sendLine(engine, "END");
    EXPECT_EQ(waitForExit(engine), 0);
}

TEST(ProtocolE2E, UnknownLinesAreEchoedUpperCased) {
    struct Case {
        std::string sent;
        std::string expected;
    };
    const Case cases[] = {
        {"hello world", "UNKNOWN HELLO WORLD"},
        {"", "UNKNOWN "},
        {"TURN\t7,7", "UNKNOWN TURN\t7,7"},
        {" END", "UNKNOWN  END"},
        {"ABOUTX", "UNKNOWN ABOUTX"},
        // Ctrl-Z, which ends a Windows program's input in text mode, is a byte like another.
        {"\x1a" "ABOUT", "UNKNOWN \x1a" "ABOUT"},
    };
    EngineProcess engine = startEngine();
    for (const Case& c : cases) {
        sendLine(engine, c.sent);
        EXPECT_EQ(readLine(engine), c.expected) << "sent \"" << c.sent << "\"";
    }
    sendLine(engine, "END");
    EXPECT_EQ(waitForExit(engine), 0);
}

TEST(ProtocolE2E, CarriageReturnsAreDroppedAndLowerCaseAccepted) {
    EngineProcess engine = startEngine();
    sendRaw(engine, "about\r\n");
    EXPECT_EQ(readLine(engine), EXPECTED_ABOUT);
    sendRaw(engine, "AB\rOUT\r\n");
    EXPECT_EQ(readLine(engine), EXPECTED_ABOUT);
    sendRaw(engine, "e\rnd\r\n");
    EXPECT_EQ(waitForExit(engine), 0);
    EXPECT_EQ(readRemainingOutput(engine), "");
}

// What a manager reads byte for byte: every line, of every kind the engine
// writes (the identification, OK, ERROR, UNKNOWN, the board dump, search
// reports, a move), ends with the system's line end and with nothing else:
// no CR of its own before it, no doubled CR, no bare line feed inside a line.
TEST(ProtocolE2E, EveryLineEndsWithTheSystemsLineEnd) {
    EngineProcess engine = startEngine();
    for (const char* line : {"ABOUT", "START 15", "INFO RULE 9", "hello", "PLAY 7,7", "PLAY 7,7",
                             "INFO TIMEOUT_TURN 200", "TURN 8,8", "END"})
        sendRaw(engine, std::string(line) + "\r\n");  // as a Windows manager sends them
    const std::string out = readRemainingOutput(engine);
    EXPECT_EQ(waitForExit(engine), 0);
    const std::string end = engineLineEnd();
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t at; (at = out.find(end, start)) != std::string::npos; start = at + end.size())
        lines.push_back(out.substr(start, at - start));
    EXPECT_EQ(start, out.size()) << "output after the last line end: " << out.substr(start);
    for (const std::string& line : lines) EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << line;
    // ABOUT, OK, the refused rule, the unknown line, the stone refused with
    // its 20-line dump and the error, at least one report and the move.
    ASSERT_GE(lines.size(), 27u) << out;
    EXPECT_EQ(lines[0], EXPECTED_ABOUT);
    EXPECT_EQ(lines[1], "OK");
    EXPECT_EQ(lines[2], "ERROR unsupported rule 9");
    EXPECT_EQ(lines[3], "UNKNOWN HELLO");
    EXPECT_EQ(lines[5].rfind("DEBUG Board CmdPut ERR, hash ", 0), 0u) << lines[5];
    EXPECT_EQ(lines[23].rfind("DEBUG Row 14 ", 0), 0u) << lines[23];
    EXPECT_EQ(lines[24], "ERROR my move [7,7]");
    EXPECT_EQ(lines[25].rfind("MESSAGE depth ", 0), 0u) << lines[25];
    EXPECT_TRUE(std::regex_match(lines.back(), std::regex("[0-9]+,[0-9]+"))) << lines.back();
}

TEST(ProtocolE2E, ParamsIsSilent) {
    EngineProcess engine = startEngine();
    sendLine(engine, "PARAMS 1 2 3");
    sendLine(engine, "PARAMS");
    sendLine(engine, "ABOUT");
    EXPECT_EQ(readLine(engine), EXPECTED_ABOUT);  // nothing came before it
    sendLine(engine, "END");
    EXPECT_EQ(waitForExit(engine), 0);
}

TEST(ProtocolE2E, EndOfInputEndsTheProcessQuietly) {
    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        {"nothing sent", ""},
        {"in the middle of a line", "ABO"},
        {"after a whole line", "PARAMS\n"},
    };
    for (const Case& c : cases) {
        EngineProcess engine = startEngine();
        sendRaw(engine, c.bytes);
        closeInput(engine);
        EXPECT_EQ(waitForExit(engine), 0) << c.name;
        EXPECT_EQ(readRemainingOutput(engine), "") << c.name;
    }
}

TEST(ProtocolE2E, StartUpWordsDoNotDisturbTheProtocol) {
    EngineProcess engine = startEngine({"threads", "4", "multipv", "3", "WARN", "nonsense", "THREADS"});
    sendLine(engine, "ABOUT");
    EXPECT_EQ(readLine(engine), EXPECTED_ABOUT);
    sendLine(engine, "END");
    EXPECT_EQ(waitForExit(engine), 0);
}

TEST(ProtocolE2E, StartUpCreatesTheLogFolderAndTodaysFile) {
    const TemporaryFolder temporary;
    const std::string& folder = temporary.path;
    EngineProcess engine = startEngine({"TRACE"}, folder);
    sendLine(engine, "ABOUT");
    EXPECT_EQ(readLine(engine), EXPECTED_ABOUT);
    sendLine(engine, "END");
    EXPECT_EQ(waitForExit(engine), 0);
    struct stat info;
    ASSERT_EQ(stat((folder + "/log").c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    // One file named by the local date, whose records carry that date.
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder + "/log"))
        names.push_back(entry.path().filename().string());
    ASSERT_EQ(names.size(), 1u);
    std::smatch date;
    ASSERT_TRUE(std::regex_match(names[0], date, std::regex("([0-9]{4}-[0-9]{2}-[0-9]{2})\\.txt"))) << names[0];
    std::ifstream file(folder + "/log/" + names[0]);
    std::string first;
    ASSERT_TRUE(std::getline(file, first));
    EXPECT_TRUE(std::regex_match(first, std::regex(date[1].str() + "T[0-9]{2}:[0-9]{2}:[0-9]{2}\\.[0-9]{3} \\[INFO  \\]: .*started.*")))
        << first;
}

}  // namespace
