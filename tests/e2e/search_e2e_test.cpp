// End-to-end checks of searches through the protocol: replies within the
// time given, stopping, refusal of commands while thinking, several best
// lines, SWAP, take-backs, and END or the end of input during a search.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "search/bench.h"
#include "search/shape_values.h"
#include "support/engine_process.h"
#include "support/protocol_script.h"

namespace {

// A quiet middle game on 15 x 15: nothing forcing for either side.
const std::vector<std::string> QUIET_GAME = {"7,7,1", "8,8,2", "6,8,1", "8,6,2", "9,7,1", "5,9,2"};

void sendBoard(EngineProcess& engine, const std::vector<std::string>& stones, const char* command = "BOARD") {
    sendBlock(engine, command, stones);
}

TEST(SearchE2E, RepliesWithinTheTurnTime) {
    EngineProcess engine = startEngine();
    sendLine(engine, "INFO TIMEOUT_TURN 500");
    sendLine(engine, "START 15");
    ASSERT_EQ(readLine(engine), "OK");
    const int64_t start = monotonicMs();
    sendBoard(engine, QUIET_GAME);
    std::vector<std::string> lines = readUntilReply(engine, 5000);
    const int64_t took = monotonicMs() - start;
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(isMoveReply(lines.back())) << lines.back();
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
    EXPECT_TRUE(isMoveReply(lines.back()));
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
    EXPECT_TRUE(isMoveReply(lines.back()));
    EXPECT_EQ(waitForExit(engine), 0);
}

// Without a clock a search could go on for hours: END stops it and the
// engine ends (the move it may still print is not looked for), and so does
// the end of its input.
TEST(SearchE2E, EndOrTheEndOfInputEndsASearchWithoutAClock) {
    struct Case {
        const char* name;
        std::vector<std::string> words;
        bool sendEnd;
    };
    const Case cases[] = {
        {"END, one thread", {}, true},
        {"END, two threads", {"THREADS", "2"}, true},
        {"end of input, two threads", {"THREADS", "2"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EngineProcess engine = startEngine(c.words);
        sendLine(engine, "START 15");
        ASSERT_EQ(readLine(engine), "OK");
        sendLine(engine, "TURN 7,7");
        // Still thinking a second later: no move yet.
        for (const std::string& line : readLinesUntilQuiet(engine, 1000)) EXPECT_FALSE(isMoveReply(line)) << line;
        if (c.sendEnd) sendLine(engine, "END");
        closeInput(engine);
        EXPECT_EQ(waitForExit(engine, 5000), 0);
    }
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
    EXPECT_TRUE(isMoveReply(lines.back()));
    for (int i = 1; i <= 3; ++i) {
        const std::string& line = lines[lines.size() - 5 + i];
        EXPECT_NE(line.find(" multipv " + std::to_string(i) + " "), std::string::npos) << line;
    }
    // The moves of the lines are written in the extension style (letter of y, then 15 - x).
    EXPECT_TRUE(std::regex_search(lines[lines.size() - 4], std::regex(" pv [a-o][0-9]+"))) << lines[lines.size() - 4];
    sendLine(engine, "TAKEBACK " + lines.back());
    EXPECT_EQ(readLine(engine), "OK");
    // A count that is not at least 1 is refused, and nothing is played: the
    // board stays as it was, and the count of lines too.
    for (const char* refused : {"YXNBEST 0", "YXNBEST", "YXNBEST 2,3"}) {
        SCOPED_TRACE(refused);
        sendLine(engine, refused);
        EXPECT_EQ(readLinesUntilQuiet(engine, 800), std::vector<std::string>{"ERROR bad coordinates"});
    }
    sendLine(engine, "YXNBEST 3");
    lines = readUntilReply(engine, 5000);
    ASSERT_GE(lines.size(), 4u);
    EXPECT_TRUE(isMoveReply(lines.back()));
    EXPECT_NE(lines[lines.size() - 2].find(" multipv 3 "), std::string::npos) << lines[lines.size() - 2];
    sendLine(engine, "END");
    EXPECT_EQ(waitForExit(engine), 0);
}

// The lines of several best moves, the search stopped in the middle of one
// of them (by a node limit at many points, and by YXSTOP): every line shows
// a depth it completed and a score it searched, deepest lines first, never
// the "not searched" score (which shows as -M-2) ranked among real ones.
TEST(SearchE2E, BestLinesCutOffByAStopShowTheirLastCompletedDepth) {
    EngineProcess engine = startEngine();
    sendLine(engine, "START 15");
    ASSERT_EQ(readLine(engine), "OK");
    sendLine(engine, "INFO TIMEOUT_TURN 0");
    const std::regex line("MESSAGE depth ([0-9]+)-[0-9]+ multipv ([1-5]) ev (-?M?-?[0-9]+) n .*");
    const auto checkLines = [&line](const std::vector<std::string>& lines) {
        ASSERT_GE(lines.size(), 6u);
        EXPECT_TRUE(isMoveReply(lines.back())) << lines.back();
        int lastDepth = 1000;
        for (int k = 1; k <= 5; ++k) {
            const std::string& text = lines[lines.size() - 7 + k];
            std::smatch m;
            ASSERT_TRUE(std::regex_match(text, m, line)) << text;
            EXPECT_EQ(std::stoi(m[2]), k) << text;
            EXPECT_LE(std::stoi(m[1]), lastDepth) << text;
            lastDepth = std::stoi(m[1]);
            EXPECT_NE(m[3], "-M-2") << text;
        }
    };
    for (const char* nodes : {"150000", "230000", "310000", "390000", "470000", "550000"}) {
        SCOPED_TRACE(std::string("MAX_NODE ") + nodes);
        sendLine(engine, std::string("INFO MAX_NODE ") + nodes);
        sendBlock(engine, "YXBOARD", {"7,7,2", "8,8,1", "6,8,2"});
        sendLine(engine, "YXNBEST 5");
        checkLines(readUntilReply(engine, 30000));
        sendLine(engine, "START 15");
        ASSERT_EQ(readLine(engine), "OK");
    }
    SCOPED_TRACE("YXSTOP after 0.7 s");
    sendLine(engine, "INFO MAX_NODE 0");
    sendBlock(engine, "YXBOARD", {"7,7,2", "8,8,1", "6,8,2"});
    sendLine(engine, "YXNBEST 5");
    EXPECT_EQ(readLinesUntilQuiet(engine, 700), std::vector<std::string>{});
    sendLine(engine, "YXSTOP");
    checkLines(readUntilReply(engine, 5000));
    sendLine(engine, "END");
    EXPECT_EQ(waitForExit(engine), 0);
}

// The evaluation's weights at the most INFO TUNE allows: the scores the
// engine reports stay ordinary scores (a quarter of the evaluation's limit
// at the most), never a win or a loss the search did not prove, however
// large the weights. A weight that is not one whole number is refused.
TEST(SearchE2E, TunedWeightsNeverReachProvenScores) {
    EngineProcess engine = startEngine();
    sendLine(engine, "INFO TIMEOUT_TURN 300");
    sendLine(engine, "INFO TUNE TEMPO 1-2");
    EXPECT_EQ(readLine(engine), "ERROR TUNE needs a name and a whole number");
    for (const char* weight : {"30000", "100000"}) {
        SCOPED_TRACE(std::string("weights ") + weight);
        for (const char* name : {"OWN_FOUR", "OWN_OPEN_FOUR", "OWN_FOUR_THREE"}) {
            sendLine(engine, std::string("INFO TUNE ") + name + " " + weight);
            EXPECT_EQ(readLine(engine), std::string("MESSAGE INFO TUNE ") + name + " " + weight);
        }
        sendLine(engine, "START 15");
        ASSERT_EQ(readLine(engine), "OK");
        // An opening far from any forced result.
        sendBoard(engine, {"7,7,2", "8,8,1", "6,8,2"});
        const std::vector<std::string> lines = readUntilReply(engine, 5000);
        ASSERT_GE(lines.size(), 2u);
        EXPECT_TRUE(isMoveReply(lines.back())) << lines.back();
        std::smatch score;
        const std::string& info = lines[lines.size() - 2];
        ASSERT_TRUE(std::regex_search(info, score, std::regex(" ev (-?[0-9]+) "))) << info;
        EXPECT_LE(std::abs(std::stoi(score[1])), 4000) << info;
    }
    sendLine(engine, "END");
    EXPECT_EQ(waitForExit(engine), 0);
}

// SHAPES on the command line plays with the cell-shape values of a file; a
// file that does not read gets an ERROR line at start and the built-in
// values stay.
TEST(SearchE2E, ShapeValuesComeFromAFileOnTheCommandLine) {
    TemporaryFolder folder;
    static ShapeValueTables values;
    for (ShapeValues& set : values)
        for (uint32_t shape = 1; shape < SHAPE_COUNT; ++shape) set.of[shape].own = int16_t(shape % 7 * 300);
    std::ofstream(folder.path + "/good.txt") << formatShapeValues(values, "a test's values");
    std::ofstream(folder.path + "/bad.txt") << "renju_black own 1 2 3\n";
    const auto scoreWith = [&folder](const std::vector<std::string>& words, const std::string& firstLine) {
        EngineProcess engine = startEngine(words, folder.path);
        if (!firstLine.empty()) {
            EXPECT_EQ(readLine(engine), firstLine);
        }
        sendLine(engine, "INFO MAX_NODE 3000");
        sendLine(engine, "START 15");
        EXPECT_EQ(readLine(engine), "OK");
        sendBoard(engine, {"7,7,2", "8,8,1", "6,8,2"});
        const std::vector<std::string> lines = readUntilReply(engine, 5000);
        sendLine(engine, "END");
        EXPECT_EQ(waitForExit(engine), 0);
        std::smatch score;
        if (lines.size() < 2 || !std::regex_search(lines[lines.size() - 2], score, std::regex(" ev (\\S+) ")))
            return std::string("no score");
        return score[1].str();
    };
    const std::string builtIn = scoreWith({}, "");
    EXPECT_NE(scoreWith({"SHAPES", "good.txt"}, ""), builtIn);
    EXPECT_EQ(scoreWith({"shapes", "bad.txt"},
                        "ERROR shape values not read (the built-in ones stay): bad.txt, line 1: 3 values, not 2380"),
              builtIn);
    EXPECT_EQ(scoreWith({"SHAPES", "missing.txt"},
                        "ERROR shape values not read (the built-in ones stay): cannot read missing.txt"),
              builtIn);
}

TEST(SearchE2E, SwapWhenWorseNotOtherwise) {
    EngineProcess engine = startEngine();
    sendLine(engine, "INFO TIMEOUT_TURN 300");
    sendLine(engine, "START 15");
    ASSERT_EQ(readLine(engine), "OK");
    // The opponent (black) has an open four: the engine is lost and swaps.
    sendBoard(engine, {"3,7,2", "0,0,1", "4,7,2", "0,2,1", "5,7,2", "0,4,1", "6,7,2", "0,6,1"}, "BOARD_SWAP");
    std::vector<std::string> lines = readUntilReply(engine, 5000);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "SWAP");
    // Not lost, only clearly worse (its stones in the corners, the
    // opponent's two in the middle): the engine swaps too.
    sendLine(engine, "START 15");
    ASSERT_EQ(readLine(engine), "OK");
    sendBoard(engine, {"0,0,1", "7,7,2", "14,14,1", "8,7,2"}, "BOARD_SWAP");
    lines = readUntilReply(engine, 5000);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "SWAP");
    // A quiet position with the engine better is not swapped.
    sendLine(engine, "START 15");
    ASSERT_EQ(readLine(engine), "OK");
    sendBoard(engine, {"7,7,1", "0,0,2", "8,8,1", "0,14,2"}, "BOARD_SWAP");
    lines = readUntilReply(engine, 5000);
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(isMoveReply(lines.back())) << lines.back();
    sendLine(engine, "END");
    EXPECT_EQ(waitForExit(engine), 0);
}


// Board lines for the given stones: owner 1 the engine, 2 the opponent.
std::vector<std::string> stones(const std::vector<std::pair<std::string, int>>& list) {
    std::vector<std::string> lines;
    for (const auto& [cell, owner] : list) lines.push_back(cell + "," + std::to_string(owner));
    return lines;
}

std::string searchFor(EngineProcess& engine, const std::vector<std::string>& board) {
    sendLine(engine, "START 15");
    EXPECT_EQ(readLine(engine), "OK");
    sendBoard(engine, board);
    std::vector<std::string> lines = readUntilReply(engine, 5000);
    return lines.empty() ? "" : lines.back();
}

TEST(SearchE2E, TakesTheFiveAndBlocksTheOpponent) {
    EngineProcess engine = startEngine();
    sendLine(engine, "INFO TIMEOUT_TURN 300");
    // The engine's four 3..6 on row 7 (blocked at 2,7) completes at 7,7,
    // even though the opponent has a four too.
    EXPECT_EQ(searchFor(engine, stones({{"3,7", 1}, {"3,10", 2}, {"4,7", 1}, {"4,10", 2}, {"5,7", 1}, {"5,10", 2},
                                        {"6,7", 1}, {"6,10", 2}, {"2,7", 2}, {"12,12", 1}})),
              "7,7");
    // The opponent's four 4..7 on column 5 (blocked at 5,3) must be stopped at 5,8.
    EXPECT_EQ(searchFor(engine, stones({{"7,7", 1}, {"5,4", 2}, {"9,9", 1}, {"5,5", 2}, {"11,3", 1}, {"5,6", 2},
                                        {"5,3", 1}, {"5,7", 2}})),
              "5,8");
    sendLine(engine, "END");
    EXPECT_EQ(waitForExit(engine), 0);
}

// After take-backs the engine is still the side to move: in a position
// where both sides have a four, it must make its own five, not the
// opponent's. An odd number of take-backs shows a side left wrong.
TEST(SearchE2E, TakeBacksLeaveTheEngineToMove) {
    const std::vector<std::string> fours = stones({{"3,7", 1}, {"3,10", 2}, {"4,7", 1}, {"4,10", 2}, {"5,7", 1},
                                                   {"5,10", 2}, {"6,7", 1}, {"6,10", 2}, {"2,7", 2}, {"12,12", 1}});
    const std::vector<std::string> extra = stones({{"0,14", 2}, {"14,0", 1}, {"14,14", 2}});
    EngineProcess engine = startEngine();
    sendLine(engine, "INFO TIMEOUT_TURN 300");
    for (size_t takeBacks : {1, 2, 3}) {
        SCOPED_TRACE(std::to_string(takeBacks) + " take-backs");
        sendLine(engine, "START 15");
        ASSERT_EQ(readLine(engine), "OK");
        std::vector<std::string> board = fours;
        board.insert(board.end(), extra.begin(), extra.begin() + takeBacks);
        sendBoard(engine, board, "YXBOARD");
        for (size_t k = takeBacks; k > 0; --k) {
            const std::string& stone = board[board.size() - takeBacks + k - 1];
            sendLine(engine, "TAKEBACK " + stone.substr(0, stone.rfind(',')));
            EXPECT_EQ(readLine(engine), "OK");
        }
        // The opponent's last stone comes back as its move.
        sendLine(engine, "TURN 0,14");
        const std::vector<std::string> lines = readUntilReply(engine, 5000);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back(), "7,7");
    }
    sendLine(engine, "END");
    EXPECT_EQ(waitForExit(engine), 0);
}

