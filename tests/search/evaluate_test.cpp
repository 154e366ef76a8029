// The static evaluation: the stone score alone, scaled and seen from the side
// to move; the class weights, with the side to move's own counted four
// times; and the forbidden-cell term, which counts only when white is to move.
// The cases are worked out with the hand-set weights the engine had before
// its weights were fitted to games; the mechanics are the same for any.
#include "search/evaluate.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "board/position.h"
#include "board/startup_tables.h"
#include "board/tables.h"
#include "search/tunables.h"

namespace {

class EvaluateTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        buildClassTable();
        pos = std::make_unique_for_overwrite<Position>().release();
    }
    static void TearDownTestSuite() { delete pos; }
    void SetUp() override { EVAL_WEIGHTS = HAND_SET_WEIGHTS; }
    void TearDown() override {
        selectTableVariant(COLOUR_X);
        resetTunables();
    }

    static constexpr EvalWeights HAND_SET_WEIGHTS = {
        {1000, 680, 800, 1120, 1320, 1440, 1536, 2304},
        {250, 170, 200, 280, 330, 360, 384, 576},
        16,
        510,
        255,
        122,
    };

    // An empty board whose record carries only the given counts and score.
    static StateRecord& blankRecord(uint8_t sideToMove) {
        reset(*pos, 15);
        selectRuleTables(*pos, COLOUR_X);
        pos->sideToMove = sideToMove;
        StateRecord& r = *pos->current;
        for (int k = 0; k < CLASS_COUNT; ++k) r.classCountX[k] = r.classCountO[k] = 0;
        r.eval = 0;
        return r;
    }

    static Position* pos;
};

Position* EvaluateTest::pos = nullptr;

TEST_F(EvaluateTest, StoneScoreAloneIsScaledAndSeenFromTheSideToMove) {
    // Stones too far apart to make any three: no class above 1 anywhere.
    reset(*pos, 15);
    selectRuleTables(*pos, COLOUR_X);
    makeMove(*pos, makeMoveWord(COLOUR_X, 2, 2));
    makeMove(*pos, makeMoveWord(COLOUR_O, 12, 5));
    makeMove(*pos, makeMoveWord(COLOUR_X, 5, 12));
    const StateRecord& r = *pos->current;
    for (int k = 1; k < CLASS_COUNT; ++k) {
        ASSERT_EQ(r.classCountX[k], 0) << k;
        ASSERT_EQ(r.classCountO[k], 0) << k;
    }
    ASSERT_NE(r.eval, 0);
    ASSERT_EQ(pos->sideToMove, 0);
    EXPECT_EQ(evaluate(*pos), -((4 * r.eval) / 32));
    pos->sideToMove = 1;
    EXPECT_EQ(evaluate(*pos), (4 * r.eval) / 32);

    // The scaling truncates toward zero: -148 / 32 is -4, not -5.
    struct Case {
        int32_t eval;
        uint8_t sideToMove;
        int32_t expected;
    };
    for (const Case& c : {Case{-37, 1, -4}, Case{-37, 0, 4}, Case{37, 1, 4}, Case{37, 0, -4},
                          Case{7, 1, 0}, Case{-7, 0, 0}, Case{800, 1, 100}}) {
        blankRecord(c.sideToMove).eval = c.eval;
        EXPECT_EQ(evaluate(*pos), c.expected) << c.eval << " side " << int(c.sideToMove);
    }
}

TEST_F(EvaluateTest, ClassWeightsCountFourTimesForTheSideToMove) {
    // Classes 2 ... 9 weigh 250, 170, 200, 280, 330, 360, 384, 576.
    const int32_t weights[CLASS_COUNT] = {0, 0, 250, 170, 200, 280, 330, 360, 384, 576, 0};
    for (int k = 0; k < CLASS_COUNT; ++k) {
        if (k == CLASS_FORBIDDEN) continue;  // weightless, but brings in the forbidden term
        for (uint8_t side : {uint8_t(1), uint8_t(0)}) {
            SCOPED_TRACE("class " + std::to_string(k) + (side ? " X to move" : " O to move"));
            // One cell of the class for the side to move: four times the weight.
            StateRecord& own = blankRecord(side);
            (side ? own.classCountX : own.classCountO)[k] = 1;
            EXPECT_EQ(evaluate(*pos), (4 * 4 * weights[k]) / 32);
            // One cell for the other side: the plain weight, against.
            StateRecord& other = blankRecord(side);
            (side ? other.classCountO : other.classCountX)[k] = 1;
            EXPECT_EQ(evaluate(*pos), -((4 * weights[k]) / 32));
        }
    }

    // Two X open threes (170 each) against three O four-threes (360 each).
    StateRecord& r = blankRecord(1);
    r.classCountX[CLASS_OPEN_THREE] = 2;
    r.classCountO[CLASS_FOUR_THREE] = 3;
    r.classCountX[CLASS_NONE] = 200;  // empty cells weigh nothing
    EXPECT_EQ(evaluate(*pos), 35);    // 4 * (2 * 680 - 3 * 360) / 32
    pos->sideToMove = 0;
    EXPECT_EQ(evaluate(*pos), 497);  // -(4 * (2 * 170 - 3 * 1440) / 32), truncated
    r.eval = -1000;
    EXPECT_EQ(evaluate(*pos), 622);  // -(4 * (-3980 - 1000) / 32)
}

