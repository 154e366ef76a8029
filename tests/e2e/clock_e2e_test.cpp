// End-to-end checks of the clocks as managers send them: each combination
// answered within its window (the test checks which side of a bound a reply
// falls, with generous bounds, never exact times), and whole games between
// two engines under match clocks, with the test keeping the clocks as a
// manager does, where no reply comes after its limit and no clock runs out.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "support/engine_process.h"
#include "support/protocol_script.h"

namespace {

// One stone in the middle of a 15 x 15 board: far from any proven result,
// so a search uses all the time it is given.
const std::vector<std::string> OPENING = {"7,7,2"};

// Slack for the pipes and a loaded machine on top of an engine-side limit.
constexpr int64_t SLACK_MS = 300;
// A move made "at once" is a search of a few milliseconds.
constexpr int64_t AT_ONCE_MS = 150;
// Longer than any clocked reply here: a search with no clock still thinks.
constexpr int64_t STILL_THINKING_MS = 1500;

struct ClockCase {
    const char* name;
    std::vector<std::string> before;  // INFO lines sent before START
    std::vector<std::string> after;   // INFO lines sent after START
    int64_t atLeast;                  // the reply comes no sooner (0: any time)
    int64_t atMost;                   // and no later (0: not before YXSTOP)
};

const ClockCase CASES[] = {
    {"TIMEOUT_TURN t: within t", {"INFO TIMEOUT_TURN 400"}, {}, 100, 400 + SLACK_MS},
    // The opening uses the whole turn, so the search runs into its hard
    // limit: the reply comes before the turn time is over (plus the pipes).
    {"TIMEOUT_TURN t, all of it used: no later than t", {"INFO TIMEOUT_TURN 1000"}, {}, 700, 1000 + 100},
    {"TIMEOUT_TURN 0 under a match clock: the match share",
     {"INFO TIMEOUT_TURN 0", "INFO TIMEOUT_MATCH 5000"},
     {"INFO TIME_LEFT 5000"},
     20,
     500 + SLACK_MS},
    {"TIMEOUT_MATCH m and no TIME_LEFT since START: m is left",
     {"INFO TIMEOUT_MATCH 5000", "INFO TIME_LEFT 0"},
     {},
     20,
     500 + SLACK_MS},
    {"TIMEOUT_MATCH 0: TIME_LEFT is ignored",
     {"INFO TIMEOUT_TURN 400", "INFO TIMEOUT_MATCH 0"},
     {"INFO TIME_LEFT 30"},
     100,
     400 + SLACK_MS},
    {"TIME_LEFT 2147483647: unlimited, the turn time governs",
     {"INFO TIMEOUT_TURN 400", "INFO TIMEOUT_MATCH 100000"},
     {"INFO TIME_LEFT 2147483647"},
     100,
     400 + SLACK_MS},
    {"TIMEOUT_TURN within the margin: at once", {"INFO TIMEOUT_TURN 10"}, {}, 0, AT_ONCE_MS},
    {"TIME_LEFT 0 under a match clock: at once",
     {"INFO TIMEOUT_TURN 5000", "INFO TIMEOUT_MATCH 100000"},
     {"INFO TIME_LEFT 0"},
     0,
     AT_ONCE_MS},
    {"TIME_LEFT negative under a match clock: at once",
     {"INFO TIMEOUT_TURN 5000", "INFO TIMEOUT_MATCH 100000"},
     {"INFO TIME_LEFT -250"},
     0,
     AT_ONCE_MS},
    {"TIME_LEFT within the margin: at once",
     {"INFO TIMEOUT_TURN 5000", "INFO TIMEOUT_MATCH 100000"},
     {"INFO TIME_LEFT 8"},
     0,
     AT_ONCE_MS},
    {"the match share is a tenth of the time left at most",
     {"INFO TIMEOUT_MATCH 2000"},
     {"INFO TIME_LEFT 2000"},
     0,
     200 + SLACK_MS},
    {"no clock at all: thinks until YXSTOP", {"INFO TIMEOUT_TURN 0", "INFO TIMEOUT_MATCH 0"}, {}, 0, 0},
    {"TIME_LEFT 2147483647 and no turn time: no clock",
     {"INFO TIMEOUT_TURN 0", "INFO TIMEOUT_MATCH 100000"},
     {"INFO TIME_LEFT 2147483647"},
     0,
     0},
};

TEST(ClockE2E, EachCombinationIsAnsweredWithinItsWindow) {
    for (const ClockCase& c : CASES) {
        SCOPED_TRACE(c.name);
        EngineProcess engine = startEngine();
        for (const std::string& line : c.before) sendLine(engine, line);
        sendLine(engine, "START 15");
        ASSERT_EQ(readLine(engine), "OK");
        for (const std::string& line : c.after) sendLine(engine, line);
        const int64_t start = monotonicMs();
        sendBlock(engine, "BOARD", OPENING);
        std::vector<std::string> lines;
        if (c.atMost == 0) {
            // No clock: nothing may come until the search is stopped.
            lines = readUntilReply(engine, int(STILL_THINKING_MS));
            EXPECT_TRUE(lines.empty()) << "replied " << (lines.empty() ? "" : lines.back());
            sendLine(engine, "YXSTOP");
        }
        const std::vector<std::string> more = readUntilReply(engine, 10000);
        lines.insert(lines.end(), more.begin(), more.end());
        const int64_t took = monotonicMs() - start;
        if (lines.empty()) {
            ADD_FAILURE() << "no reply";
        } else {
            EXPECT_TRUE(isMoveReply(lines.back())) << lines.back();
            EXPECT_GE(took, c.atLeast) << "reply after " << took << " ms";
            if (c.atMost != 0) {
                EXPECT_LE(took, c.atMost) << "reply after " << took << " ms";
            }
        }
        sendLine(engine, "END");
        EXPECT_EQ(waitForExit(engine), 0);
    }
}

// A whole game between two engines, the test acting as the manager: it
// starts each engine's clock when it sends a request, stops it at the
// reply, and sends each engine the time it has left before every request.
struct Player {
    EngineProcess engine;
    int64_t timeLeft;   // ms of the match clock
    int64_t turnLimit;  // ms, 0 for none
    int64_t longestReply = 0;
};

constexpr int SIZE = 15;

bool makesFive(const std::array<std::array<int, SIZE>, SIZE>& board, int x, int y) {
    const int who = board[x][y];
    for (auto [dx, dy] : {std::pair{1, 0}, std::pair{0, 1}, std::pair{1, 1}, std::pair{1, -1}}) {
        int run = 1;
        for (int sign : {1, -1})
            for (int k = 1;; ++k) {
                const int cx = x + sign * k * dx, cy = y + sign * k * dy;
                if (cx < 0 || cy < 0 || cx >= SIZE || cy >= SIZE || board[cx][cy] != who) break;
                ++run;
            }
        if (run >= 5) return true;
    }
    return false;
}

// Plays until a five or maxPlies; returns the number of moves played.
int playGame(Player& first, Player& second, int maxPlies) {
    std::array<std::array<int, SIZE>, SIZE> board{};
    Player* players[2] = {&first, &second};
    std::string lastMove;
    for (int ply = 0; ply < maxPlies; ++ply) {
        Player& p = *players[ply % 2];
        sendLine(p.engine, "INFO TIME_LEFT " + std::to_string(p.timeLeft));
        const int64_t start = monotonicMs();
        sendLine(p.engine, ply == 0 ? "BEGIN" : "TURN " + lastMove);
        const std::vector<std::string> lines = readUntilReply(p.engine, 20000);
        const int64_t took = monotonicMs() - start;
        if (lines.empty() || !isMoveReply(lines.back())) {
            ADD_FAILURE() << "no move at ply " << ply;
            return ply;
        }
        const std::string& reply = lines.back();
        p.timeLeft -= took;
        p.longestReply = std::max(p.longestReply, took);
        EXPECT_GE(p.timeLeft, 0) << "the match clock ran out at ply " << ply;
        if (p.turnLimit > 0) {
            EXPECT_LE(took, p.turnLimit) << "ply " << ply;
        }
        const int x = std::stoi(reply), y = std::stoi(reply.substr(reply.find(',') + 1));
        if (x >= SIZE || y >= SIZE || board[x][y] != 0) {
            ADD_FAILURE() << reply << " is not a legal move at ply " << ply;
            return ply;
        }
        board[x][y] = ply % 2 + 1;
        if (makesFive(board, x, y)) return ply + 1;
        lastMove = reply;
    }
    return maxPlies;
}

TEST(ClockE2E, GamesUnderMatchClocksNeverRunOutOrOverstepATurn) {
    // One engine with a short match clock and a turn limit, the other with
    // the match clock alone; then the same with the colours swapped.
    for (int game = 0; game < 2; ++game) {
        SCOPED_TRACE("game " + std::to_string(game + 1));
        Player withTurn{startEngine(), 3000, 500};
        Player matchOnly{startEngine(), 3000, 0};
        sendLine(withTurn.engine, "INFO TIMEOUT_TURN 500");
        sendLine(matchOnly.engine, "INFO TIMEOUT_TURN 0");
        for (Player* p : {&withTurn, &matchOnly}) {
            sendLine(p->engine, "INFO TIMEOUT_MATCH 3000");
            sendLine(p->engine, "START 15");
            ASSERT_EQ(readLine(p->engine), "OK");
        }
        const int plies = game == 0 ? playGame(withTurn, matchOnly, 120) : playGame(matchOnly, withTurn, 120);
        std::printf("game %d: %d moves; longest replies %lld ms (turn limit) and %lld ms (match clock only); "
                    "left %lld and %lld ms\n",
                    game + 1, plies, (long long)withTurn.longestReply, (long long)matchOnly.longestReply,
                    (long long)withTurn.timeLeft, (long long)matchOnly.timeLeft);
        for (Player* p : {&withTurn, &matchOnly}) {
            sendLine(p->engine, "END");
            EXPECT_EQ(waitForExit(p->engine), 0);
        }
    }
}

}  // namespace
