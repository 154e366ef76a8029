// End-to-end checks that a move request always gets a legal reply while the
// board has an empty cell: when every answer to a four is forbidden for
// black, when YXBLOCK takes away every cell near the stones or all cells but
// one far away, and when black's only answers are blocked. The information
// line before the reply then shows a searched move and a readable score.
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "support/engine_process.h"
#include "support/protocol_script.h"

namespace {

constexpr int SIZE = 15;

struct Cell {
    int x, y;
    auto operator<=>(const Cell&) const = default;
};

std::string text(Cell c) { return std::to_string(c.x) + "," + std::to_string(c.y); }

// The stones of a drawing ('x' and 'o'), as cells.
std::set<Cell> stonesOf(const std::vector<std::string_view>& rows) {
    std::set<Cell> cells;
    for (size_t y = 0; y < rows.size(); ++y)
        for (size_t x = 0; x < rows[y].size(); ++x)
            if (rows[y][x] == 'x' || rows[y][x] == 'o') cells.insert({int(x), int(y)});
    return cells;
}

// Every empty cell within the given distance (in both coordinates) of a stone.
std::set<Cell> cellsNear(const std::set<Cell>& stones, int distance) {
    std::set<Cell> near;
    for (Cell s : stones)
        for (int x = s.x - distance; x <= s.x + distance; ++x)
            for (int y = s.y - distance; y <= s.y + distance; ++y)
                if (x >= 0 && y >= 0 && x < SIZE && y < SIZE && !stones.count({x, y})) near.insert({x, y});
    return near;
}

std::set<Cell> allEmptyCellsBut(const std::set<Cell>& stones, Cell kept) {
    std::set<Cell> cells;
    for (int x = 0; x < SIZE; ++x)
        for (int y = 0; y < SIZE; ++y)
            if (!stones.count({x, y}) && Cell{x, y} != kept) cells.insert({x, y});
    return cells;
}

struct Case {
    const char* name;
    std::vector<std::string_view> rows;  // 'x' the engine (black when it has stones), 'o' the opponent
    std::set<Cell> blocked;
    std::set<Cell> refused;  // empty cells that must not be the reply besides the blocked ones
    std::optional<Cell> only;  // the one reply possible, when there is one
};

// Black (x) to move; white's four on the falling diagonal 8,8 .. 11,11 is
// closed at 12,12 and completes at 7,7, where black's open threes on row 7
// and column 7 cross: the only block is a forbidden double three.
const std::vector<std::string_view> FORBIDDEN_BLOCK = {
    "o",
    "",
    "",
    "",
    "",
    "       x",
    "       x",
    "     xx",
    "        o",
    "         o",
    "          o",
    "           o",
    "            x",
};

// Black (x) to move; white's four on the rising diagonal 2,11 .. 5,8 is
// closed at 1,12 and completes at 6,7. The fast verdict of the search lets
// black block there (and sees an open four), but with 6,7 standing black has
// two real open threes (column 6 and row 7): the Renju rule forbids the only
// block.
const std::vector<std::string_view> BLOCK_ONLY_THE_RULE_FORBIDS = {
    "o",
    "",
    "          x",
    "          x",
    "       o   xx",
    "    x x  x",
    "     xx x",
    "  o xx   o",
    "     o x",
    "  o o  x",
    "   o",
    "  o",
    " x",
    "",
    "o            o",
};

// Black (x) to move must stop white's closed four on the same diagonal at 7,7.
const std::vector<std::string_view> FOUR_TO_BLOCK = {
    "",
    "",
    "",
    "",
    "",
    "       x",
    "      x",
    "      x",
    "        o",
    "         o",
    "          o",
    "           o",
    "            x",
};

// A quiet opening in the middle of the board.
const std::vector<std::string_view> OPENING = {
    "", "", "", "", "", "", "",
    "       x",
    "       oo",
    "      x",
};

std::vector<Case> cases() {
    return {
        {"the only block of a four is forbidden for black", FORBIDDEN_BLOCK, {}, {{7, 7}}, {}},
        {"the only block is forbidden by the rule but not by the fast verdict", BLOCK_ONLY_THE_RULE_FORBIDS, {},
         {{6, 7}}, {}},
        {"YXBLOCK removes every cell near the stones", OPENING, cellsNear(stonesOf(OPENING), 4), {}, {}},
        {"YXBLOCK leaves one far cell only", OPENING, allEmptyCellsBut(stonesOf(OPENING), {0, 14}), {}, Cell{0, 14}},
        {"black must answer a four and the answer is blocked", FOUR_TO_BLOCK, {{7, 7}}, {}, {}},
    };
}

TEST(LegalReplyE2E, EveryReplyIsALegalUnblockedCell) {
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.name);
        EngineProcess engine = startEngine();
        sendLine(engine, "INFO TIMEOUT_TURN 500");
        sendLine(engine, "START " + std::to_string(SIZE));
        ASSERT_EQ(readLine(engine), "OK");
        if (!c.blocked.empty()) {
            std::vector<std::string> lines;
            for (Cell b : c.blocked) lines.push_back(text(b));
            sendBlock(engine, "YXBLOCK", lines);
        }
        sendBlock(engine, "BOARD", stoneLines(c.rows));
        const std::vector<std::string> lines = readUntilReply(engine, 5000);
        ASSERT_GE(lines.size(), 2u);
        const std::string& reply = lines.back();
        ASSERT_TRUE(isMoveReply(reply)) << reply;
        const int x = std::stoi(reply), y = std::stoi(reply.substr(reply.find(',') + 1));
        const Cell move{x, y};
        EXPECT_TRUE(x < SIZE && y < SIZE) << reply;
        EXPECT_FALSE(stonesOf(c.rows).count(move)) << reply << " is taken";
        EXPECT_FALSE(c.blocked.count(move)) << reply << " is blocked";
        EXPECT_FALSE(c.refused.count(move)) << reply << " is forbidden";
        if (c.only) {
            EXPECT_EQ(move, *c.only) << reply;
        }
        // The line before the reply shows the searched move with a score.
        const std::string& info = lines[lines.size() - 2];
        EXPECT_TRUE(std::regex_search(info, std::regex("^MESSAGE depth [0-9]+-[0-9]+ ev (-?[0-9]+|[+-]M[0-9]+) ")))
            << info;
        EXPECT_TRUE(std::regex_search(info, std::regex(" pv [a-zA-Z]")) && info.find("(none)") == std::string::npos)
            << info;
        sendLine(engine, "END");
        EXPECT_EQ(waitForExit(engine), 0);
    }
}

TEST(LegalReplyE2E, AGameAlreadyDecidedIsAnsweredWithZeroZeroAndNothingElse) {
    // The opponent's five stands on row 7. The engine answers 0,0 without a
    // search line and puts nothing on the board: 0,0 may be taken (first
    // case) or empty (second), and TAKEBACK 0,0 finds no stone there.
    for (const char* corner : {"0,0,1", "1,0,1"}) {
        SCOPED_TRACE(corner);
        EngineProcess engine = startEngine();
        sendLine(engine, "START 15");
        ASSERT_EQ(readLine(engine), "OK");
        sendBlock(engine, "BOARD",
                  {"3,7,2", corner, "4,7,2", "0,2,1", "5,7,2", "0,4,1", "6,7,2", "0,6,1", "7,7,2"});
        EXPECT_EQ(readLine(engine), "0,0");  // no refused-stone report before it
        // Had the engine put a stone on 0,0, it would be the last one and
        // TAKEBACK would take it.
        sendLine(engine, "TAKEBACK 0,0");
        EXPECT_EQ(readLine(engine), "ERROR takeback move [0,0]");
        sendLine(engine, "END");
        EXPECT_EQ(waitForExit(engine), 0);
    }
}

}  // namespace