// The forbidden-cell term: an overline point of the black colour is worth
// something to white when white is to move, nothing when black is.
TEST_F(EvaluateTest, ForbiddenCellsCountOnlyWithWhiteToMove) {
    for (uint32_t black : {COLOUR_X, COLOUR_O}) {
        const char symbol = black == COLOUR_X ? 'X' : 'O';
        std::string row = "....bbb.bb.....";
        for (char& c : row)
            if (c == 'b') c = symbol;
        std::string text;
        for (int y = 0; y < 15; ++y)
            for (char c : (y == 7 ? row : std::string(15, '.'))) {
                text += ' ';
                text += c;
            }
        setupFromPicture(*pos, text, black);
        StateRecord& r = *pos->current;
        const uint16_t* blackCounts = black == COLOUR_X ? r.classCountX : r.classCountO;
        ASSERT_GT(blackCounts[CLASS_FORBIDDEN], 0);

        for (uint8_t side : {uint8_t(1), uint8_t(0)}) {
            pos->sideToMove = side;
            const bool blackToMove = (side == 1) == (black == COLOUR_X);
            const int32_t with = evaluate(*pos);
            // Without class-1 cells the term is 0; class 1 itself weighs nothing.
            const uint16_t savedX = r.classCountX[CLASS_FORBIDDEN];
            const uint16_t savedO = r.classCountO[CLASS_FORBIDDEN];
            r.classCountX[CLASS_FORBIDDEN] = r.classCountO[CLASS_FORBIDDEN] = 0;
            const int32_t without = evaluate(*pos);
            r.classCountX[CLASS_FORBIDDEN] = savedX;
            r.classCountO[CLASS_FORBIDDEN] = savedO;
            if (blackToMove)
                EXPECT_EQ(with, without) << "black " << symbol;
            else
                EXPECT_GT(with, without) << "black " << symbol;  // good for white, who moves
        }
    }
}

// Weights as large as INFO TUNE allows can sum far beyond the scores the
// search keeps for proven results; the evaluation stays within its limit
// and grows with a weight until it reaches it, never wrapping round.
TEST_F(EvaluateTest, TheLargestWeightsStayWithinTheLimit) {
    for (uint8_t side : {uint8_t(1), uint8_t(0)}) {
        SCOPED_TRACE(side ? "X to move" : "O to move");
        StateRecord& r = blankRecord(side);
        uint16_t* own = side ? r.classCountX : r.classCountO;
        uint16_t* other = side ? r.classCountO : r.classCountX;
        own[CLASS_FOUR] = 12;
        own[CLASS_OPEN_FOUR] = 6;
        EVAL_WEIGHTS = HAND_SET_WEIGHTS;
        int32_t last = -EVAL_LIMIT;
        for (int32_t weight = 1000; weight <= 100000; weight += 3000) {
            EVAL_WEIGHTS.own[CLASS_FOUR - CLASS_CLOSED_THREES] = weight;
            EVAL_WEIGHTS.own[CLASS_OPEN_FOUR - CLASS_CLOSED_THREES] = weight;
            const int32_t now = evaluate(*pos);
            EXPECT_GE(now, last) << weight;
            EXPECT_LE(now, EVAL_LIMIT) << weight;
            last = now;
        }
        EXPECT_EQ(last, EVAL_LIMIT);
        // The same counts for the other side, every weight at its most.
        std::swap_ranges(own, own + CLASS_COUNT, other);
        for (int k = 0; k < 8; ++k) EVAL_WEIGHTS.opponent[k] = 100000;
        r.eval = side ? -4000000 : 4000000;
        EVAL_WEIGHTS.running = 256;
        EXPECT_EQ(evaluate(*pos), -EVAL_LIMIT);
    }
}

}  // namespace