TEST(SearchE2E, BlackNeverPlaysAForbiddenPoint) {
    EngineProcess engine = startEngine();
    sendLine(engine, "INFO TIMEOUT_TURN 300");
    // The engine is black (first stone line). 7,7 would join two open
    // threes (a double three, forbidden), and the opponent threatens
    // nothing: every other move is worse for black, but 7,7 must not come.
    const std::string move = searchFor(engine, stones({{"5,7", 1}, {"0,0", 2}, {"6,7", 1}, {"0,14", 2}, {"7,5", 1},
                                                       {"14,0", 2}, {"7,6", 1}, {"14,14", 2}}));
    EXPECT_TRUE(isMoveReply(move)) << move;
    EXPECT_NE(move, "7,7");
    // The same shape for white is a winning double three, and white plays it.
    const std::string white = searchFor(engine, stones({{"0,0", 2}, {"5,7", 1}, {"0,14", 2}, {"6,7", 1},
                                                        {"14,0", 2}, {"7,5", 1}, {"14,14", 2}, {"7,6", 1}, {"1,1", 2}}));
    EXPECT_EQ(white, "7,7");
    sendLine(engine, "END");
    EXPECT_EQ(waitForExit(engine), 0);
}

TEST(SearchE2E, RealtimeLinesOnlyInExtensionMode) {
    EngineProcess engine = startEngine();
    sendLine(engine, "INFO TIMEOUT_TURN 200");
    sendLine(engine, "INFO SHOW_DETAIL 1");
    sendLine(engine, "START 15");
    ASSERT_EQ(readLine(engine), "OK");
    sendBoard(engine, QUIET_GAME);
    std::vector<std::string> plain = readUntilReply(engine, 5000);
    for (const std::string& line : plain) EXPECT_EQ(line.find("REALTIME"), std::string::npos) << line;
    sendLine(engine, "START 15");
    ASSERT_EQ(readLine(engine), "OK");
    sendBoard(engine, QUIET_GAME, "YXBOARD");
    sendLine(engine, "YXNBEST 1");
    std::vector<std::string> detailed = readUntilReply(engine, 5000);
    int refreshes = 0;
    for (size_t i = 0; i + 1 < detailed.size(); ++i) {
        if (detailed[i] != "MESSAGE REALTIME REFRESH") continue;
        ++refreshes;
        EXPECT_EQ(detailed[i + 1].rfind("MESSAGE REALTIME BEST ", 0), 0u) << detailed[i + 1];
    }
    EXPECT_GT(refreshes, 0);
    sendLine(engine, "END");
    EXPECT_EQ(waitForExit(engine), 0);
}

