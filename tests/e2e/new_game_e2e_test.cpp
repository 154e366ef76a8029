// End-to-end checks of what a new game or position starts from: a smaller
// board after a larger one (no crash, no move beyond the new edge), and who
// is black when no command says so (the stones' parity, also after START
// ended a game where the opponent was black).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/engine_process.h"
#include "support/protocol_script.h"

namespace {

TEST(NewGameE2E, ASmallerBoardAfterALargerOnePlaysOnTheNewBoard) {
    // The engine finds a win on 20 x 20 at 13,7; the same stones on 15 x 15
    // leave table entries and empty-cell rows of the larger board behind
    // unless START clears them.
    const std::vector<std::string> stones = {"12,10,1", "14,5,2", "13,8,1", "10,7,2", "10,10,1",
                                             "13,6,2",  "14,8,1", "10,8,2", "13,9,1", "11,11,2"};
    EngineProcess engine = startEngine();
    sendLine(engine, "INFO TIMEOUT_TURN 300");
    for (const char* size : {"20", "15", "20", "15"}) {
        SCOPED_TRACE(std::string("START ") + size);
        sendLine(engine, std::string("START ") + size);
        ASSERT_EQ(readLine(engine), "OK");
        sendBlock(engine, "BOARD", stones);
        const std::vector<std::string> lines = readUntilReply(engine, 5000);
        ASSERT_FALSE(lines.empty()) << "no reply: the engine died";
        const std::string& reply = lines.back();
        ASSERT_TRUE(isMoveReply(reply)) << reply;
        const int x = std::stoi(reply), y = std::stoi(reply.substr(reply.find(',') + 1));
        EXPECT_LT(x, std::stoi(size));
        EXPECT_LT(y, std::stoi(size));
    }
    sendLine(engine, "END");
    EXPECT_EQ(waitForExit(engine), 0);
}

// The engine opens an empty board block, then puts three more stones with
// PLAY: 7,8 would join its open threes on row 8 (5,8 6,8) and column 7
// (7,6 7,7), a double three forbidden for black.
void openAndAnswer(EngineProcess& engine) {
    sendLine(engine, "START 15");
    ASSERT_EQ(readLine(engine), "OK");
    sendBlock(engine, "BOARD", {});
    std::vector<std::string> lines = readUntilReply(engine, 5000);
    ASSERT_FALSE(lines.empty());
    ASSERT_EQ(lines.back(), "7,7");
    for (const char* play : {"PLAY 5,8", "PLAY 6,8", "PLAY 7,6"}) sendLine(engine, play);
    sendLine(engine, "TURN 14,14");
    lines = readUntilReply(engine, 5000);
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(isMoveReply(lines.back())) << lines.back();
    EXPECT_NE(lines.back(), "7,8") << "black played a double three";
    sendLine(engine, "YXSHOWFORBID");
    EXPECT_EQ(readLine(engine), "FORBID 0708.");
}

TEST(NewGameE2E, WhoIsBlackFollowsTheStonesWhenNoCommandSaysSo) {
    {
        SCOPED_TRACE("a fresh engine");
        EngineProcess engine = startEngine();
        sendLine(engine, "INFO TIMEOUT_TURN 200");
        openAndAnswer(engine);
        sendLine(engine, "END");
        EXPECT_EQ(waitForExit(engine), 0);
    }
    {
        SCOPED_TRACE("after a game where the opponent was black");
        EngineProcess engine = startEngine();
        sendLine(engine, "INFO TIMEOUT_TURN 200");
        sendLine(engine, "START 15");
        ASSERT_EQ(readLine(engine), "OK");
        sendLine(engine, "TURN 7,7");
        ASSERT_FALSE(readUntilReply(engine, 5000).empty());
        openAndAnswer(engine);
        sendLine(engine, "END");
        EXPECT_EQ(waitForExit(engine), 0);
    }
}

}  // namespace
