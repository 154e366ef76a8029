// End-to-end checks of the game rules INFO RULE chooses (0 freestyle, 1
// standard, 2 and 4 renju), through the real engine: drawn positions where
// the rules call for different replies (a cell that makes six, alone or
// beside a five point, for the engine and for the opponent; black's double
// three; an exact five for either colour) together with the forbidden points
// YXSHOWFORBID prints, only under renju; when a rule takes effect (before or
// after START, between games, with stones standing) and that an unsupported
// value changes nothing; and self-play games between two engine processes,
// every move judged by the test's own board: an empty cell, never forbidden
// for renju's black, a win taken whenever one is there, and the game over at
// the first five the rule counts, which the losing engine sees too.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "board/exact_forbidden.h"
#include "board/types.h"
#include "support/engine_process.h"
#include "support/protocol_script.h"

namespace {

constexpr int SIZE = 15;
constexpr int FREESTYLE = 0, STANDARD = 1, RENJU = 2;

using Drawing = std::vector<std::string_view>;

// Board lines of a drawing ('x' the engine, who 1; 'o' the opponent, who 2)
// with the black side's stones first, since the first line decides who is
// black.
std::vector<std::string> boardLines(const Drawing& rows, bool engineIsBlack) {
    std::vector<std::string> lines = stoneLines(rows);  // the engine's first
    if (!engineIsBlack)
        std::stable_partition(lines.begin(), lines.end(), [](const std::string& line) { return line.back() == '2'; });
    return lines;
}

void startGame(EngineProcess& engine) {
    sendLine(engine, "START " + std::to_string(SIZE));
    EXPECT_EQ(readLine(engine), "OK");
}

// What YXSHOWFORBID prints. It prints nothing when no cell is forbidden, so
// an ABOUT after it marks the end of its answer.
std::vector<std::string> forbidLines(EngineProcess& engine) {
    sendLine(engine, "YXSHOWFORBID");
    sendLine(engine, "ABOUT");
    std::vector<std::string> lines =
        readLinesThrough(engine, [](const std::string& line) { return line.rfind("name=", 0) == 0; });
    EXPECT_FALSE(lines.empty() || lines.back().rfind("name=", 0) != 0) << "no ABOUT line";
    if (!lines.empty()) lines.pop_back();
    return lines;
}

// A move request on the stones standing: an empty BOARD block adds nothing.
// The reply, or "" when none came.
std::string replyHere(EngineProcess& engine) {
    sendBlock(engine, "BOARD", {});
    const std::vector<std::string> lines = readUntilReply(engine, 5000);
    return !lines.empty() && isMoveReply(lines.back()) ? lines.back() : "";
}

// ---------------------------------------------------------------------------
// Drawn positions, 15 x 15, the engine ('x') to move
// ---------------------------------------------------------------------------

// The engine's stones on row 7 (3, 4, 5, 7, 8; the opponent's at 2 and 9)
// make six in a row if it fills the gap 6,7, and nothing else: 6,7 is its
// only cell for five or more. The opponent's four on column 12 (2..5, the
// engine's stone at 12,1) completes at 12,6 only. So:
// - freestyle: 6,7 is a six and wins on the spot;
// - standard: the six wins nothing, and any move but the block at 12,6 loses
//   to the opponent's five;
// - renju, the engine black: the six is a forbidden overline, so it blocks
//   at 12,6 (and YXSHOWFORBID lists 6,7);
// - renju, the engine white: five or more wins for white, so 6,7.
// The engine as white needs one black stone more: the opponent's at 0,14.
const Drawing OWN_GAP_SIX_BLACK = {
    "",
    "            x",
    "            o",
    "            o",
    "            o",
    "            o",
    "",
    "  oxxx.xxo",
};
const Drawing OWN_GAP_SIX_WHITE = {
    "",
    "            x",
    "            o",
    "            o",
    "            o",
    "            o",
    "",
    "  oxxx.xxo",
    "", "", "", "", "", "",
    "o",
};

// The mirror case: the opponent's stones on row 7 make six at 6,7 (bounded
// by the engine's at 2,7 and 9,7), while the engine has an open three on
// column 12 (4..6, open at 12,3 and 12,7 and beyond), no four anywhere.
// Where the opponent's six wins (freestyle; renju with the opponent white)
// the only move that does not lose at once is 6,7. Where it does not
// (standard; renju with the opponent black, for whom it is a forbidden
// overline) the opponent has no five point, and the open four at 12,3 or
// 12,7 wins two moves later, the quickest win there is.
const Drawing OPPONENT_GAP_SIX_BLACK = {
    "",
    "",
    "",
    "",
    "            x",
    "            x",
    "            x",
    "  xooo.oox",
};
const Drawing OPPONENT_GAP_SIX_WHITE = {
    "",
    "",
    "",
    "",
    "            x",
    "            x",
    "            x",
    "  xooo.oox",
    "", "", "", "", "", "",
    "o",
};

// Two open twos of the engine, on row 7 (5, 6) and column 7 (5, 6), cross at
// 7,7; the opponent's stones sit in the corners and threaten nothing. 7,7
// makes two open threes, and no other cell makes two: it is the one move
// that wins by force in three of the engine's moves (the opponent can stop
// one three, the other becomes an open four). For renju's black it is a
// forbidden double three; for white it is a win under every rule.
const Drawing DOUBLE_THREE_BLACK = {
    "o             o",
    "",
    "",
    "",
    "",
    "       x",
    "       x",
    "     xx",
    "", "", "", "", "", "",
    "o             o",
};
const Drawing DOUBLE_THREE_WHITE = {
    "o             o",
    " o",
    "",
    "",
    "",
    "       x",
    "       x",
    "     xx",
    "", "", "", "", "", "",
    "o             o",
};

// The engine's four on row 7 (3..6, the opponent's stone at 2,7) completes
// at 7,7 to exactly five, with the opponent's four on column 12 (completing
// at 12,6) to ignore: the five comes first under every rule, for either
// colour.
const Drawing FIVE_BLACK = {
    "",
    "            x",
    "            o",
    "            o",
    "            o",
    "            o",
    "",
    "  oxxxx",
};
const Drawing FIVE_WHITE = {
    "",
    "            x",
    "            o",
    "            o",
    "            o",
    "            o",
    "",
    "  oxxxx",
    "", "", "", "", "", "",
    "o",
};

// The engine's four on row 7 (4..7) completes at 3,7 to exactly five (the
// opponent's stone at 2,7); its stone at 9,7 beyond the gap 8,7 makes that
// cell a six (bounded by the opponent's 10,7). The opponent's four on
// column 12 completes at 12,6, so the engine must win now. 3,7 wins under
// every rule; 8,7 wins only where five or more does (freestyle, renju's
// white) and is a forbidden overline for renju's black.
const Drawing OWN_FOUR_BESIDE_SIX_BLACK = {
    "",
    "            x",
    "            o",
    "            o",
    "            o",
    "            o",
    "",
    "  o.xxxx.xo",
};
const Drawing OWN_FOUR_BESIDE_SIX_WHITE = {
    "",
    "            x",
    "            o",
    "            o",
    "            o",
    "            o",
    "",
    "  o.xxxx.xo",
    "", "", "", "", "", "",
    "o",
};

// The same shape for the opponent (4..7 and 9 on row 7, the engine's stones
// at 2,7 and 10,7), the engine with nothing of its own: where only exactly
// five wins for the opponent (standard; renju with the opponent black, for
// whom 8,7 is forbidden) the four has one completion, 3,7, and that is the
// block. (Where a six wins too the opponent has two fives and the engine is
// lost: no case.)
const Drawing OPPONENT_FOUR_BESIDE_SIX_BLACK = {
    "x             x",
    "",
    "",
    "",
    "",
    "",
    "",
    "  x.oooo.ox",
    "", "", "", "", "", "",
    "              x",
};
const Drawing OPPONENT_FOUR_BESIDE_SIX_WHITE = {
    "x             x",
    "",
    "",
    "",
    "",
    "",
    "",
    "  x.oooo.ox",
};

struct PositionCase {
    const char* name;
    int rule;  // the INFO RULE value sent
    bool engineIsBlack;
    Drawing rows;
    std::set<std::string> replies;  // the reply is one of these (empty: any but the refused)
    std::set<std::string> refused;
    std::string forbid;  // what YXSHOWFORBID prints, "" for nothing
};

std::vector<PositionCase> positionCases() {
    const Drawing& ob = OWN_GAP_SIX_BLACK;
    const Drawing& ow = OWN_GAP_SIX_WHITE;
    const Drawing& pb = OPPONENT_GAP_SIX_BLACK;
    const Drawing& pw = OPPONENT_GAP_SIX_WHITE;
    const Drawing& db = DOUBLE_THREE_BLACK;
    const Drawing& dw = DOUBLE_THREE_WHITE;
    const std::set<std::string> openFour = {"12,3", "12,7"};
    const Drawing& fb = OWN_FOUR_BESIDE_SIX_BLACK;
    const Drawing& fw = OWN_FOUR_BESIDE_SIX_WHITE;
    const Drawing& qb = OPPONENT_FOUR_BESIDE_SIX_BLACK;
    const Drawing& qw = OPPONENT_FOUR_BESIDE_SIX_WHITE;
    const std::set<std::string> eitherEnd = {"3,7", "8,7"};
    return {
        {"own six, freestyle, black", FREESTYLE, true, ob, {"6,7"}, {}, ""},
        {"own six, freestyle, white", FREESTYLE, false, ow, {"6,7"}, {}, ""},
        {"own six, standard, black", STANDARD, true, ob, {"12,6"}, {}, ""},
        {"own six, standard, white", STANDARD, false, ow, {"12,6"}, {}, ""},
        {"own six, renju, black", RENJU, true, ob, {"12,6"}, {}, "FORBID 0607."},
        {"own six, renju (4), black", 4, true, ob, {"12,6"}, {}, "FORBID 0607."},
        {"own six, renju, white", RENJU, false, ow, {"6,7"}, {}, ""},

        {"opponent's six, freestyle, black", FREESTYLE, true, pb, {"6,7"}, {}, ""},
        {"opponent's six, freestyle, white", FREESTYLE, false, pw, {"6,7"}, {}, ""},
        {"opponent's six, standard, black", STANDARD, true, pb, openFour, {}, ""},
        {"opponent's six, standard, white", STANDARD, false, pw, openFour, {}, ""},
        {"opponent's six, renju, black", RENJU, true, pb, {"6,7"}, {}, ""},
        {"opponent's six, renju, white", RENJU, false, pw, openFour, {}, "FORBID 0607."},

        {"own four beside a six, freestyle, black", FREESTYLE, true, fb, eitherEnd, {}, ""},
        {"own four beside a six, freestyle, white", FREESTYLE, false, fw, eitherEnd, {}, ""},
        {"own four beside a six, standard, black", STANDARD, true, fb, {"3,7"}, {}, ""},
        {"own four beside a six, standard, white", STANDARD, false, fw, {"3,7"}, {}, ""},
        {"own four beside a six, renju, black", RENJU, true, fb, {"3,7"}, {}, "FORBID 0807."},
        {"own four beside a six, renju, white", RENJU, false, fw, eitherEnd, {}, ""},

        {"opponent's four beside a six, standard, black", STANDARD, true, qb, {"3,7"}, {}, ""},
        {"opponent's four beside a six, standard, white", STANDARD, false, qw, {"3,7"}, {}, ""},
        {"opponent's four beside a six, renju, white", RENJU, false, qw, {"3,7"}, {}, "FORBID 0807."},

        {"double three, freestyle, black", FREESTYLE, true, db, {"7,7"}, {}, ""},
        {"double three, standard, black", STANDARD, true, db, {"7,7"}, {}, ""},
        {"double three, renju, black", RENJU, true, db, {}, {"7,7"}, "FORBID 0707."},
        {"double three, renju (4), black", 4, true, db, {}, {"7,7"}, "FORBID 0707."},
        {"double three, renju, white", RENJU, false, dw, {"7,7"}, {}, ""},

        {"five, freestyle, black", FREESTYLE, true, FIVE_BLACK, {"7,7"}, {}, ""},
        {"five, freestyle, white", FREESTYLE, false, FIVE_WHITE, {"7,7"}, {}, ""},
        {"five, standard, black", STANDARD, true, FIVE_BLACK, {"7,7"}, {}, ""},
        {"five, standard, white", STANDARD, false, FIVE_WHITE, {"7,7"}, {}, ""},
        {"five, renju, black", RENJU, true, FIVE_BLACK, {"7,7"}, {}, ""},
        {"five, renju, white", RENJU, false, FIVE_WHITE, {"7,7"}, {}, ""},
    };
}

TEST(RulesE2E, DrawnPositionsGetTheReplyTheirRuleCallsFor) {
    for (const PositionCase& c : positionCases()) {
        SCOPED_TRACE(c.name);
        EngineProcess engine = startEngine();
        sendLine(engine, "INFO TIMEOUT_TURN 300");
        sendLine(engine, "INFO RULE " + std::to_string(c.rule));
        startGame(engine);
        sendBlock(engine, "YXBOARD", boardLines(c.rows, c.engineIsBlack));
        const std::vector<std::string> expected =
            c.forbid.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.forbid};
        EXPECT_EQ(forbidLines(engine), expected);
        const std::string reply = replyHere(engine);
        ASSERT_TRUE(isMoveReply(reply)) << "no reply";
        if (!c.replies.empty()) {
            EXPECT_TRUE(c.replies.count(reply)) << reply;
        }
        EXPECT_FALSE(c.refused.count(reply)) << reply;
        sendLine(engine, "END");
        EXPECT_EQ(waitForExit(engine), 0);
    }
}

