// End-to-end checks of the game commands and the board-side extension
// commands against the real engine over pipes. A reply is read up to the
// line that ends it (with a timeout, so a missing line fails the test); only
// commands that must print nothing are checked by a short silence.
#include <gtest/gtest.h>

#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "search/threads.h"
#include "support/engine_process.h"

namespace {

bool isMoveLine(const std::optional<std::string>& line) {
    return line && std::regex_match(*line, std::regex("[0-9]+,[0-9]+"));
}

using LineTest = std::function<bool(const std::string&)>;

const LineTest IS_MOVE = [](const std::string& line) { return isMoveLine(line); };

LineTest startsWith(std::string prefix) {
    return [prefix](const std::string& line) { return line.rfind(prefix, 0) == 0; };
}

// Search reports that come before a move; the tests look past them.
bool isSearchReport(const std::string& line) {
    return line.rfind("MESSAGE depth ", 0) == 0 || line.rfind("MESSAGE :-", 0) == 0;
}

class GameCommandsE2E : public ::testing::Test {
protected:
    void SetUp() override {
        engine = startEngine();
        // Short searches keep the move requests quick.
        sendLine(engine, "INFO TIMEOUT_TURN 100");
    }
    void TearDown() override {
        sendLine(engine, "END");
        EXPECT_EQ(waitForExit(engine), 0);
    }
    // Sends the lines and returns what the engine says up to and including
    // the line that ends the reply (search reports left out).
    std::vector<std::string> exchange(const std::vector<std::string>& lines, const LineTest& isLast) {
        for (const std::string& line : lines) sendLine(engine, line);
        std::vector<std::string> out;
        for (const std::string& line : readLinesThrough(engine, isLast))
            if (!isSearchReport(line)) out.push_back(line);
        return out;
    }
    std::vector<std::string> exchange(const std::vector<std::string>& lines, const std::string& last) {
        return exchange(lines, [last](const std::string& line) { return line == last; });
    }
    // Sends lines that must print nothing, and returns what came instead
    // before the output was quiet for a moment.
    std::vector<std::string> silence(const std::vector<std::string>& lines) {
        for (const std::string& line : lines) sendLine(engine, line);
        return readLinesUntilQuiet(engine, 200);
    }
    // The next line that is not a search report.
    std::optional<std::string> reply() {
        for (;;) {
            std::optional<std::string> line = readLine(engine);
            if (!line || !isSearchReport(*line)) return line;
        }
    }
    EngineProcess engine;
};

TEST_F(GameCommandsE2E, StartAcceptsSizesFiveToTwenty) {
    struct Case {
        const char* line;
        const char* expected;
    };
    const Case cases[] = {
        {"START 4", "ERROR size of the board"}, {"START 5", "OK"},
        {"START 20", "OK"},                     {"START 21", "ERROR size of the board"},
        {"START", "ERROR size of the board"},   {"START 15,15", "ERROR size of the board"},
        {"START x", "ERROR size of the board"}, {"START 15", "OK"},
    };
    for (const Case& c : cases) {
        sendLine(engine, c.line);
        EXPECT_EQ(reply(), c.expected) << c.line;
    }
}

TEST_F(GameCommandsE2E, TurnAnswersWithAMoveEvenAfterBadCoordinates) {
    EXPECT_EQ(exchange({"START 15"}, "OK"), std::vector<std::string>{"OK"});
    sendLine(engine, "TURN 14,14");
    EXPECT_TRUE(isMoveLine(reply()));
    sendLine(engine, "TURN 15,0");
    EXPECT_EQ(reply(), "ERROR bad coordinates");
    EXPECT_TRUE(isMoveLine(reply()));
    sendLine(engine, "TURN 1");
    EXPECT_EQ(reply(), "ERROR bad coordinates");
    std::optional<std::string> own = reply();
    ASSERT_TRUE(isMoveLine(own));
    // The engine's own move stands on the board: the opponent cannot play there.
    std::vector<std::string> out = exchange({"TURN " + *own}, IS_MOVE);
    ASSERT_GE(out.size(), 3u);
    EXPECT_EQ(out[0], "DEBUG make move [" + *own + "] = 1024");
    EXPECT_EQ(out[out.size() - 2], "ERROR opponent's move [" + *own + "]");
    EXPECT_TRUE(isMoveLine(out.back()));
}

TEST_F(GameCommandsE2E, PlayTwiceOnOneCellPrintsTheDumpThenTheError) {
    EXPECT_EQ(exchange({"START 15"}, "OK"), std::vector<std::string>{"OK"});
    EXPECT_EQ(silence({"PLAY 7,7", "EVAL"}), std::vector<std::string>{});
    std::vector<std::string> out = exchange({"PLAY 7,7"}, startsWith("ERROR"));
    ASSERT_EQ(out.size(), 1u + 4u + 15u + 1u);
    EXPECT_EQ(out[0], "DEBUG make move [7,7] = 1024");
    EXPECT_EQ(out[1].rfind("DEBUG Board CmdPut ERR, hash ", 0), 0u) << out[1];
    EXPECT_EQ(out[2], "DEBUG Dim 15, Ply 1");
    EXPECT_EQ(out[3], "DEBUG         a b c d e f g h i j k l m n o p q r s t");
    EXPECT_EQ(out[4], "DEBUG         0 1 2 3 4 5 6 7 8 9 0 1 2 3 4 5 6 7 8 9");
    for (int y = 0; y < 15; ++y) {
        std::string row = out[5 + y];
        char head[16];
        std::snprintf(head, sizeof head, "DEBUG Row %2d ", y);
        ASSERT_EQ(row.rfind(head, 0), 0u) << row;
        std::string cells = row.substr(std::string(head).size());
        EXPECT_EQ(cells.size(), 30u) << row;
        if (y == 7) {
            EXPECT_EQ(cells.substr(14, 2), " X") << row;
        }
    }
    EXPECT_EQ(out.back(), "ERROR my move [7,7]");
    for (const char* play : {"PLAY 15,0", "PLAY 3", "PLAY"})
        EXPECT_EQ(exchange({play}, startsWith("ERROR")), std::vector<std::string>{"ERROR bad coordinates"}) << play;
    EXPECT_EQ(silence({}), std::vector<std::string>{});  // and nothing after the last
}

TEST_F(GameCommandsE2E, TakebackRemovesOnlyTheMostRecentStone) {
    EXPECT_EQ(exchange({"START 15"}, "OK"), std::vector<std::string>{"OK"});
    sendLine(engine, "BEGIN");
    EXPECT_EQ(reply(), "7,7");
    sendLine(engine, "TURN 8,8");
    std::optional<std::string> answer = reply();
    ASSERT_TRUE(isMoveLine(answer));
    // Each TAKEBACK is answered by one line, OK or an ERROR.
    const LineTest answered = [](const std::string& line) { return line == "OK" || line.rfind("ERROR", 0) == 0; };
    EXPECT_EQ(exchange({"TAKEBACK 8,8"}, answered), std::vector<std::string>{"ERROR takeback move [8,8]"});
    EXPECT_EQ(exchange({"TAKEBACK " + *answer}, answered), std::vector<std::string>{"OK"});
    EXPECT_EQ(exchange({"TAKEBACK 8,8"}, answered), std::vector<std::string>{"OK"});
    EXPECT_EQ(exchange({"TAKEBACK 8,8"}, answered), std::vector<std::string>{"ERROR takeback move [8,8]"});
    EXPECT_EQ(exchange({"TAKEBACK 20,1"}, answered), std::vector<std::string>{"ERROR bad coordinates"});
    // The board is back to the engine's first stone: 8,8 is free again.
    EXPECT_EQ(silence({"PLAY 8,8"}), std::vector<std::string>{});
}

TEST_F(GameCommandsE2E, BoardBlocksAndTheirBadLines) {
    EXPECT_EQ(exchange({"START 15"}, "OK"), std::vector<std::string>{"OK"});
    // A line that is not three numbers ends the block; the search still starts.
    std::vector<std::string> out = exchange({"BOARD", "7,7,1", "7,7"}, IS_MOVE);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0], "ERROR x,y,who or DONE expected after BOARD");
    EXPECT_TRUE(isMoveLine(out[1]));
    // An owner other than 1 or 2 ends the block silently; the next line is a
    // command again (refused while the search runs, or answered after it).
    EXPECT_EQ(exchange({"START 15"}, "OK"), std::vector<std::string>{"OK"});
    out = exchange({"BOARD", "7,7,2", "8,8,3", "ABOUT"}, IS_MOVE);
    if (out.size() == 1) {  // the move came first: ABOUT is answered after it
        std::optional<std::string> about = reply();
        ASSERT_TRUE(about);
        out.push_back(*about);
    }
    ASSERT_EQ(out.size(), 2u);
    const size_t moveAt = isMoveLine(out[0]) ? 0 : 1;
    EXPECT_TRUE(isMoveLine(out[moveAt]));
    const std::string& about = out[1 - moveAt];
    EXPECT_TRUE(about == "MESSAGE : BAD COMMAND ABOUT IN SEARCH MODE" || about.rfind("name=\"Pebblon\"", 0) == 0)
        << about;
    // A stone off the board or on an occupied cell is reported and the block goes on.
    EXPECT_EQ(exchange({"START 15"}, "OK"), std::vector<std::string>{"OK"});
    out = exchange({"BOARD", "7,7,1", "15,3,2", "7,7,2", "8,8,2", "done"}, IS_MOVE);
    ASSERT_GE(out.size(), 4u);
    EXPECT_EQ(out[0], "DEBUG check move [15,3]");
    EXPECT_EQ(out[1], "ERROR opponent's move [15,3]");
    EXPECT_EQ(out[2], "DEBUG make move [7,7] = 1024");
    EXPECT_TRUE(isMoveLine(out.back()));
    EXPECT_EQ(exchange({"PLAY 8,8"}, startsWith("ERROR")).back(), "ERROR my move [8,8]");
}

