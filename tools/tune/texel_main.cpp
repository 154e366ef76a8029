// pebblon_texel: fits the evaluation's weights to the results of recorded
// games and writes them as INFO TUNE lines (see tools/tune/texel.h), or,
// with --shapes, the values of the cell shapes to the records of
// tools/tune/datagen.py (see tools/tune/shape_fit.h).
//
//   pebblon_texel [--rule N] [--size N] [--skip N] [--steps N] [--rate R]
//                 [--prior P] [--tie-sides] [--out FILE] RECORD...
//   pebblon_texel --shapes [--start VALUES] [--size N] [--steps N] [--rate R]
//                 [--prior P] [--ridge R] [--tie-sides] [--own-to-other R]
//                 [--result-share S] [--inc] [--out FILE] RECORD...
//
// The fit starts from the engine's current defaults (its weights, or its
// built-in shape values unless --start names a values file) and is
// deterministic: the same records give the same weights.
#include <cstdio>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "board/startup_tables.h"
#include "search/shape_values.h"
#include "tools/tune/shape_fit.h"
#include "tools/tune/texel.h"

namespace {

[[noreturn]] void usage(const char* why) {
    std::fprintf(stderr, "pebblon_texel: %s\n"
                         "usage: pebblon_texel [--rule 0|1|2|4] [--size N] [--skip N] [--steps N] [--rate R]\n"
                         "                     [--prior P] [--tie-sides] [--out FILE] RECORD...\n"
                         "       pebblon_texel --shapes [--start VALUES] [--size N] [--steps N] [--rate R]\n"
                         "                     [--prior P] [--ridge R] [--tie-sides] [--own-to-other R]\n"
                         "                     [--result-share S] [--inc] [--out FILE] RECORD...\n",
                 why);
    std::exit(2);
}

struct ShapeOptions {
    bool on = false;
    std::string start;  // a values file to start from, or the built-in values
    bool inc = false;   // write the file the build embeds (a raw string literal)
    ShapeFitOptions fit;
};

int fitShapes(const ShapeOptions& shapes, uint32_t boardSize, const std::vector<std::string>& records,
              const std::string& out) {
    std::string error;
    if (!useBuiltInShapeValues()) usage("the built-in shape values do not read");
    if (!shapes.start.empty() && !loadShapeValues(shapes.start.c_str(), error)) usage(error.c_str());
    ShapeSamples data;
    DatagenSummary summary;
    for (const std::string& path : records) {
        std::ifstream in(path);
        if (!in) usage(("cannot read " + path).c_str());
        readShapeSamples(in, boardSize, data, summary);
    }
    uint64_t held = 0;
    for (const ShapeSample& s : data.samples) held += s.validation;
    std::printf("games %llu (left out %llu), positions %llu, quiet samples %llu (%llu held out), %zu shape counts\n",
                (unsigned long long)summary.games, (unsigned long long)summary.leftOut,
                (unsigned long long)summary.positions, (unsigned long long)summary.quiet,
                (unsigned long long)held, data.count.size());
    if (data.samples.size() == held) usage("no sample to fit");
    const double k = fitShapeScale(data);
    const double share = shapes.fit.resultShare;
    const std::vector<double> none(FIT_VALUES, 0.0), start = valuesOf(ShapeValueSets);
    std::printf("scale k %.1f; labels: %.2f of the result, the rest the search's score\n", k, share);
    const auto report = [&](const char* what, const std::vector<double>& values) {
        std::printf("%-28s labels: training %.6f, held out %.6f; results: held out %.6f\n", what,
                    shapeError(data, values, k, share, false), shapeError(data, values, k, share, true),
                    shapeError(data, values, k, 1, true));
    };
    report("without the shapes", none);
    report("with the starting values", start);
    const std::vector<double> fitted = fitShapeValues(data, start, k, shapes.fit);
    report("fitted, with the side's worth", fitted);
    static ShapeValueTables tables;
    tablesOf(fitted, tables);
    report("with the fitted values", valuesOf(tables));
    std::printf("the side to move's worth (left out of the engine):");
    for (uint32_t set = 0; set < SHAPE_SET_COUNT; ++set)
        for (bool black : {true, false})
            if (fitted[sideFeature(set, black)] != 0)
                std::printf(" set %u %s %.0f;", set, black ? "black" : "white", fitted[sideFeature(set, black)]);
    std::printf("\n");

    std::string comment = "fitted by pebblon_texel --shapes on";
    for (const std::string& path : records) comment += " " + path;
    char figures[200];
    std::snprintf(figures, sizeof figures, "\n%llu quiet positions of %llu games; scale %.0f, result share %g, "
                  "prior %g, ridge %g, %d steps", (unsigned long long)summary.quiet,
                  (unsigned long long)summary.games, k, share, shapes.fit.prior, shapes.fit.ridge, shapes.fit.steps);
    comment += figures;
    std::string text = formatShapeValues(tables, comment);
    if (shapes.inc) text = "R\"SHAPES(" + text + ")SHAPES\"\n";
    std::FILE* file = out.empty() ? stdout : std::fopen(out.c_str(), "w");
    if (!file) usage(("cannot write " + out).c_str());
    std::fputs(text.c_str(), file);
    if (file != stdout) std::fclose(file);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    RecordOptions options;
    FitOptions fit;
    ShapeOptions shapes;
    std::string out;
    std::vector<std::string> records;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--shapes") shapes.on = true;
        else if (a == "--start" && hasValue) shapes.start = argv[++i];
        else if (a == "--inc") shapes.inc = true;
        else if (a == "--own-to-other" && hasValue) shapes.fit.ownToOther = std::atof(argv[++i]);
        else if (a == "--ridge" && hasValue) shapes.fit.ridge = std::atof(argv[++i]);
        else if (a == "--result-share" && hasValue) shapes.fit.resultShare = std::atof(argv[++i]);
        else if (a == "--rule" && hasValue) {
            const int r = std::atoi(argv[++i]);
            options.rule = r == 0 ? RULE_FREESTYLE : r == 1 ? RULE_STANDARD : RULE_RENJU;
        } else if (a == "--size" && hasValue) options.boardSize = uint32_t(std::atoi(argv[++i]));
        else if (a == "--skip" && hasValue) options.skipPlies = uint32_t(std::atoi(argv[++i]));
        else if (a == "--steps" && hasValue) fit.steps = shapes.fit.steps = std::atoi(argv[++i]);
        else if (a == "--rate" && hasValue) fit.rate = shapes.fit.rate = std::atof(argv[++i]);
        else if (a == "--prior" && hasValue) fit.prior = shapes.fit.prior = std::atof(argv[++i]);
        else if (a == "--tie-sides") fit.tieSides = shapes.fit.tieSides = true;
        else if (a == "--out" && hasValue) out = argv[++i];
        else if (!a.empty() && a[0] == '-') usage(("unknown option " + a).c_str());
        else records.push_back(a);
    }
    if (records.empty()) usage("no record given");
    if (options.boardSize < 5 || options.boardSize > 20) usage("--size must lie between 5 and 20");
    if (evalTunables().size() != WEIGHT_COUNT) usage("the tunables and the fit disagree on the weights");

