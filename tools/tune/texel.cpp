#include "tools/tune/texel.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <span>
#include <sstream>
#include <string>
#include <unordered_set>

#include "board/position.h"

namespace {

// The evaluation's final scaling (4/32) and the running score's unit (1/16).
constexpr double EVAL_SCALE = 4.0 / 32.0;
constexpr double RUNNING_UNIT = 16.0;

double predicted(const Sample& s, const WeightVector& w, double k) {
    double e = 0;
    for (size_t i = 0; i < FIT_COUNT; ++i) e += w[i] * s.x[i];
    return 1.0 / (1.0 + std::exp(-e / k));
}

// A game's moves "x,y x,y ...", black first.
bool parseMoves(const std::string& text, uint32_t boardSize, std::vector<std::pair<uint32_t, uint32_t>>& moves) {
    std::istringstream in(text);
    std::string move;
    while (in >> move) {
        unsigned x = 0, y = 0;
        char comma = 0;
        std::istringstream cell(move);
        if (!(cell >> x >> comma >> y) || comma != ',' || x >= boardSize || y >= boardSize) return false;
        moves.emplace_back(x, y);
    }
    return true;
}

bool quiet(const EvalFeatures& f) {
    // Indices into the classes 2 .. 9: 5 four-three, 6 open four, 7 five point.
    return f.own[7] == 0 && f.opponent[7] == 0 && f.own[6] == 0 && f.own[5] == 0;
}

}  // namespace

std::array<float, FIT_COUNT> featureVector(const EvalFeatures& f) {
    std::array<float, FIT_COUNT> x{};
    for (int k = 0; k < 8; ++k) {
        x[k] = float(f.own[k] * EVAL_SCALE);
        x[8 + k] = float(-f.opponent[k] * EVAL_SCALE);
    }
    x[16] = float(f.running * EVAL_SCALE / RUNNING_UNIT);
    x[17] = float(f.forbiddenFree * EVAL_SCALE);
    x[18] = float(f.forbiddenOpenThree * EVAL_SCALE);
    x[19] = float(f.forbiddenOtherThree * EVAL_SCALE);
    return x;
}

WeightVector weightsOf(const EvalWeights& w) {
    WeightVector v{};
    for (int k = 0; k < 8; ++k) {
        v[k] = w.own[k];
        v[8 + k] = w.opponent[k];
    }
    v[16] = w.running;
    v[17] = w.forbiddenFree;
    v[18] = w.forbiddenOpenThree;
    v[19] = w.forbiddenOtherThree;
    return v;
}

EvalWeights evalWeightsOf(const WeightVector& v) {
    EvalWeights w{};
    for (int k = 0; k < 8; ++k) {
        w.own[k] = int32_t(std::lround(v[k]));
        w.opponent[k] = int32_t(std::lround(v[8 + k]));
    }
    w.running = int32_t(std::lround(v[16]));
    w.forbiddenFree = int32_t(std::lround(v[17]));
    w.forbiddenOpenThree = int32_t(std::lround(v[18]));
    w.forbiddenOtherThree = int32_t(std::lround(v[19]));
    return w;
}

std::vector<Sample> readSamples(std::istream& record, const RecordOptions& options, RecordSummary& summary) {
    std::vector<Sample> samples;
    std::unordered_set<std::string> seenGames;
    auto pos = std::make_unique_for_overwrite<Position>();
    std::string line;
    while (std::getline(record, line)) {
        std::vector<std::string> fields;
        std::istringstream in(line);
        for (std::string field; std::getline(in, field, '\t');) fields.push_back(field);
        std::vector<std::pair<uint32_t, uint32_t>> moves;
        const bool wellFormed = fields.size() == 7 && (fields[4] == "1-0" || fields[4] == "0-1" || fields[4] == "1/2-1/2") &&
                                parseMoves(fields[6], options.boardSize, moves);
        if (!wellFormed) {
            ++summary.skippedLines;
            continue;
        }
        // The same game twice would weigh its positions twice.
        if (!seenGames.insert(fields[6]).second) {
            ++summary.repeatedGames;
            continue;
        }
        ++summary.games;
        const double blackScore = fields[4] == "1-0" ? 1.0 : fields[4] == "0-1" ? 0.0 : 0.5;
        const bool validation = !fields[0].empty() && fields[0].back() == '0';

        // Black is X and moves first.
        reset(*pos, options.boardSize);
        selectGameRule(*pos, options.rule);
        selectRuleTables(*pos, COLOUR_X);
        for (size_t ply = 0; ply < moves.size(); ++ply) {
            const uint32_t colour = ply % 2 == 0 ? COLOUR_X : COLOUR_O;
            const MoveWord m = makeMoveWord(colour, moves[ply].first, moves[ply].second);
            // A record never repeats a cell; a line that does is not replayed further.
            if (!(pos->emptyMask[moves[ply].first] & (1u << moves[ply].second))) break;
            makeMove(*pos, m);
            ++summary.positions;
            if (ply + 1 < options.skipPlies || ply + 1 == moves.size()) continue;
            const EvalFeatures f = evalFeatures(*pos);
            if (!quiet(f)) continue;
            const bool blackToMove = pos->sideToMove == 1;
            Sample sample{featureVector(f), float(blackToMove ? blackScore : 1.0 - blackScore), validation};
            sample.x[COLOUR_BIAS] = blackToMove ? 1.0f : -1.0f;
            samples.push_back(sample);
        }
    }
    return samples;
}