TEST_F(GameCommandsE2E, RestartEmptiesTheBoardAndAnswersOkAndEvalIsSilent) {
    EXPECT_EQ(exchange({"START 15"}, "OK"), std::vector<std::string>{"OK"});
    EXPECT_EQ(silence({"PLAY 3,3"}), std::vector<std::string>{});
    // A new game of the same size: OK and no move, which the manager would
    // not expect; the manager opens it with BEGIN or TURN.
    sendLine(engine, "RESTART");
    EXPECT_EQ(reply(), "OK");
    EXPECT_EQ(silence({"EVAL", "PLAY 3,3"}), std::vector<std::string>{});
    sendLine(engine, "RESTART");
    EXPECT_EQ(reply(), "OK");
    sendLine(engine, "TURN 3,3");
    const std::optional<std::string> move = reply();
    ASSERT_TRUE(isMoveLine(move)) << move.value_or("nothing");
    EXPECT_NE(*move, "3,3");
}

// Black double-three points at (7,8) and (9,11): two open threes cross on each.
const std::vector<std::string> DOUBLE_THREES = {"5,8", "6,8", "7,6", "7,7", "9,9", "9,10", "10,11", "11,11"};

std::vector<std::string> boardLines(const std::vector<std::string>& stones, int owner,
                                    const std::string& firstLine = "") {
    std::vector<std::string> lines{"YXBOARD"};
    if (!firstLine.empty()) lines.push_back(firstLine);
    for (const std::string& s : stones) lines.push_back(s + "," + std::to_string(owner));
    lines.push_back("DONE");
    return lines;
}