// ---------------------------------------------------------------------------
// When a rule takes effect
// ---------------------------------------------------------------------------

// The double three as a move request: whether the engine (black) plays 7,7.
bool playsTheDoubleThree(EngineProcess& engine) {
    sendBlock(engine, "BOARD", boardLines(DOUBLE_THREE_BLACK, true));
    const std::vector<std::string> lines = readUntilReply(engine, 5000);
    EXPECT_TRUE(!lines.empty() && isMoveReply(lines.back())) << "no reply";
    return !lines.empty() && lines.back() == "7,7";
}

TEST(RulesE2E, TheRuleTakesEffectBeforeOrAfterStartAndBetweenGames) {
    // One engine plays these games in turn; each row's rule is sent either
    // before the START of its game or right after it. Without INFO RULE the
    // game is renju at first, later the rule of the game before.
    struct Game {
        std::optional<int> rule;  // nothing: no INFO RULE
        bool beforeStart;
        bool doubleThreeAllowed;
    };
    const Game games[] = {
        {std::nullopt, true, false}, {FREESTYLE, true, true}, {RENJU, false, false}, {STANDARD, false, true},
        {std::nullopt, true, true},  {4, true, false},        {FREESTYLE, false, true}, {std::nullopt, true, true},
    };
    EngineProcess engine = startEngine();
    sendLine(engine, "INFO TIMEOUT_TURN 300");
    for (const Game& g : games) {
        const char* when = g.beforeStart ? " before START" : " after START";
        SCOPED_TRACE(g.rule ? "INFO RULE " + std::to_string(*g.rule) + when : std::string("no INFO RULE"));
        if (g.rule && g.beforeStart) sendLine(engine, "INFO RULE " + std::to_string(*g.rule));
        startGame(engine);
        if (g.rule && !g.beforeStart) sendLine(engine, "INFO RULE " + std::to_string(*g.rule));
        EXPECT_EQ(playsTheDoubleThree(engine), g.doubleThreeAllowed);
    }
    sendLine(engine, "END");
    EXPECT_EQ(waitForExit(engine), 0);
}

