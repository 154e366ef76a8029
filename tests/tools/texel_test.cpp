// The evaluation tuner: the features it reads must be the evaluation's own
// (same weights, same order), its samples must be each game's quiet
// positions labelled from the side to move's view, and its fit must lower
// the error it reports.
#include "tools/tune/texel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <sstream>
#include <string>

#include "board/position.h"
#include "board/startup_tables.h"

namespace {

// The moves of a game of 24 stones as a record writes them; the tests give
// it whatever result they need.
const std::string GAME_MOVES = "7,7 8,8 8,6 6,8 9,5 10,4 9,7 7,9 10,6 9,6 6,7 8,7 11,7 5,6 7,8 10,8 11,8 11,9 12,9 "
                               "12,8 10,7 8,5 9,4 12,7";

std::string recordLine(int number, const char* result, const std::string& moves) {
    return std::to_string(number) + "\t1\ta\tb\t" + result + "\tfive\t" + moves + "\n";
}

class TexelTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { buildClassTable(); }
    void TearDown() override { resetTunables(); }
};

TEST_F(TexelTest, TheFeaturesDottedWithTheWeightsAreTheEvaluation) {
    auto pos = std::make_unique_for_overwrite<Position>();
    // Every weight different, so that a feature read in another weight's
    // place shows.
    int step = 0;
    for (const Tunable& t : evalTunables()) setTunable(t.name, t.defaultValue + 37 * ++step);
    for (const bool tuned : {false, true}) {
        if (!tuned) resetTunables();
        else for (const Tunable& t : evalTunables()) setTunable(t.name, t.defaultValue + 37 * ++step);
        SCOPED_TRACE(tuned ? "changed weights" : "default weights");
        reset(*pos, 15);
        selectGameRule(*pos, RULE_RENJU);
        selectRuleTables(*pos, COLOUR_X);
        const WeightVector w = weightsOf(EVAL_WEIGHTS);
        std::istringstream moves(GAME_MOVES);
        std::string move;
        for (uint32_t ply = 0; moves >> move; ++ply) {
            const uint32_t x = uint32_t(std::stoi(move)), y = uint32_t(std::stoi(move.substr(move.find(',') + 1)));
            makeMove(*pos, makeMoveWord(ply % 2 == 0 ? COLOUR_X : COLOUR_O, x, y));
            const auto features = featureVector(evalFeatures(*pos));
            double dot = 0;
            for (size_t i = 0; i < FIT_COUNT; ++i) dot += w[i] * features[i];
            // The evaluation rounds twice toward zero.
            EXPECT_NEAR(dot, double(evaluate(*pos)), 2.0) << "after " << ply + 1 << " stones";
        }
    }
}

TEST_F(TexelTest, ReadsEachGameOnceWithItsResultForTheSideToMove) {
    std::istringstream record(recordLine(1, "1-0", GAME_MOVES) +
                              recordLine(2, "0-1", GAME_MOVES) +                // the same moves again
                              "not a game\n" +
                              recordLine(3, "1-0", "7,7 8,8 15,2") +            // off the board
                              recordLine(4, "2-0", "7,7 8,8") +                 // no result
                              recordLine(10, "1/2-1/2", "7,7 8,8 6,6 9,9 5,5 4,4"));
    RecordSummary summary;
    const std::vector<Sample> samples = readSamples(record, RecordOptions{}, summary);
    EXPECT_EQ(summary.games, 2u);
    EXPECT_EQ(summary.repeatedGames, 1u);
    EXPECT_EQ(summary.skippedLines, 3u);
    EXPECT_EQ(summary.positions, 24u + 6u);

    int won = 0, lost = 0, drawn = 0;
    for (const Sample& s : samples) {
        if (s.validation) {
            // The drawn game, number 10, is held out.
            EXPECT_EQ(s.result, 0.5f);
            ++drawn;
            continue;
        }
        ASSERT_TRUE(s.result == 1.0f || s.result == 0.0f) << s.result;
        // Black won: a win exactly where black is to move.
        EXPECT_EQ(s.result == 1.0f, s.x[COLOUR_BIAS] == 1.0f);
        (s.result == 1.0f ? won : lost)++;
    }
    // The first four stones are the opening and the last position is the
    // game's end: the drawn game keeps stones 4 and 5.
    EXPECT_EQ(drawn, 2);
    // Black (to move after an even number of stones) won: its positions
    // count 1 and white's 0; the positions where the side to move could
    // make five or an open four were left out.
    EXPECT_GT(won, 0);
    EXPECT_GT(lost, 0);
    EXPECT_LT(won + lost, 24 - 4);
}

