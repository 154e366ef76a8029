#include "front/protocol.h"

#include <gtest/gtest.h>

#include <memory>

#include "front/game_context.h"

namespace {

TEST(LookupCommand, MatchesWordThenEndOrSpace) {
    struct Case {
        std::string line;
        CommandId id;
        std::string argument;
    };
    const Case cases[] = {
        {"TURN 7,7", CMD_TURN, "7,7"},
        {"TURN", CMD_TURN, ""},
        {"TURN_SWAP 7,7", CMD_TURN_SWAP, "7,7"},
        {"TURN\t7,7", CMD_UNKNOWN, ""},
        {" END", CMD_UNKNOWN, ""},
        {"END", CMD_END, ""},
        {"BOARD_SWAP", CMD_BOARD_SWAP, ""},
        {"BOARDX", CMD_UNKNOWN, ""},
        {"YXBLOCKRESET", CMD_YXBLOCKRESET, ""},
        {"YXBLOCKUNDO", CMD_YXBLOCKUNDO, ""},
        {"YXBLOCK", CMD_YXBLOCK, ""},
        {"INFO   TIMEOUT_TURN 5000 \t ", CMD_INFO, "TIMEOUT_TURN 5000"},
        {"START  15", CMD_START, "15"},
        {"", CMD_UNKNOWN, ""},
        {"turn 7,7", CMD_UNKNOWN, ""},  // lookup itself is byte for byte; lines arrive upper-cased
    };
    for (const Case& c : cases) {
        LookedUpCommand found = lookupCommand(c.line);
        EXPECT_EQ(found.id, c.id) << "\"" << c.line << "\"";
        EXPECT_EQ(found.argument, c.argument) << "\"" << c.line << "\"";
    }
}

TEST(LookupCommand, EveryTableWordFindsItsOwnCode) {
    for (const CommandEntry& entry : COMMAND_TABLE) {
        EXPECT_EQ(lookupCommand(entry.word).id, entry.id) << entry.word;
        EXPECT_EQ(lookupCommand(std::string(entry.word) + " 1").id, entry.id) << entry.word;
    }
}

class Dispatch : public ::testing::Test {
protected:
    void SetUp() override {
        context = std::make_unique<GameContext>();
        initGameContext(*context, START_BOARD_SIZE);
    }
    std::string run(const std::string& line, bool* keepGoing = nullptr) {
        ::testing::internal::CaptureStdout();
        bool result = dispatchCommand(*context, line);
        if (keepGoing) *keepGoing = result;
        return ::testing::internal::GetCapturedStdout();
    }
    std::unique_ptr<GameContext> context;
};

TEST_F(Dispatch, AnswersAboutUnknownAndParams) {
    EXPECT_EQ(run("about").substr(0, 16), "name=\"Pebblon\", ");
    EXPECT_EQ(run("what now"), "UNKNOWN WHAT NOW\n");
    EXPECT_EQ(run(""), "UNKNOWN \n");
    EXPECT_EQ(run("PARAMS whatever"), "");
}

TEST_F(Dispatch, EndStopsTheLoop) {
    bool keepGoing = true;
    EXPECT_EQ(run("end", &keepGoing), "");
    EXPECT_FALSE(keepGoing);
    run("ABOUT", &keepGoing);
    EXPECT_TRUE(keepGoing);
}

TEST_F(Dispatch, RefusesEverythingButEndAndStopWhileSearching) {
    context->searching = true;
    EXPECT_EQ(run("board"), "MESSAGE : BAD COMMAND BOARD IN SEARCH MODE\n");
    EXPECT_EQ(run("ABOUT"), "MESSAGE : BAD COMMAND ABOUT IN SEARCH MODE\n");
    EXPECT_EQ(run("nonsense 1"), "MESSAGE : BAD COMMAND NONSENSE 1 IN SEARCH MODE\n");
    EXPECT_EQ(run("PARAMS"), "MESSAGE : BAD COMMAND PARAMS IN SEARCH MODE\n");
    EXPECT_EQ(run("YXSTOP"), "");
    bool keepGoing = true;
    EXPECT_EQ(run("END", &keepGoing), "");
    EXPECT_FALSE(keepGoing);
}

}  // namespace
