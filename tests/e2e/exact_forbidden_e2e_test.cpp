// End-to-end checks of the exact forbidden-move test on the engine's own
// moves as black: a cell the fast verdict of the search allows (YXSHOWFORBID
// does not list it) but the Renju rule forbids is never the reply, even when
// the search likes it best; an exact five that also makes an overline is
// played when it wins.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include "support/engine_process.h"
#include "support/protocol_script.h"

namespace {

// Sets the position up without a search, returns what YXSHOWFORBID prints,
// then asks for a move and returns the reply.
struct Outcome {
    std::vector<std::string> forbidLines;
    std::string reply;
};

Outcome forbidListAndReply(EngineProcess& engine, const std::vector<std::string_view>& rows) {
    Outcome out;
    sendLine(engine, "START 15");
    EXPECT_EQ(readLine(engine), "OK");
    sendBlock(engine, "YXBOARD", stoneLines(rows));
    // YXSHOWFORBID prints nothing when no cell is forbidden; the ABOUT line
    // after it marks the end of whatever it printed.
    sendLine(engine, "YXSHOWFORBID");
    sendLine(engine, "ABOUT");
    out.forbidLines = readLinesThrough(engine, [](const std::string& line) { return line.rfind("name=", 0) == 0; });
    EXPECT_FALSE(out.forbidLines.empty()) << "no ABOUT line";
    if (!out.forbidLines.empty()) out.forbidLines.pop_back();
    // An empty board block adds nothing and starts the search.
    sendBlock(engine, "BOARD", {});
    const std::vector<std::string> lines = readUntilReply(engine, 5000);
    if (!lines.empty() && isMoveReply(lines.back())) out.reply = lines.back();
    return out;
}

bool listsCell(const std::vector<std::string>& forbidLines, const char* xxyy) {
    for (const std::string& line : forbidLines)
        if (line.rfind("FORBID ", 0) == 0)
            for (size_t i = 7; i + 4 <= line.size(); i += 4)
                if (line.compare(i, 4, xxyy) == 0) return true;
    return false;
}

TEST(ExactForbiddenE2E, NeverRepliesWithACellTheFastVerdictAllows) {
    EngineProcess engine = startEngine();
    sendLine(engine, "INFO TIMEOUT_TURN 300");
    // 6,7 makes an open four on the falling diagonal 4,5 .. 7,8, which the
    // search sees as a win. It also makes two open threes: column 6, and row
    // 7, whose only completion 7,7 the fast verdict judges illegal (7,7 has
    // open threes on column 7 and on the rising diagonal). With 6,7 standing
    // the rising-diagonal three of 7,7 is fake (its completion 6,8 makes a
    // second four on column 6, and 10,4 is a double three of its own), so
    // 7,7 is a legal four-three, the row-7 three is real, and 6,7 is a
    // forbidden double three. The opponent's stones at 7,4 and 2,9 take away
    // black's other quick win; without the exact test the engine plays 6,7.
    const std::vector<std::string_view> rows = {
        "o",          "",         "          x", "          x", "       o   xx", "    x x  x", "     xx x",
        "  o.xx+..o", "       x", "  o    x",    "",            "",              "",           "",
        "o            o"};
    Outcome out = forbidListAndReply(engine, rows);
    EXPECT_TRUE(listsCell(out.forbidLines, "0707"));  // the fast verdict's list is there
    EXPECT_FALSE(listsCell(out.forbidLines, "0607"));
    EXPECT_TRUE(isMoveReply(out.reply)) << out.reply;
    EXPECT_NE(out.reply, "6,7");
    sendLine(engine, "END");
    EXPECT_EQ(waitForExit(engine), 0);
}

TEST(ExactForbiddenE2E, PlaysAnExactFiveThatAlsoMakesAnOverline) {
    EngineProcess engine = startEngine();
    sendLine(engine, "INFO TIMEOUT_TURN 300");
    // 7,7 completes row 7 to an exact five (2,7 is the opponent's) and makes
    // seven in a row on column 7: the five wins, the overline does not count.
    const std::vector<std::string_view> rows = {
        "o",        "",         "",         "",         "       x", "       x", "       x", "  oxxxx+",
        "       x", "       x", "       x", "",         "",         "",         "o            o"};
    Outcome out = forbidListAndReply(engine, rows);
    EXPECT_EQ(out.reply, "7,7");
    sendLine(engine, "END");
    EXPECT_EQ(waitForExit(engine), 0);
}

}  // namespace