TEST(SearchE2E, HugeHashSizeIsEchoedAndTheEngineStillPlays) {
    EngineProcess engine = startEngine();
    sendLine(engine, "INFO HASH_SIZE 100");
    EXPECT_EQ(readLine(engine), "MESSAGE INFO HASH_SIZE 262144");
    sendLine(engine, "INFO HASH_SIZE 99999999999");
    EXPECT_EQ(readLine(engine), "MESSAGE INFO HASH_SIZE 68719476736");
    sendLine(engine, "INFO TIMEOUT_TURN 200");
    sendLine(engine, "START 15");
    ASSERT_EQ(readLine(engine), "OK");
    sendLine(engine, "BEGIN");
    std::vector<std::string> lines = readUntilReply(engine, 5000);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "7,7");
    sendLine(engine, "END");
    EXPECT_EQ(waitForExit(engine), 0);
}

TEST(SearchE2E, HugeDepthAndNodeLimitsStillSearch) {
    // Limits beyond any search must not turn into negative ones that end the
    // search before it starts.
    EngineProcess engine = startEngine();
    sendLine(engine, "INFO MAX_DEPTH 4294967295");
    sendLine(engine, "INFO MAX_NODE 4294967295");
    sendLine(engine, "INFO TIMEOUT_TURN 300");
    sendLine(engine, "START 15");
    ASSERT_EQ(readLine(engine), "OK");
    sendBlock(engine, "BOARD", {"7,7,2"});
    const std::vector<std::string> lines = readUntilReply(engine, 5000);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_TRUE(isMoveReply(lines.back())) << lines.back();
    std::smatch depth;
    const std::string& info = lines[lines.size() - 2];
    ASSERT_TRUE(std::regex_search(info, depth, std::regex("^MESSAGE depth ([0-9]+)-"))) << info;
    EXPECT_GE(std::stoi(depth[1]), 6) << info;
    sendLine(engine, "END");
    EXPECT_EQ(waitForExit(engine), 0);
}

TEST(SearchE2E, BenchmarkWritesProgressAndSummaryToStandardError) {
    // BENCH never reads standard input and prints nothing on standard output.
    int exitCode = -1;
    const std::string err = runForStandardError({"bench"}, exitCode);
    EXPECT_EQ(exitCode, 0);
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = err.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(err.substr(start, end - start));
    ASSERT_EQ(lines.size(), 42u);
    for (int i = 0; i < 41; ++i) EXPECT_EQ(lines[i], "Position: " + std::to_string(i + 1) + "/41");
    std::smatch nodes;
    ASSERT_TRUE(std::regex_match(lines[41], nodes, std::regex("Time \\(ms\\) [0-9]+ Nodes ([0-9]+) nps [0-9]+")))
        << lines[41];
    // The search's signature: a change to it must be made on purpose.
    EXPECT_EQ(std::stoull(nodes[1]), BENCH_NODES);
}

}  // namespace
