// The threat search on small drawn positions: the cheap exits, forced
// blocks, open-four and four-three attacks, and the narrowing of the root
// moves.
#include "movegen/threats.h"

#include <gtest/gtest.h>

#include <memory>

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
    struct RootCase {
        const char* name;
        std::vector<std::string_view> rows;
        bool narrows;
    };
    // Positions where the root itself proves nothing.
    const RootCase cases[] = {
        {"quiet", {"", "", "", "", "", "", "......OX", ".......X", "......O"}, false},
        {"X can make threes", {"", "", "", "", "", "....X.X", "", "......X..O", "", "O.....O"}, false},
        // O's open three: every move that does not stop it loses.
        {"O threatens", {"", "", "", "", "...OOO", "", "......X", ".......X", "", "", "...X"}, true},
    };
    for (const RootCase& c : cases) {
        Position& p = setUp(c.rows, COLOUR_O);
        ASSERT_EQ(threatSearch(p), 0) << c.name;
        std::vector<RootMove> all;
        for (uint32_t x = 0; x < 15; ++x)
            for (uint32_t y = 0; y < 15; ++y)
                if (p.cells[cellIndex(x, y)] == 0) all.push_back(RootMove{-32001, -32001, {COLOUR_X | cellIndex(x, y)}});
        std::vector<RootMove> kept = all;
        filterRootMovesByThreats(p, kept);
        // Expected from the children's own threat search.
        int32_t best = -32001;
        std::vector<MoveWord> expected;
        for (const RootMove& rm : all) {
            makeMove(p, rm.pv[0]);
            const int32_t score = -threatSearch(p);
            unmakeMove(p, rm.pv[0]);
            best = std::max(best, score);
        }
        for (const RootMove& rm : all) {
            makeMove(p, rm.pv[0]);
            const int32_t score = -threatSearch(p);
            unmakeMove(p, rm.pv[0]);
            if (best < 0 || score == best) expected.push_back(rm.pv[0]);
        }
        std::vector<MoveWord> got;
        for (const RootMove& rm : kept) {
            got.push_back(rm.pv[0]);
            if (best >= 0) {
                EXPECT_EQ(rm.score, best) << c.name;
            }
        }
        EXPECT_EQ(got, expected) << c.name;
        if (c.narrows) {
            EXPECT_LT(got.size(), all.size()) << c.name << ": the filter narrowed nothing";
        }
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
