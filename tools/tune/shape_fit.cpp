#include "tools/tune/shape_fit.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>

#include "board/position.h"
#include "search/evaluate.h"
#include "search/tunables.h"

namespace {

// The evaluation's final scaling: its sum times 4/32.
constexpr double EVAL_SCALE = 4.0 / 32.0;
// The engine's scores are a quarter of the evaluation's units.
constexpr double SCORE_UNIT = 4.0;

double logistic(double e, double k) { return 1.0 / (1.0 + std::exp(-e / k)); }

struct Move {
    uint32_t x, y;
    bool searched;  // an engine's move, with the score below
    bool proven;    // the score is a win or a loss found
    double score;   // in the engine's units
};

// "x,y" or "x,y:score:depth".
bool parseMove(const std::string& token, uint32_t boardSize, Move& move) {
    std::istringstream in(token);
    char comma = 0;
    if (!(in >> move.x >> comma >> move.y) || comma != ',' || move.x >= boardSize || move.y >= boardSize) return false;
    move.searched = move.proven = false;
    move.score = 0;
    if (in.peek() == std::char_traits<char>::eof()) return true;
    std::string rest;
    std::getline(in, rest);
    const size_t second = rest.find(':', 1);
    if (rest.size() < 2 || rest[0] != ':' || second == std::string::npos) return false;
    const std::string score = rest.substr(1, second - 1);
    move.searched = true;
    move.proven = score.find('M') != std::string::npos;
    char* end = nullptr;
    move.score = move.proven ? 0 : std::strtod(score.c_str(), &end);
    return move.proven || (end && *end == '\0' && !score.empty());
}

GameRule ruleOf(const std::string& field) {
    return field == "0" ? RULE_FREESTYLE : field == "1" ? RULE_STANDARD : RULE_RENJU;
}

bool quiet(const EvalFeatures& f) {
    // Indices into the classes 2 .. 9: 5 four-three, 6 open four, 7 five point.
    return f.own[7] == 0 && f.opponent[7] == 0 && f.own[6] == 0 && f.own[5] == 0;
}

// The set of a colour's cells under the variant in use.
uint32_t setOf(const ShapeValues* values) { return uint32_t(values - ShapeValueSets); }

// Appends the shape counts of the position, for the side to move (its
// shapes brought up to date: evalFeatures syncs them).
void appendCounts(const Position& pos, ShapeSamples& data, ShapeSample& sample) {
    const bool xToMove = pos.sideToMove == 1;
    const uint32_t ownSet = setOf(xToMove ? shapeValuesX : shapeValuesO);
    const uint32_t otherSet = setOf(xToMove ? shapeValuesO : shapeValuesX);
    int16_t counts[2][SHAPE_COUNT] = {};
    uint16_t seen[2 * SHAPE_COUNT];
    uint32_t distinct = 0;
    for (uint32_t x = 0; x < pos.boardSize; ++x)
        for (uint32_t y = 0; y < pos.boardSize; ++y) {
            const ShapePair pair = pos.shapes[cellIndex(x, y)];
            const uint16_t own = xToMove ? pair.x : pair.o, other = xToMove ? pair.o : pair.x;
            if (own > SHAPE_NOTHING && counts[0][own]++ == 0) seen[distinct++] = own;
            if (other > SHAPE_NOTHING && counts[1][other]++ == 0) seen[distinct++] = uint16_t(SHAPE_COUNT + other);
        }
    std::sort(seen, seen + distinct);
    sample.first = uint32_t(data.feature.size());
    sample.entries = distinct + 1;
    for (uint32_t i = 0; i < distinct; ++i) {
        const uint32_t view = seen[i] >= SHAPE_COUNT, shape = seen[i] % SHAPE_COUNT;
        data.feature.push_back(uint16_t(shapeFeature(view ? otherSet : ownSet, view, shape)));
        data.count.push_back(int16_t(view ? -counts[1][shape] : counts[0][shape]));
    }
    // X is black in the records' replay.
    data.feature.push_back(uint16_t(sideFeature(ownSet, xToMove)));
    data.count.push_back(1);
}

}  // namespace

