// The threat search on small drawn positions: the cheap exits, forced
// blocks, open-four and four-three attacks, and the narrowing of the root
// moves.
#include "movegen/threats.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "board/position.h"
#include "board/startup_tables.h"
#include "movegen/generators.h"
#include "search/evaluate.h"
#include "search/threat_score.h"
#include "support/board_drawing.h"

namespace {

class ThreatSearchTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { buildClassTable(); }
    // X to move on a 15 x 15 board.
    Position& setUp(const std::vector<std::string_view>& rows, uint32_t blackColour) {
        setupFromPicture(*pos, pictureFromRows(rows, 15), blackColour);
        return *pos;
    }
    std::unique_ptr<Position> pos = std::make_unique<Position>();
};

struct ThreatCase {
    const char* name;
    std::vector<std::string_view> rows;
    uint32_t blackColour;
    int32_t expected;
};

TEST_F(ThreatSearchTest, ProvesTheForcedResultsOfTheSideToMove) {
    const ThreatCase cases[] = {
        {"own five stands", {"", "", "..XXXXX"}, COLOUR_O, 1},
        {"opponent's five stands", {"", "", "..OOOOO", "", "X"}, COLOUR_O, -1},
        {"own five point", {"", "", "..XXXX.", "", "OOO"}, COLOUR_O, 1},
        {"two opponent five points", {"", "", ".OOOO.", "", "X"}, COLOUR_O, -2},
        // O's only five point (7,7) is X's (black) real double three.
        {"only block forbidden",
         {"", "", "", "", "", ".......X", ".......X", "..XOOOO.", "........X", ".........X"},
         COLOUR_X,
         -2},
        // X blocks O's five point, after which O has an open-four point.
        {"block leaves an open four", {"", "", "", "..........O", "..........O", "..........O", "", "..XOOOO."},
         COLOUR_O,
         -4},
        {"own open-four point", {"", "", "", "", "...XXX", "", "", "", "O..O..O"}, COLOUR_O, 3},
        // X's four-three at (7,7): four along row 7 (blocked at (3,7)), open three down column 7.
        {"plain four-three", {"", "", "", "", "", ".......X", ".......X", "...OXXX"}, COLOUR_O, 5},
        // O's forced block at (8,7) makes an open four for O: the search gives up.
        {"four-three met by a four",
         {"", "", "", "", "", ".......X", ".......X", "...OXXX", "........O", "........O", "........O"},
         COLOUR_O,
         0},
        // X's double three at (7,7) while O has no four: a win in 5.
        {"double three", {"", "", "", "", "", ".......X", ".......X", ".....XX"}, COLOUR_O, 5},
        {"double three against a four", {"", "", "", "", "", ".......X", ".......X", ".....XX", "", "", "", "OOO"},
         COLOUR_O,
         0},
        {"nothing", {"", "", "", "", "", "", "", ".......X.O"}, COLOUR_O, 0},
    };
    for (const ThreatCase& c : cases) {
        Position& p = setUp(c.rows, c.blackColour);
        const uint64_t keyBefore = p.current->key;
        const uint32_t stonesBefore = p.stoneCount;
        EXPECT_EQ(threatSearch(p), c.expected) << c.name;
        EXPECT_EQ(p.current, &p.states[0]) << c.name;
        EXPECT_EQ(p.current->key, keyBefore) << c.name;
        EXPECT_EQ(p.stoneCount, stonesBefore) << c.name;
    }
}