TEST(RulesE2E, AnUnsupportedRuleIsRefusedAndTheRuleStays) {
    struct Case {
        std::optional<int> before;  // the rule in force
        std::string unsupported;    // as sent; the error names it as the engine read it
        bool doubleThreeAllowed;    // under the rule in force
    };
    const Case cases[] = {
        {std::nullopt, "7", false}, {FREESTYLE, "7", true}, {STANDARD, "3", true}, {RENJU, "5", false},
        {FREESTYLE, "100", true},
        // Not plain digits: no rule, whatever number a reader could see in it.
        {FREESTYLE, "-1", true}, {FREESTYLE, "1.5", true}, {STANDARD, "2X", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("INFO RULE " + c.unsupported);
        EngineProcess engine = startEngine();
        sendLine(engine, "INFO TIMEOUT_TURN 300");
        if (c.before) sendLine(engine, "INFO RULE " + std::to_string(*c.before));
        sendLine(engine, "INFO RULE " + c.unsupported);
        EXPECT_EQ(readLine(engine), "ERROR unsupported rule " + c.unsupported);
        startGame(engine);
        // The same refusal in a game, with the double three standing.
        sendBlock(engine, "YXBOARD", boardLines(DOUBLE_THREE_BLACK, true));
        sendLine(engine, "INFO RULE " + c.unsupported);
        EXPECT_EQ(readLine(engine), "ERROR unsupported rule " + c.unsupported);
        const std::vector<std::string> forbid = forbidLines(engine);
        EXPECT_EQ(forbid, c.doubleThreeAllowed ? std::vector<std::string>{}
                                               : std::vector<std::string>{"FORBID 0707."});
        const std::string reply = replyHere(engine);
        ASSERT_TRUE(isMoveReply(reply)) << "no reply";
        EXPECT_EQ(reply == "7,7", c.doubleThreeAllowed) << reply;
        sendLine(engine, "END");
        EXPECT_EQ(waitForExit(engine), 0);
    }
}

TEST(RulesE2E, AChangeWithStonesStandingAppliesAtOnce) {
    EngineProcess engine = startEngine();
    sendLine(engine, "INFO TIMEOUT_TURN 300");
    startGame(engine);
    // The double three is forbidden under renju only, and INFO RULE itself
    // prints nothing (forbidLines would see it before the ABOUT line).
    sendBlock(engine, "YXBOARD", boardLines(DOUBLE_THREE_BLACK, true));
    const std::vector<std::string> listed = {"FORBID 0707."};
    const std::vector<std::string> none = {};
    EXPECT_EQ(forbidLines(engine), listed);
    const std::pair<int, const std::vector<std::string>*> steps[] = {
        {FREESTYLE, &none}, {RENJU, &listed}, {STANDARD, &none}, {4, &listed}, {FREESTYLE, &none},
    };
    for (const auto& [rule, expected] : steps) {
        SCOPED_TRACE("INFO RULE " + std::to_string(rule));
        sendLine(engine, "INFO RULE " + std::to_string(rule));
        EXPECT_EQ(forbidLines(engine), *expected);
    }
    // The search sees the new rule too: freestyle, so the double three.
    EXPECT_EQ(replyHere(engine), "7,7");
    sendLine(engine, "END");
    EXPECT_EQ(waitForExit(engine), 0);

    // The engine's filled gap makes six (OWN_GAP_SIX_BLACK): a win where
    // five or more wins, otherwise the opponent's four must be blocked. The
    // stones are set up under one rule and searched under the other.
    struct Change {
        int from, to;
        const char* reply;
    };
    const Change changes[] = {
        {RENJU, FREESTYLE, "6,7"}, {FREESTYLE, RENJU, "12,6"}, {FREESTYLE, STANDARD, "12,6"},
        {STANDARD, FREESTYLE, "6,7"}, {STANDARD, RENJU, "12,6"},
    };
    for (const Change& c : changes) {
        SCOPED_TRACE("INFO RULE " + std::to_string(c.from) + " then " + std::to_string(c.to));
        EngineProcess other = startEngine();
        sendLine(other, "INFO TIMEOUT_TURN 300");
        sendLine(other, "INFO RULE " + std::to_string(c.from));
        startGame(other);
        sendBlock(other, "YXBOARD", boardLines(OWN_GAP_SIX_BLACK, true));
        sendLine(other, "INFO RULE " + std::to_string(c.to));
        EXPECT_EQ(replyHere(other), c.reply);
        sendLine(other, "END");
        EXPECT_EQ(waitForExit(other), 0);
    }
}

// ---------------------------------------------------------------------------
// Self-play
// ---------------------------------------------------------------------------

constexpr uint32_t BLACK = COLOUR_X, WHITE = COLOUR_O;  // in the test's board
constexpr int DIRECTIONS[4][2] = {{1, 0}, {0, 1}, {1, -1}, {1, 1}};
// The games below end within 13 to 55 moves; a game still going here is
// taken as one the engines cannot end.
constexpr int MOVE_LIMIT = 150;

struct Cell {
    int x, y;
};

std::string text(Cell c) { return std::to_string(c.x) + "," + std::to_string(c.y); }

// The test's own board: cells as the exact forbidden test reads them.
struct Referee {
    int rule;
    std::vector<uint32_t> cells = std::vector<uint32_t>(BOARD_CELLS, 0);

    bool onBoard(int x, int y) const { return x >= 0 && y >= 0 && x < SIZE && y < SIZE; }
    uint32_t at(int x, int y) const { return cells[cellIndex(x, y)]; }

    // The run of the colour's stones through the cell in one direction, the
    // cell itself counted as the colour's.
    int runThrough(Cell c, uint32_t colour, const int* step) const {
        int length = 1;
        for (int sign : {1, -1})
            for (int x = c.x + sign * step[0], y = c.y + sign * step[1]; onBoard(x, y) && at(x, y) == colour;
                 x += sign * step[0], y += sign * step[1])
                ++length;
        return length;
    }

    // Whether the colour's stone on the cell makes a five the rule counts:
    // exactly five for both in standard and for black in renju, five or more
    // otherwise. One such line is enough (a renju black exact five wins
    // whatever else the stone makes).
    bool makesWin(Cell c, uint32_t colour) const {
        const bool exact = rule == STANDARD || (rule == RENJU && colour == BLACK);
        for (const int* step : DIRECTIONS) {
            const int length = runThrough(c, colour, step);
            if (exact ? length == 5 : length >= 5) return true;
        }
        return false;
    }

    // Six or more through the cell (for the report: a standard six goes on).
    bool makesOverline(Cell c, uint32_t colour) const {
        for (const int* step : DIRECTIONS)
            if (runThrough(c, colour, step) >= 6) return true;
        return false;
    }

    bool forbidden(Cell c) const {
        return rule == RENJU && isExactlyForbidden(cells.data(), SIZE, BLACK, cellIndex(c.x, c.y));
    }

    int forbiddenCellCount() const {
        int count = 0;
        for (int x = 0; x < SIZE; ++x)
            for (int y = 0; y < SIZE; ++y) count += at(x, y) == 0 && forbidden({x, y});
        return count;
    }

    // Some empty cell where the colour wins and may play.
    std::optional<Cell> winningCell(uint32_t colour) const {
        for (int x = 0; x < SIZE; ++x)
            for (int y = 0; y < SIZE; ++y)
                if (at(x, y) == 0 && makesWin({x, y}, colour) && !(colour == BLACK && forbidden({x, y})))
                    return Cell{x, y};
        return std::nullopt;
    }
};

// The moves in order, for failure messages.
std::string gameText(const std::vector<Cell>& moves) {
    std::string out;
    for (Cell c : moves) {
        out += ' ';
        out += text(c);
    }
    return out;
}

struct SelfPlay {
    const char* name;
    int rule;
    std::vector<Cell> opening = {};  // black first, alternating; empty: BEGIN
    // What the opening is there to show:
    const char* firstReply = nullptr;  // the one right first reply, when there is one
    bool endsAtFirstReply = false;
    bool overlineGoesOn = false;       // a six stands and the game goes on
    bool forbiddenCellsArise = false;  // black meets forbidden cells (renju)
    // Nodes a move: the budget decides which game is played, and a game
    // that fills the board shows no five.
    int nodes = 20000;
};

struct GameRecord {
    int moves = 0;  // stones on the board at the end, the opening's included
    uint32_t winner = 0;
    int overlines = 0;  // sixes or more that stood without ending the game
    int turnsWithForbiddenCells = 0;  // black's, under renju
    std::string firstReply;
};

void PrintTo(const SelfPlay& s, std::ostream* out) { *out << s.name; }

// Plays one game between two engines (the first black), passing each reply
// to the other side, and judges every move on the test's own board. A node
// budget (some 15 ms a move) rather than the clock ends each search, so a
// game is the same on every run of a build; on the clock alone the games
// differed from run to run and a few ran past the move limit. The turn time
// is only a cap.
void playGame(const SelfPlay& setup, GameRecord& record) {
    Referee referee{setup.rule};
    EngineProcess engines[2] = {startEngine(), startEngine()};
    for (EngineProcess& engine : engines) {
        sendLine(engine, "INFO TIMEOUT_TURN 1000");
        sendLine(engine, "INFO MAX_NODE " + std::to_string(setup.nodes));
        sendLine(engine, "INFO RULE " + std::to_string(setup.rule));
        startGame(engine);
    }
    std::vector<Cell> moves;
    auto put = [&](Cell c) {
        referee.cells[cellIndex(c.x, c.y)] = moves.size() % 2 == 0 ? BLACK : WHITE;
        moves.push_back(c);
    };
    for (Cell c : setup.opening) put(c);
    // Asks the side to move for its move: the last move when its engine has
    // the game before it, otherwise the whole game.
    bool told[2] = {false, false};
    auto request = [&](int side) {
        EngineProcess& engine = engines[side];
        if (told[side]) {
            sendLine(engine, "TURN " + text(moves.back()));
        } else if (moves.empty()) {
            sendLine(engine, "BEGIN");
        } else if (moves.size() == 1) {
            sendLine(engine, "TURN " + text(moves.back()));  // the opponent opened an empty board
        } else {
            std::vector<std::string> lines;
            for (size_t i = 0; i < moves.size(); ++i)
                lines.push_back(text(moves[i]) + (int(i % 2) == side ? ",1" : ",2"));
            sendBlock(engine, "BOARD", lines);
        }
        told[side] = true;
    };
    while (record.winner == 0) {
        ASSERT_LT(int(moves.size()), MOVE_LIMIT) << "no five after " << moves.size() << " moves:" << gameText(moves);
        const int side = int(moves.size() % 2);
        const uint32_t colour = side == 0 ? BLACK : WHITE;
        EngineProcess& engine = engines[side];
        request(side);
        const std::optional<Cell> win = referee.winningCell(colour);
        const std::vector<std::string> lines = readUntilReply(engine, 5000);
        const std::string where = std::string(colour == BLACK ? "black" : "white") + " at move " +
                                  std::to_string(moves.size() + 1);
        ASSERT_FALSE(lines.empty()) << "no reply for " << where;
        const std::string& reply = lines.back();
        ASSERT_TRUE(isMoveReply(reply)) << where << ": " << reply;
        // A searched move: the information line comes first (a bare 0,0
        // would mean the engine takes the game for decided).
        ASSERT_GE(lines.size(), 2u) << where << ": " << reply << " without an information line";
        EXPECT_EQ(lines[lines.size() - 2].rfind("MESSAGE depth ", 0), 0u) << where << ": " << lines[lines.size() - 2];
        const Cell move{std::stoi(reply), std::stoi(reply.substr(reply.find(',') + 1))};
        ASSERT_TRUE(referee.onBoard(move.x, move.y)) << where << ": " << reply;
        ASSERT_EQ(referee.at(move.x, move.y), 0u) << where << ": " << reply << " is taken";
        if (colour == BLACK && referee.rule == RENJU) {
            EXPECT_FALSE(referee.forbidden(move)) << where << ": " << reply << " is forbidden";
            record.turnsWithForbiddenCells += referee.forbiddenCellCount() > 0;
        }
        const bool wins = referee.makesWin(move, colour);
        if (record.firstReply.empty()) record.firstReply = reply;
        if (win) {
            EXPECT_TRUE(wins) << where << ": " << reply << " lets the win at " << text(*win) << " go";
        }
        if (!wins && referee.makesOverline(move, colour)) ++record.overlines;
        put(move);
        if (wins) record.winner = colour;
    }
    record.moves = int(moves.size());
    // The loser's engine, given the winning move, sees the game decided too:
    // 0,0 without a search. (When 0,0 is taken it also prints lines about
    // putting its 0,0 on the board; those are not this test's concern.)
    const int loser = int(moves.size() % 2);
    request(loser);
    const std::vector<std::string> last = readUntilReply(engines[loser], 5000);
    ASSERT_FALSE(last.empty());
    EXPECT_EQ(last.back(), "0,0");
    for (const std::string& line : last) EXPECT_NE(line.rfind("MESSAGE depth ", 0), 0u) << line;
    for (EngineProcess& engine : engines) {
        sendLine(engine, "END");
        EXPECT_EQ(waitForExit(engine), 0);
    }
}

class SelfPlayGame : public ::testing::TestWithParam<SelfPlay> {};

TEST_P(SelfPlayGame, EndsWithAFiveTheRuleCounts) {
    GameRecord record;
    playGame(GetParam(), record);
    if (HasFatalFailure()) return;
    const SelfPlay& setup = GetParam();
    EXPECT_NE(record.winner, 0u);
    if (setup.firstReply) {
        EXPECT_EQ(record.firstReply, setup.firstReply);
    }
    EXPECT_EQ(record.moves == int(setup.opening.size()) + 1, setup.endsAtFirstReply) << record.moves << " moves";
    if (setup.overlineGoesOn) {
        EXPECT_GE(record.overlines, 1);
    }
    if (setup.forbiddenCellsArise) {
        EXPECT_GE(record.turnsWithForbiddenCells, 1);
    }
    std::printf("%s: %d moves, %s wins, %d overline(s) that did not end the game, %d black turn(s) with "
                "forbidden cells\n",
                setup.name, record.moves, record.winner == BLACK ? "black" : "white", record.overlines,
                record.turnsWithForbiddenCells);
}

// A direct opening (black 7,7 and 8,8, white 8,7) or the engine's own from
// BEGIN, under each rule.
const std::vector<Cell> DIRECT_OPENING = {{7, 7}, {8, 7}, {8, 8}};

// White to move. Black's four on column 6 (3..6, white's stone at 6,2)
// completes at 6,7, where white's stones on row 7 (3, 4, 5, 7, 8, black's
// at 2,7 and 9,7) make six: a win for white in freestyle and renju; in
// standard the only block, after which the game goes on with the six on the
// board. Black's 7,9 evens the count.
const std::vector<Cell> SIX_TO_BLOCK = {{6, 3}, {6, 2}, {6, 4}, {3, 7}, {6, 5}, {4, 7}, {6, 6},
                                        {5, 7}, {2, 7}, {7, 7}, {9, 7}, {8, 7}, {7, 9}};

// Black to move with the double three of DOUBLE_THREE_BLACK at 7,7, white's
// stones in the corners: black's quickest win where it may play it, a
// forbidden cell in renju.
const std::vector<Cell> DOUBLE_THREE_OPENING = {{7, 5}, {0, 0}, {7, 6}, {14, 0}, {5, 7}, {0, 14}, {6, 7}, {14, 14}};

const SelfPlay SELF_PLAY[] = {
    {.name = "freestyle_from_BEGIN", .rule = FREESTYLE},
    {.name = "freestyle_from_an_opening", .rule = FREESTYLE, .opening = DIRECT_OPENING},
    {.name = "freestyle_six_wins", .rule = FREESTYLE, .opening = SIX_TO_BLOCK, .firstReply = "6,7",
     .endsAtFirstReply = true},
    {.name = "freestyle_double_three", .rule = FREESTYLE, .opening = DOUBLE_THREE_OPENING, .firstReply = "7,7"},
    // At 20,000 nodes this game fills the board.
    {.name = "standard_from_BEGIN", .rule = STANDARD, .nodes = 30000},
    {.name = "standard_from_an_opening", .rule = STANDARD, .opening = DIRECT_OPENING},
    {.name = "standard_six_blocks_and_play_goes_on", .rule = STANDARD, .opening = SIX_TO_BLOCK, .firstReply = "6,7",
     .overlineGoesOn = true},
    {.name = "standard_double_three", .rule = STANDARD, .opening = DOUBLE_THREE_OPENING, .firstReply = "7,7"},
    {.name = "renju_from_BEGIN", .rule = RENJU},
    {.name = "renju_from_an_opening", .rule = RENJU, .opening = DIRECT_OPENING},
    {.name = "renju_white_six_wins", .rule = RENJU, .opening = SIX_TO_BLOCK, .firstReply = "6,7",
     .endsAtFirstReply = true},
    {.name = "renju_double_three_forbidden", .rule = RENJU, .opening = DOUBLE_THREE_OPENING,
     .forbiddenCellsArise = true},
};

INSTANTIATE_TEST_SUITE_P(Rules, SelfPlayGame, ::testing::ValuesIn(SELF_PLAY),
                         [](const ::testing::TestParamInfo<SelfPlay>& info) { return std::string(info.param.name); });

}  // namespace