TEST_F(GameCommandsE2E, ShowForbidListsBlacksForbiddenPoints) {
    const LineTest forbid = startsWith("FORBID");
    EXPECT_EQ(exchange({"START 15"}, "OK"), std::vector<std::string>{"OK"});
    EXPECT_EQ(silence(boardLines(DOUBLE_THREES, 1)), std::vector<std::string>{});
    EXPECT_EQ(exchange({"YXSHOWFORBID"}, forbid), std::vector<std::string>{"FORBID 07080911."});
    // The same stones as the opponent's, the opponent black: the same points.
    EXPECT_EQ(exchange({"START 15"}, "OK"), std::vector<std::string>{"OK"});
    EXPECT_EQ(silence(boardLines(DOUBLE_THREES, 2)), std::vector<std::string>{});
    EXPECT_EQ(exchange({"YXSHOWFORBID"}, forbid), std::vector<std::string>{"FORBID 07080911."});
    // The first stone line decides who is black: here the opponent, so the
    // engine's double threes are not forbidden and nothing is printed.
    EXPECT_EQ(exchange({"START 15"}, "OK"), std::vector<std::string>{"OK"});
    EXPECT_EQ(silence(boardLines(DOUBLE_THREES, 1, "0,14,2")), std::vector<std::string>{});
    EXPECT_EQ(silence({"YXSHOWFORBID"}), std::vector<std::string>{});
}