TEST_F(ThreatSearchTest, RootFilterKeepsTheLongestWinsOrDropsTheLosses) {
    struct Cell {
        uint32_t x, y;
    };
    struct RootCase {
        const char* name;
        std::vector<std::string_view> rows;
        std::vector<Cell> kept;  // in list order; empty: every move stays
        int32_t score;           // the proven score of every kept move
    };
    // X (white, O is black) to move; the root itself proves nothing in any
    // of them. The offered list is every empty cell, x outer, y inner.
    const RootCase cases[] = {
        // Two X stones and two O stones: no move of X makes more than a
        // three, which O parries by a block, and O has nothing to win with.
        // Nothing is proven, every move stays with score 0.
        {"quiet", {"", "", "", "", "", "", "......OX", ".......X", "......O"}, {}, 0},
        // X's best is an open three, at 5,5 (row 5) or 5,6 (the diagonal
        // 4,5 6,7); no cell makes two threes (the three pairs of X stones
        // meet only on X's own stones), and after either block of such a
        // three X has one four and no second three. O's three stones share
        // no line. Again every move stays with score 0.
        {"X can make threes", {"", "", "", "", "", "....X.X", "", "......X..O", "", "O.....O"}, {}, 0},
        // O's open three 3,4 4,4 5,4 becomes an open four at 2,4 or 6,4
        // unless X takes one of them (at 1,4 or 7,4 the other end still
        // makes an open four): every other move loses to that open four in
        // 3 plies (score -3) and is dropped. After 2,4 or 6,4 O has only a
        // closed four and X nothing: both stay with score 0.
        {"O threatens", {"", "", "", "", "...OOO", "", "......X", ".......X", "", "", "...X"}, {{2, 4}, {6, 4}}, 0},
        // Only X's 5,7 wins: it makes the four 2,7 ... 5,7 (1,7 is O's), O
        // must block at 6,7, and then 5,8 is X's double three (column 5
        // with 5,7 5,9; row 8 with 7,8 8,8) while O has no four: a win in
        // 5 plies after O's block, 6 from X's move. The other four, 6,7,
        // is blocked at 5,7 and leaves no second three; the open threes X
        // can make (6,8 or 9,8 on row 8, 4,8 on the diagonal 3,7 5,9) each
        // have a block after which X has no four-three or double three.
        // Nothing else forces O, so 5,7 alone stays, with score 6.
        {"four then double three", {"", "", "", "", "", "", "", ".OXXX", ".......XX", ".....X"}, {{5, 7}}, 6},
    };
    for (const RootCase& c : cases) {
        Position& p = setUp(c.rows, COLOUR_O);
        std::vector<RootMove> all;
        for (uint32_t x = 0; x < 15; ++x)
            for (uint32_t y = 0; y < 15; ++y)
                if (p.cells[cellIndex(x, y)] == 0) all.push_back(RootMove{-32001, -32001, {COLOUR_X | cellIndex(x, y)}});
        std::vector<MoveWord> expected;
        for (const RootMove& rm : all) expected.push_back(rm.pv[0]);
        if (!c.kept.empty()) {
            expected.clear();
            for (Cell k : c.kept) expected.push_back(COLOUR_X | cellIndex(k.x, k.y));
        }
        std::vector<RootMove> kept = all;
        filterRootMovesByThreats(p, kept);
        std::vector<MoveWord> got;
        std::vector<int32_t> scores;
        for (const RootMove& rm : kept) {
            got.push_back(rm.pv[0]);
            scores.push_back(rm.score);
        }
        EXPECT_EQ(got, expected) << c.name;
        EXPECT_EQ(scores, std::vector<int32_t>(got.size(), c.score)) << c.name;
        EXPECT_EQ(p.current, &p.states[0]) << c.name;
    }
}

TEST_F(ThreatSearchTest, ThreatScoreTurnsProofsIntoWinAndLossScores) {
    EXPECT_EQ(threatScore(setUp({"", "", "..XXXX.", "", "OOO"}, COLOUR_O)), 31999);
    EXPECT_EQ(threatScore(setUp({"", "", ".OOOO.", "", "X"}, COLOUR_O)), -31998);
    Position& quiet = setUp({"", "", "", "", "", "", "", ".......X.O"}, COLOUR_O);
    EXPECT_EQ(threatScore(quiet), evaluate(quiet));
}

TEST_F(ThreatSearchTest, ProvenRootLeavesTheListUntouched) {
    Position& p = setUp({"", "", "..XXXX.", "", "OOO"}, COLOUR_O);
    std::vector<RootMove> moves{RootMove{7, 8, {COLOUR_X | cellIndex(9, 9)}}, RootMove{1, 2, {COLOUR_X | cellIndex(0, 9)}}};
    filterRootMovesByThreats(p, moves);
    ASSERT_EQ(moves.size(), 2u);
    EXPECT_EQ(moves[0].score, 7);
    EXPECT_EQ(moves[1].previousScore, 2);
}

TEST_F(ThreatSearchTest, VirtualMoveBecomesARealStone) {
    Position& p = setUp({"", "", "", "", "", "", "", ".......X"}, COLOUR_O);
    const MoveWord m = COLOUR_O | cellIndex(8, 8);
    const uint64_t expectedKey = keyAfter(p, m);
    makeVirtualMove(p, m);
    EXPECT_EQ(p.cells[cellOf(m)], 0u);
    completeVirtualMove(p);
    EXPECT_EQ(p.cells[cellOf(m)], COLOUR_O);
    EXPECT_EQ(p.current->virtualMove, 0u);
    EXPECT_EQ(p.current->key, expectedKey);
    EXPECT_EQ(p.stoneCount, 2u);
    unmakeMove(p, m);
    EXPECT_EQ(p.cells[cellOf(m)], 0u);
    EXPECT_EQ(p.stoneCount, 1u);
    EXPECT_EQ(p.current, &p.states[0]);
    // Nothing pending: nothing happens.
    completeVirtualMove(p);
    EXPECT_EQ(p.stoneCount, 1u);
}

}  // namespace
