// Fits the evaluation's weights to game results: positions from self-play
// games, each labelled with the result of its game, and the weights that
// make a logistic curve of the evaluation predict those results best (least
// mean squared error of the predicted score). The evaluation is linear in
// its weights over its features, so the fit is a smooth problem over about
// twenty numbers, solved by gradient descent from the current weights.
#pragma once

#include <array>
#include <cstdint>
#include <istream>
#include <vector>

#include "board/types.h"
#include "search/evaluate.h"
#include "search/tunables.h"

// One weight per tunable, in the order of tunables(), and one more that the
// engine has no use for: the worth of being black to move. Black's first-move
// advantage is in every game's result, and without a term of its own the fit
// would load it onto the features that only one colour shows (black's
// forbidden cells, white's double threes under renju).
constexpr size_t WEIGHT_COUNT = 20;
constexpr size_t COLOUR_BIAS = WEIGHT_COUNT;
constexpr size_t FIT_COUNT = WEIGHT_COUNT + 1;
using WeightVector = std::array<double, FIT_COUNT>;

// A position's features as the fit weighs them: the evaluation (before its
// rounding) is their dot product with the weights.
struct Sample {
    std::array<float, FIT_COUNT> x;  // x[COLOUR_BIAS]: 1 black to move, -1 white
    float result;  // of the game, for the side to move: 1 won, 0.5 drawn, 0 lost
    bool validation;  // held out of the fit: its game's number ends in 0
};

struct RecordOptions {
    GameRule rule = RULE_RENJU;
    uint32_t boardSize = 15;
    uint32_t skipPlies = 4;  // the opening's stones are not the games' own
};

struct RecordSummary {
    uint64_t games = 0;
    uint64_t skippedLines = 0;  // not a game of the record's form
    uint64_t repeatedGames = 0; // the same moves as a game before: left out
    uint64_t positions = 0;     // every position replayed
};

// Reads a match record (tools/match/match.py --record: number, opening,
// black, white, result, reason, moves, tab-separated), replays each game
// once (a game that repeats one before is left out) and keeps its quiet positions: those where neither side can make five and
// the side to move cannot make an open four or a four-three (the search
// settles those, never the evaluation).
std::vector<Sample> readSamples(std::istream& record, const RecordOptions& options, RecordSummary& summary);

// The features of a position in the fit's order (the colour left 0).
std::array<float, FIT_COUNT> featureVector(const EvalFeatures& f);

// The engine's weights as the fit's, the colour's worth 0, and back.
WeightVector weightsOf(const EvalWeights& w);
EvalWeights evalWeightsOf(const WeightVector& v);

// The mean squared error of the predicted score 1 / (1 + exp(-e / k)) over
// the training or the validation samples.
double meanSquaredError(const std::vector<Sample>& samples, const WeightVector& w, double k, bool validation);

// The k that fits the weights best (a golden-section search).
double fitScale(const std::vector<Sample>& samples, const WeightVector& w);

struct FitOptions {
    int steps = 2000;   // Adam steps over all the training samples
    double rate = 2.0;  // the step size, in weight units
    // Adds prior times the mean squared relative change of the weights from
    // where they started to the error, which keeps weights the results say
    // little about near their old values.
    double prior = 0;
    // Keeps each class's own weight at four times the opponent's, as the
    // engine's weights have it: the side to move's threats count more
    // because it moves first, which helps the search more than it predicts
    // results, so a free fit of the two trades it away.
    bool tieSides = false;
};

// Adam steps over the training samples from the given weights, each weight
// kept within its tunable's range; returns the weights after the steps.
WeightVector fitWeights(const std::vector<Sample>& samples, WeightVector w, double k, const FitOptions& options);