TEST_F(TexelTest, TheFitLowersTheErrorTowardTheWeightsBehindTheResults) {
    // Results drawn from a logistic curve of known weights over random
    // features: a fit from the defaults must come close to their error.
    std::mt19937 random(7);
    std::uniform_real_distribution<double> unit(0, 1);
    WeightVector truth = weightsOf(DEFAULT_EVAL_WEIGHTS);
    truth[0] *= 3;     // own closed threes count three times
    truth[9] = 2000;   // the opponent's open three much more
    truth[16] = 100;   // the running score six times
    truth[COLOUR_BIAS] = 600;  // and black to move is worth something
    const double k = 2000;
    std::vector<Sample> samples;
    for (int n = 0; n < 20000; ++n) {
        Sample s{};
        for (size_t i = 0; i < WEIGHT_COUNT; ++i) s.x[i] = float((unit(random) - 0.3) * (i == 16 ? 30 : 1));
        s.x[COLOUR_BIAS] = n % 2 == 0 ? 1.0f : -1.0f;
        double e = 0;
        for (size_t i = 0; i < FIT_COUNT; ++i) e += truth[i] * s.x[i];
        s.result = unit(random) < 1 / (1 + std::exp(-e / k)) ? 1.0f : 0.0f;
        s.validation = n % 10 == 0;
        samples.push_back(s);
    }
    const WeightVector start = weightsOf(DEFAULT_EVAL_WEIGHTS);
    const double before = meanSquaredError(samples, start, k, false);
    const WeightVector fitted = fitWeights(samples, start, k, FitOptions{1500, 4.0});
    const double after = meanSquaredError(samples, fitted, k, false);
    const double best = meanSquaredError(samples, truth, k, false);
    EXPECT_LT(after, before);
    EXPECT_LT(after - best, (before - best) * 0.25) << "before " << before << ", after " << after << ", truth " << best;
    EXPECT_LT(meanSquaredError(samples, fitted, k, true), meanSquaredError(samples, start, k, true));
    // The weights that moved most are the ones the results were drawn with.
    EXPECT_GT(fitted[9], start[9] + 1000);
    EXPECT_GT(fitted[16], start[16] + 40);
    EXPECT_NEAR(fitted[COLOUR_BIAS], 600, 200);
    const auto ranges = evalTunables();
    for (size_t i = 0; i < WEIGHT_COUNT; ++i) {
        EXPECT_GE(fitted[i], ranges[i].least);
        EXPECT_LE(fitted[i], ranges[i].most);
    }
    // A strong prior holds the weights near where they started, and the
    // error between the start's and the free fit's.
    const WeightVector held = fitWeights(samples, start, k, FitOptions{1500, 4.0, 1.0});
    const double heldError = meanSquaredError(samples, held, k, false);
    EXPECT_LT(heldError, before);
    EXPECT_GT(heldError, after);
    double heldChange = 0, freeChange = 0;
    for (size_t i = 0; i < WEIGHT_COUNT; ++i) {
        heldChange += std::pow((held[i] - start[i]) / std::max(100.0, start[i]), 2);
        freeChange += std::pow((fitted[i] - start[i]) / std::max(100.0, start[i]), 2);
    }
    EXPECT_LT(heldChange, freeChange / 4);
    // Tied, every class's own weight stays four times the opponent's, and
    // the fit still gets closer than the start.
    const WeightVector tied = fitWeights(samples, start, k, FitOptions{1500, 4.0, 0, true});
    for (size_t c = 0; c < 8; ++c) EXPECT_DOUBLE_EQ(tied[c], 4 * tied[8 + c]) << "class " << c + 2;
    EXPECT_LT(meanSquaredError(samples, tied, k, false), before);
    // The fitted scale of the truth's own results lies near the truth's.
    EXPECT_NEAR(fitScale(samples, truth), k, k * 0.3);
}

}  // namespace
