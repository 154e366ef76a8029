// The fit of the cell shapes' values: its samples are the quiet positions
// before the engines' moves, labelled from the side to move's view, with the
// shapes counted as the engine counts them (so that its evaluation of a
// sample is the engine's evaluation with those values), and its fit finds
// values that labels were made with.
#include "tools/tune/shape_fit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <sstream>
#include <string>

#include "board/position.h"
#include "board/startup_tables.h"
#include "search/evaluate.h"
#include "search/tunables.h"

namespace {

// Games of random moves near the stones, as datagen records them: the
// opening's stones plain, the engines' with a score and a depth.
std::string randomRecord(uint32_t seed, int games, const char* rule) {
    std::mt19937 rng(seed);
    std::string record = "# datagen: made up\n";
    auto pos = std::make_unique_for_overwrite<Position>();
    for (int g = 0; g < games; ++g) {
        reset(*pos, 15);
        std::string moves;
        const int stones = 3 + g % 3, length = 12 + int(rng() % 20);
        for (int ply = 0; ply < length; ++ply) {
            uint32_t x, y;
            do {
                x = 4 + rng() % 7;
                y = 4 + rng() % 7;
            } while (!(pos->emptyMask[x] & (1u << y)));
            makeMove(*pos, makeMoveWord(ply % 2 == 0 ? COLOUR_X : COLOUR_O, x, y));
            if (ply) moves.append(" ");
            moves.append(std::to_string(x)).append(",").append(std::to_string(y));
            if (ply >= stones) moves.append(":").append(std::to_string(int(rng() % 400) - 200)).append(":9");
        }
        const char* results[] = {"1-0", "0-1", "1/2-1/2"};
        record += std::to_string(g) + "\t" + rule + "\t" + std::to_string(stones) + "\t" + results[g % 3] +
                  "\tfive\t" + moves + "\n";
    }
    return record;
}

// The samples of 400 random renju games, and how many samples hold each
// value of the fit.
std::vector<uint32_t> renjuSamples(uint32_t seed, ShapeSamples& data) {
    DatagenSummary summary;
    std::istringstream in(randomRecord(seed, 400, "2"));
    readShapeSamples(in, 15, data, summary);
    std::vector<uint32_t> seen(FIT_VALUES, 0);
    for (const ShapeSample& s : data.samples)
        for (uint32_t i = s.first; i < s.first + s.entries; ++i) ++seen[data.feature[i]];
    return seen;
}

class ShapeFitTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { buildClassTable(); }
    void TearDown() override {
        std::memset(ShapeValueSets, 0, sizeof ShapeValueSets);
        resetTunables();
    }
};

// The fit's evaluation of every sample, for random values, is the engine's
// evaluation of the position with those values in its tables.
TEST_F(ShapeFitTest, TheFitEvaluatesASampleAsTheEngineDoes) {
    std::mt19937 rng(5);
    std::vector<double> values(FIT_VALUES, 0.0);
    for (uint32_t f = 0; f < SHAPE_FEATURES; ++f)
        if (f % SHAPE_COUNT > SHAPE_NOTHING) values[f] = double(int(rng() % 401) - 200);
    tablesOf(values, ShapeValueSets);
    // The shapes' tempo too.
    setTunable("SHAPE_TEMPO", 700);
    for (const char* rule : {"2", "0", "1"}) {
        SCOPED_TRACE(std::string("rule ") + rule);
        const std::string record = randomRecord(11, 30, rule);
        ShapeSamples data;
        DatagenSummary summary;
        std::istringstream in(record);
        readShapeSamples(in, 15, data, summary);
        ASSERT_GT(data.samples.size(), 100u);
        EXPECT_EQ(summary.games, 30u);
        // Replay the same games and evaluate before each engine move.
        auto pos = std::make_unique_for_overwrite<Position>();
        std::istringstream lines(record);
        std::string line;
        size_t sample = 0;
        std::getline(lines, line);
        while (std::getline(lines, line)) {
            std::vector<std::string> fields;
            std::istringstream f(line);
            for (std::string field; std::getline(f, field, '\t');) fields.push_back(field);
            reset(*pos, 15);
            selectGameRule(*pos, fields[1] == "0" ? RULE_FREESTYLE : fields[1] == "1" ? RULE_STANDARD : RULE_RENJU);
            selectRuleTables(*pos, COLOUR_X);
            std::istringstream tokens(fields[5]);
            std::string token;
            for (uint32_t ply = 0; tokens >> token; ++ply) {
                if (token.find(':') != std::string::npos) {
                    const EvalFeatures features = evalFeatures(*pos);
                    const bool quiet = features.own[7] == 0 && features.opponent[7] == 0 && features.own[6] == 0 &&
                                       features.own[5] == 0;
                    if (quiet) {
                        ASSERT_LT(sample, data.samples.size());
                        // Both round toward zero, at different steps.
                        EXPECT_NEAR(sampleEvaluation(data, data.samples[sample], values), double(evaluate(*pos)), 2.0)
                            << "game " << fields[0] << ", ply " << ply;
                        ++sample;
                    }
                }
                const uint32_t x = uint32_t(std::stoi(token)), y = uint32_t(std::stoi(token.substr(token.find(',') + 1)));
                makeMove(*pos, makeMoveWord(ply % 2 == 0 ? COLOUR_X : COLOUR_O, x, y));
            }
        }
        EXPECT_EQ(sample, data.samples.size());
    }
}