double meanSquaredError(const std::vector<Sample>& samples, const WeightVector& w, double k, bool validation) {
    double sum = 0;
    uint64_t n = 0;
    for (const Sample& s : samples) {
        if (s.validation != validation) continue;
        const double d = predicted(s, w, k) - s.result;
        sum += d * d;
        ++n;
    }
    return n ? sum / double(n) : 0;
}

double fitScale(const std::vector<Sample>& samples, const WeightVector& w) {
    const double ratio = (std::sqrt(5.0) - 1) / 2;
    double lo = 1, hi = 5000;
    for (int i = 0; i < 60; ++i) {
        const double a = hi - ratio * (hi - lo), b = lo + ratio * (hi - lo);
        if (meanSquaredError(samples, w, a, false) < meanSquaredError(samples, w, b, false)) hi = b;
        else lo = a;
    }
    return (lo + hi) / 2;
}

WeightVector fitWeights(const std::vector<Sample>& samples, WeightVector w, double k, const FitOptions& options) {
    const double prior = options.prior, rate = options.rate;
    const std::span<const Tunable> ranges = evalTunables();
    const WeightVector start = w;
    // A change is measured against the weight's own size (at least 100).
    const auto scaleOf = [&start](size_t i) { return std::max(100.0, std::abs(start[i])); };
    WeightVector m{}, v{};
    const double beta1 = 0.9, beta2 = 0.999, epsilon = 1e-8;
    // Tied, the opponent's weight W of a class carries both: own = 4 W.
    constexpr int OWN_TO_OPPONENT = 4;
    if (options.tieSides)
        for (size_t c = 0; c < 8; ++c) w[c] = OWN_TO_OPPONENT * w[8 + c];
    for (int step = 1; step <= options.steps; ++step) {
        WeightVector gradient{};
        uint64_t n = 0;
        for (const Sample& s : samples) {
            if (s.validation) continue;
            const double p = predicted(s, w, k);
            const double g = 2 * (p - s.result) * p * (1 - p) / k;
            for (size_t i = 0; i < FIT_COUNT; ++i) gradient[i] += g * s.x[i];
            ++n;
        }
        if (n == 0) break;
        if (options.tieSides) {
            for (size_t c = 0; c < 8; ++c) {
                gradient[8 + c] += OWN_TO_OPPONENT * gradient[c];
                gradient[c] = 0;
            }
        }
        for (size_t i = 0; i < FIT_COUNT; ++i) {
            if (options.tieSides && i < 8) continue;
            const bool weight = i < WEIGHT_COUNT;  // not the colour's worth
            const double relative = weight ? (w[i] - start[i]) / scaleOf(i) : 0;
            const double g = gradient[i] / double(n) + prior * 2 * relative / scaleOf(i) / double(WEIGHT_COUNT);
            m[i] = beta1 * m[i] + (1 - beta1) * g;
            v[i] = beta2 * v[i] + (1 - beta2) * g * g;
            const double mHat = m[i] / (1 - std::pow(beta1, step));
            const double vHat = v[i] / (1 - std::pow(beta2, step));
            w[i] -= rate * mHat / (std::sqrt(vHat) + epsilon);
            if (weight) w[i] = std::clamp<double>(w[i], ranges[i].least, ranges[i].most);
        }
        if (options.tieSides)
            for (size_t c = 0; c < 8; ++c) w[c] = std::min<double>(OWN_TO_OPPONENT * w[8 + c], ranges[c].most);
    }
    return w;
}