void readShapeSamples(std::istream& record, uint32_t boardSize, ShapeSamples& into, DatagenSummary& summary) {
    auto pos = std::make_unique_for_overwrite<Position>();
    // The evaluation the shapes are added to: the classes' part alone.
    const int32_t share = SHAPE_SHARE;
    SHAPE_SHARE = 0;
    std::string line;
    while (std::getline(record, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> fields;
        std::istringstream in(line);
        for (std::string field; std::getline(in, field, '\t');) fields.push_back(field);
        std::vector<Move> moves;
        bool wellFormed = fields.size() == 6 && (fields[3] == "1-0" || fields[3] == "0-1" || fields[3] == "1/2-1/2");
        if (wellFormed) {
            std::istringstream tokens(fields[5]);
            for (std::string token; wellFormed && tokens >> token;) {
                Move m;
                wellFormed = parseMove(token, boardSize, m);
                moves.push_back(m);
            }
        }
        if (!wellFormed) {
            ++summary.leftOut;
            continue;
        }
        ++summary.games;
        const double blackScore = fields[3] == "1-0" ? 1.0 : fields[3] == "0-1" ? 0.0 : 0.5;
        const bool validation = !fields[0].empty() && fields[0].back() == '0';
        reset(*pos, boardSize);
        selectGameRule(*pos, ruleOf(fields[1]));
        selectRuleTables(*pos, COLOUR_X);
        for (size_t ply = 0; ply < moves.size(); ++ply) {
            const Move& m = moves[ply];
            // A record never repeats a cell; a line that does is not replayed further.
            if (!(pos->emptyMask[m.x] & (1u << m.y))) break;
            if (m.searched) {
                ++summary.positions;
                const EvalFeatures f = evalFeatures(*pos);
                if (!m.proven && quiet(f)) {
                    const bool blackToMove = pos->sideToMove == 1;
                    ShapeSample s{float(evaluateFeatures(f, EVAL_WEIGHTS)),
                                  float(blackToMove ? blackScore : 1.0 - blackScore), float(m.score * SCORE_UNIT),
                                  validation, 0, 0};
                    appendCounts(*pos, into, s);
                    into.samples.push_back(s);
                    ++summary.quiet;
                }
            }
            makeMove(*pos, makeMoveWord(ply % 2 == 0 ? COLOUR_X : COLOUR_O, m.x, m.y));
        }
    }
    SHAPE_SHARE = share;
}

double shapeLabel(const ShapeSample& s, double k, double resultShare) {
    return resultShare * s.result + (1 - resultShare) * logistic(s.searched, k);
}

double sampleEvaluation(const ShapeSamples& data, const ShapeSample& s, const std::vector<double>& values) {
    double shapes = 0;
    for (uint32_t i = s.first; i < s.first + s.entries; ++i) shapes += values[data.feature[i]] * data.count[i];
    // The engine adds the shapes' tempo for the side to move (the side's
    // worth takes it back in the fit).
    const double tempo = shapesTracked ? SHAPE_TEMPO : 0;
    return s.base + (shapes + tempo) * EVAL_SCALE;
}

double shapeError(const ShapeSamples& data, const std::vector<double>& values, double k, double resultShare,
                  bool validation) {
    double sum = 0;
    uint64_t n = 0;
    for (const ShapeSample& s : data.samples) {
        if (s.validation != validation) continue;
        const double d = logistic(sampleEvaluation(data, s, values), k) - shapeLabel(s, k, resultShare);
        sum += d * d;
        ++n;
    }
    return n ? sum / double(n) : 0;
}

double fitShapeScale(const ShapeSamples& data) {
    const std::vector<double> none(FIT_VALUES, 0.0);
    const double ratio = (std::sqrt(5.0) - 1) / 2;
    double lo = 1, hi = 5000;
    for (int i = 0; i < 60; ++i) {
        const double a = hi - ratio * (hi - lo), b = lo + ratio * (hi - lo);
        if (shapeError(data, none, a, 1, false) < shapeError(data, none, b, 1, false)) hi = b;
        else lo = a;
    }
    return (lo + hi) / 2;
}

std::vector<double> fitShapeValues(const ShapeSamples& data, std::vector<double> values, double k,
                                   const ShapeFitOptions& options) {
    // Only values some training sample has are fitted; the prior is over them.
    std::vector<char> held(FIT_VALUES, 0);
    std::vector<double> labels(data.samples.size());
    uint64_t n = 0;
    for (size_t j = 0; j < data.samples.size(); ++j) {
        const ShapeSample& s = data.samples[j];
        labels[j] = shapeLabel(s, k, options.resultShare);
        if (s.validation) continue;
        ++n;
        for (uint32_t i = s.first; i < s.first + s.entries; ++i) held[data.feature[i]] = 1;
    }
    if (n == 0) return values;
    uint64_t fitted = 0;
    for (uint32_t f = 0; f < SHAPE_FEATURES; ++f) {
        const uint32_t shape = f % SHAPE_COUNT;
        if (shape == SHAPE_OCCUPIED || shape == SHAPE_NOTHING) held[f] = 0;
        fitted += held[f];
    }
    const auto isSide = [](uint32_t f) { return f >= SHAPE_FEATURES; };
    // Tied, a value as the other side's is a quarter of the own one, which
    // alone is fitted (and takes the other's gradient, a quarter of it).
    const auto isOther = [](uint32_t f) { return f < SHAPE_FEATURES && f / SHAPE_COUNT % 2 == 1; };
    const auto ownOf = [](uint32_t f) { return f - SHAPE_COUNT; };
    if (options.tieSides)
        for (uint32_t f = 0; f < SHAPE_FEATURES; ++f)
            if (isOther(f)) {
                held[ownOf(f)] |= held[f] && ownOf(f) % SHAPE_COUNT > SHAPE_NOTHING;
                values[f] = values[ownOf(f)] / options.ownToOther;
            }
    std::vector<double> gradient(FIT_VALUES), m(FIT_VALUES, 0.0), v(FIT_VALUES, 0.0);
    const double beta1 = 0.9, beta2 = 0.999, epsilon = 1e-8;
    for (int step = 1; step <= options.steps; ++step) {
        std::fill(gradient.begin(), gradient.end(), 0.0);
        for (size_t j = 0; j < data.samples.size(); ++j) {
            const ShapeSample& s = data.samples[j];
            if (s.validation) continue;
            const double p = logistic(sampleEvaluation(data, s, values), k);
            const double g = 2 * (p - labels[j]) * p * (1 - p) / k * EVAL_SCALE;
            for (uint32_t i = s.first; i < s.first + s.entries; ++i) gradient[data.feature[i]] += g * data.count[i];
        }
        if (options.tieSides)
            for (uint32_t f = 0; f < SHAPE_FEATURES; ++f)
                if (isOther(f)) {
                    gradient[ownOf(f)] += gradient[f] / options.ownToOther;
                    gradient[f] = 0;
                }
        const double correction1 = 1 - std::pow(beta1, step), correction2 = 1 - std::pow(beta2, step);
        for (uint32_t f = 0; f < FIT_VALUES; ++f) {
            if (!held[f] || (options.tieSides && isOther(f))) continue;
            // The ridge's pseudo-samples sit where the curve is steepest: a
            // value w (in logistic units) costs each of them (w / 4)^2.
            const double w = values[f] * EVAL_SCALE / k;
            const double ridge = options.ridge * 2 * (w / 16) * (EVAL_SCALE / k) / double(n);
            const double pull =
                isSide(f) ? 0 : options.prior * 2 * values[f] / 1e6 / double(fitted) + ridge;
            const double g = gradient[f] / double(n) + pull;
            m[f] = beta1 * m[f] + (1 - beta1) * g;
            v[f] = beta2 * v[f] + (1 - beta2) * g * g;
            values[f] -= options.rate * (m[f] / correction1) / (std::sqrt(v[f] / correction2) + epsilon);
            values[f] = std::clamp(values[f], -32767.0, 32767.0);
        }
        if (options.tieSides)
            for (uint32_t f = 0; f < SHAPE_FEATURES; ++f)
                if (isOther(f)) values[f] = values[ownOf(f)] / options.ownToOther;
    }
    return values;
}

std::vector<double> valuesOf(const ShapeValueTables& tables) {
    std::vector<double> values(FIT_VALUES, 0.0);
    for (uint32_t s = 0; s < SHAPE_SET_COUNT; ++s)
        for (uint32_t shape = 0; shape < SHAPE_COUNT; ++shape) {
            values[shapeFeature(s, 0, shape)] = tables[s].of[shape].own;
            values[shapeFeature(s, 1, shape)] = tables[s].of[shape].other;
        }
    return values;
}

void tablesOf(const std::vector<double>& values, ShapeValueTables& tables) {
    for (uint32_t s = 0; s < SHAPE_SET_COUNT; ++s)
        for (uint32_t shape = 0; shape < SHAPE_COUNT; ++shape) {
            const bool worthless = shape == SHAPE_OCCUPIED;
            tables[s].of[shape].own = worthless ? 0 : int16_t(std::lround(values[shapeFeature(s, 0, shape)]));
            tables[s].of[shape].other = worthless ? 0 : int16_t(std::lround(values[shapeFeature(s, 1, shape)]));
        }
}