TEST_F(GameCommandsE2E, OpponentOpeningByTurnIsBlack) {
    // The engine's double three would be forbidden if it were black; after
    // the opponent opened with TURN the engine is white and nothing is
    // forbidden for it.
    EXPECT_EQ(exchange({"START 15"}, "OK"), std::vector<std::string>{"OK"});
    sendLine(engine, "TURN 0,0");
    ASSERT_TRUE(isMoveLine(reply()));
    std::vector<std::string> play;
    for (const std::string& s : DOUBLE_THREES) play.push_back("PLAY " + s);
    EXPECT_EQ(silence(play), std::vector<std::string>{});
    EXPECT_EQ(silence({"YXSHOWFORBID"}), std::vector<std::string>{});
}

TEST_F(GameCommandsE2E, BlockListAndInfo) {
    EXPECT_EQ(silence({"YXBLOCK", "7,7", "8,8", "DONE"}), std::vector<std::string>{});
    EXPECT_EQ(exchange({"YXBLOCK", "7,7,1"}, startsWith("ERROR")),
              std::vector<std::string>{"ERROR x,y or DONE expected after YXBLOCK"});
    EXPECT_EQ(exchange({"YXBLOCKUNDO", "3", "DONE"}, startsWith("UNKNOWN")),
              (std::vector<std::string>{"ERROR x,y or DONE expected after YXBLOCK", "UNKNOWN DONE"}));
    // Blocked cells are left out of the engine's move: on an empty 15 x 15
    // board 7,7 would be its choice.
    EXPECT_EQ(exchange({"START 15"}, "OK"), std::vector<std::string>{"OK"});
    sendLine(engine, "BEGIN");
    std::optional<std::string> move = reply();
    ASSERT_TRUE(isMoveLine(move));
    EXPECT_NE(*move, "7,7");
    EXPECT_EQ(exchange({"YXBLOCKRESET", "START 15"}, "OK"), std::vector<std::string>{"OK"});
    sendLine(engine, "BEGIN");
    EXPECT_EQ(reply(), "7,7");
    // Undo takes a blocked cell back out of the list.
    EXPECT_EQ(silence({"YXBLOCK", "7,7", "DONE", "YXBLOCKUNDO", "7,7", "DONE"}), std::vector<std::string>{});
    EXPECT_EQ(exchange({"START 15"}, "OK"), std::vector<std::string>{"OK"});
    sendLine(engine, "BEGIN");
    EXPECT_EQ(reply(), "7,7");
    // A cell off the board blocks nothing, not even the cell its numbers
    // would pack into (0,231 as x * 32 + y is 7,7), and the block goes on to
    // its DONE.
    EXPECT_EQ(silence({"YXBLOCK", "0,231", "15,3", "3,15", "DONE", "YXBLOCKUNDO", "99,0", "DONE"}),
              std::vector<std::string>(4, "ERROR bad coordinates"));
    EXPECT_EQ(exchange({"START 15"}, "OK"), std::vector<std::string>{"OK"});
    sendLine(engine, "BEGIN");
    EXPECT_EQ(reply(), "7,7");
    EXPECT_EQ(exchange({"YXSHOWINFO"}, startsWith("MESSAGE INFO MAX_HASH_SIZE")),
              (std::vector<std::string>{"MESSAGE INFO MAX_THREAD_NUM " + std::to_string(maxThreadCount()),
                                      "MESSAGE INFO MAX_HASH_SIZE 26"}));
    EXPECT_EQ(silence({"YXSWAP2STEP2"}), std::vector<std::string>{});
}

}  // namespace