    buildClassTable();
    if (shapes.on) {
        if (shapes.fit.resultShare < 0 || shapes.fit.resultShare > 1) usage("--result-share lies between 0 and 1");
        if (!(shapes.fit.ownToOther > 0)) usage("--own-to-other must be above 0");
        if (!(shapes.fit.ridge >= 0)) usage("--ridge must not be below 0");
        return fitShapes(shapes, options.boardSize, records, out);
    }
    std::vector<Sample> samples;
    RecordSummary summary;
    for (const std::string& path : records) {
        std::ifstream in(path);
        if (!in) usage(("cannot read " + path).c_str());
        std::vector<Sample> more = readSamples(in, options, summary);
        samples.insert(samples.end(), more.begin(), more.end());
    }
    uint64_t held = 0;
    for (const Sample& s : samples) held += s.validation;
    std::printf("games %llu (repeated %llu, lines skipped %llu), positions %llu, quiet samples %zu (%llu held out)\n",
                (unsigned long long)summary.games, (unsigned long long)summary.repeatedGames,
                (unsigned long long)summary.skippedLines,
                (unsigned long long)summary.positions, samples.size(), (unsigned long long)held);
    if (samples.size() == held) usage("no sample to fit");

    const WeightVector start = weightsOf(EVAL_WEIGHTS);
    const double k = fitScale(samples, start);
    std::printf("scale k %.1f\n", k);
    std::printf("error before: training %.6f, held out %.6f\n", meanSquaredError(samples, start, k, false),
                meanSquaredError(samples, start, k, true));
    const WeightVector fitted = fitWeights(samples, start, k, fit);
    WeightVector rounded = weightsOf(evalWeightsOf(fitted));
    rounded[COLOUR_BIAS] = fitted[COLOUR_BIAS];
    std::printf("black to move is worth %.0f (evaluation units; not an engine weight)\n", fitted[COLOUR_BIAS]);
    std::printf("error after:  training %.6f, held out %.6f\n", meanSquaredError(samples, rounded, k, false),
                meanSquaredError(samples, rounded, k, true));

    std::FILE* file = out.empty() ? stdout : std::fopen(out.c_str(), "w");
    if (!file) usage(("cannot write " + out).c_str());
    const auto ranges = evalTunables();
    for (size_t i = 0; i < WEIGHT_COUNT; ++i)
        std::fprintf(file, "INFO TUNE %s %ld\n", ranges[i].name, std::lround(rounded[i]));
    if (file != stdout) std::fclose(file);
    return 0;
}