// Labels made from known values (the search's score set to the evaluation
// they give, labels taken from the score alone): the fit from zero finds
// values close to them wherever the samples hold a shape often, tied or not,
// and the worth of the side to move apart from them.
TEST_F(ShapeFitTest, TheFitFindsTheValuesTheLabelsWereMadeWith) {
    ShapeSamples data;
    const std::vector<uint32_t> seen = renjuSamples(23, data);
    // Free views, the other side's value tied to a quarter of the own one,
    // and tied to the same value.
    for (const double ownToOther : {0.0, 4.0, 1.0}) {
        const bool tied = ownToOther != 0;
        SCOPED_TRACE(tied ? "tied " + std::to_string(ownToOther) : "free");
        std::mt19937 rng(ownToOther == 1 ? 4 : tied ? 3 : 2);
        std::vector<double> known(FIT_VALUES, 0.0);
        // A shape nearly every sample of its side to move has (a corner's;
        // each view of a set belongs to one side, half the samples) is that
        // side's worth under another name: it is worth nothing here, so that
        // the two can be told apart.
        // Tied as equals, a shape is common when either view is: the two
        // views are one value, counted for the side to move and against the
        // other side, and so the side's worth again.
        const auto commonView = [&](uint32_t f) { return seen[f] > data.samples.size() * 9 / 20; };
        const auto common = [&](uint32_t f) {
            const uint32_t own = f / SHAPE_COUNT % 2 == 0 ? f : f - SHAPE_COUNT;
            return ownToOther == 1 ? commonView(own) || commonView(own + SHAPE_COUNT) : commonView(f);
        };
        for (uint32_t f = 0; f < SHAPE_FEATURES; ++f)
            if (seen[f] > 0 && f / SHAPE_COUNT % 2 == 0 && !common(f)) known[f] = double(int(rng() % 201) - 100);
        for (uint32_t f = 0; f < SHAPE_FEATURES; ++f)
            if (f / SHAPE_COUNT % 2 == 1 && !common(f))
                known[f] = tied ? known[f - SHAPE_COUNT] / ownToOther : double(int(rng() % 101) - 50);
        uint32_t commonShapes = 0;
        for (uint32_t f = 0; f < SHAPE_FEATURES; ++f) commonShapes += common(f);
        EXPECT_GT(commonShapes, 0u);
        // Black to move is worth more than white to move, as under renju.
        known[sideFeature(SHAPES_RENJU_BLACK, true)] = 1200;
        known[sideFeature(SHAPES_RENJU_WHITE, false)] = -800;
        const double k = 400;
        for (ShapeSample& s : data.samples) s.searched = float(sampleEvaluation(data, s, known));
        ShapeFitOptions options;
        options.resultShare = 0;
        // The prior holds the shapes alone: what all samples share goes to
        // the side's worth.
        options.prior = 0.01;
        options.steps = 4000;
        options.tieSides = tied;
        if (tied) options.ownToOther = ownToOther;
        const std::vector<double> none(FIT_VALUES, 0.0);
        const std::vector<double> fitted = fitShapeValues(data, none, k, options);
        EXPECT_LT(shapeError(data, fitted, k, 0, true), shapeError(data, none, k, 0, true) / 20);
        uint32_t checked = 0;
        for (uint32_t f = 0; f < SHAPE_FEATURES; ++f) {
            if (seen[f] < 600 || f % SHAPE_COUNT <= SHAPE_NOTHING) continue;
            EXPECT_NEAR(fitted[f], known[f], 15) << "feature " << f << ", seen " << seen[f];
            ++checked;
        }
        EXPECT_GE(checked, 10u);
        // The side to move's worth is found as such (what frequent shapes
        // share with it aside), not spread over the shapes.
        EXPECT_NEAR(fitted[sideFeature(SHAPES_RENJU_BLACK, true)], 1200, 200);
        EXPECT_NEAR(fitted[sideFeature(SHAPES_RENJU_WHITE, false)], -800, 200);
        EXPECT_EQ(fitted[sideFeature(SHAPES_FREESTYLE, true)], 0.0);  // no freestyle sample
        // The values no sample holds, the occupied shape and SHAPE_NOTHING
        // stay. Tied, an own value is held by its own samples and by those of
        // the other view it sets.
        for (uint32_t f = 0; f < SHAPE_FEATURES; ++f) {
            const bool own = f / SHAPE_COUNT % 2 == 0;
            if (tied && !own) continue;
            const bool held = seen[f] > 0 || (tied && seen[f + SHAPE_COUNT] > 0);
            if (!held || f % SHAPE_COUNT <= SHAPE_NOTHING) {
                EXPECT_EQ(fitted[f], 0.0) << f;
            }
        }
    }
}

