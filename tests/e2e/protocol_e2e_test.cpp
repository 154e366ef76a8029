// End-to-end protocol checks against the real engine over pipes.
#include <gtest/gtest.h>
#include <sys/stat.h>

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

TEST(ProtocolE2E, StartUpCreatesTheLogFolder) {
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
}

}  // namespace