// The ridge holds a value few samples have near zero, and leaves one that
// many samples have near what they say.
TEST_F(ShapeFitTest, TheRidgeHoldsRareShapesNearZero) {
    ShapeSamples data;
    const std::vector<uint32_t> seen = renjuSamples(29, data);
    std::mt19937 rng(6);
    std::vector<double> known(FIT_VALUES, 0.0);
    for (uint32_t f = 0; f < SHAPE_FEATURES; ++f)
        if (seen[f] > 0 && seen[f] < data.samples.size() * 9 / 20)
            known[f] = double(int(rng() % 2) * 2 - 1) * double(60 + rng() % 60);
    const double k = 400;
    for (ShapeSample& s : data.samples) s.searched = float(sampleEvaluation(data, s, known));
    ShapeFitOptions options;
    options.resultShare = 0;
    options.steps = 3000;
    const std::vector<double> none(FIT_VALUES, 0.0);
    const std::vector<double> plain = fitShapeValues(data, none, k, options);
    options.ridge = 40;
    const std::vector<double> held = fitShapeValues(data, none, k, options);
    double rarePlain = 0, rareHeld = 0;
    uint32_t rare = 0, common = 0;
    for (uint32_t f = 0; f < SHAPE_FEATURES; ++f) {
        if (f % SHAPE_COUNT <= SHAPE_NOTHING || known[f] == 0) continue;
        if (seen[f] <= 3) {
            rarePlain += std::abs(plain[f]);
            rareHeld += std::abs(held[f]);
            ++rare;
        } else if (seen[f] >= 1000) {
            EXPECT_NEAR(held[f], known[f], 0.35 * std::abs(known[f])) << "feature " << f << ", seen " << seen[f];
            ++common;
        }
    }
    ASSERT_GE(rare, 10u);
    EXPECT_GE(common, 5u);
    EXPECT_LT(rareHeld, rarePlain / 3);
}

// A record's lines: the positions before the engines' moves are the samples,
// labelled from the side to move's view; the opening's stones, moves with a
// win or loss found, positions that are not quiet, dropped games and lines
// that are not records give none.
TEST_F(ShapeFitTest, TheSamplesOfARecord) {
    const std::string record =
        "# datagen: a header\n"
        "10\t2\t3\t0-1\tfive\t7,7 6,6 8,8 9,9:-30:8 5,5:40:9 10,10:+M3:7\n"
        "11\t2\t3\tdropped\tthe first search gives 200\t7,7 6,6 8,8\n"
        "12\t2\t3\tfault\tno reply\t7,7 6,6 8,8 9,9:1:1\n"
        "13\t2\t3\t1-0\tfive\t7,7 6,6 8,8 9,9:x:8\n"
        "not a record line\n"
        "14\t0\t2\t1/2-1/2\tboard full\t7,7 6,6 8,8:12:5\n";
    ShapeSamples data;
    DatagenSummary summary;
    std::istringstream in(record);
    readShapeSamples(in, 15, data, summary);
    EXPECT_EQ(summary.games, 2u);
    EXPECT_EQ(summary.leftOut, 4u);
    EXPECT_EQ(summary.positions, 4u);
    ASSERT_EQ(data.samples.size(), 3u);
    // Game 10, white won: white to move before 9,9, black before 5,5.
    EXPECT_EQ(data.samples[0].result, 1.0f);
    EXPECT_EQ(data.samples[0].searched, -120.0f);
    EXPECT_TRUE(data.samples[0].validation);
    EXPECT_EQ(data.samples[1].result, 0.0f);
    EXPECT_EQ(data.samples[1].searched, 160.0f);
    // Game 14, a draw: black to move before 8,8.
    EXPECT_EQ(data.samples[2].result, 0.5f);
    EXPECT_EQ(data.samples[2].searched, 48.0f);
    EXPECT_FALSE(data.samples[2].validation);
    EXPECT_EQ(shapeLabel(data.samples[2], 1000, 1), 0.5);
    EXPECT_NEAR(shapeLabel(data.samples[2], 1000, 0), 1 / (1 + std::exp(-0.048)), 1e-6);
}

}  // namespace
