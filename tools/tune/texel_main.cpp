// pebblon_texel: fits the evaluation's weights to the results of recorded
// games and writes them as INFO TUNE lines (see tools/tune/texel.h).
//
//   pebblon_texel [--rule N] [--size N] [--skip N] [--steps N] [--rate R]
//                 [--prior P] [--tie-sides] [--out FILE] RECORD...
//
// The fit starts from the engine's current defaults and is deterministic:
// the same records give the same weights.
#include <cstdio>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "board/startup_tables.h"
#include "tools/tune/texel.h"

namespace {

[[noreturn]] void usage(const char* why) {
    std::fprintf(stderr, "pebblon_texel: %s\n"
                         "usage: pebblon_texel [--rule 0|1|2|4] [--size N] [--skip N] [--steps N] [--rate R]\n"
                         "                     [--prior P] [--tie-sides] [--out FILE] RECORD...\n", why);
    std::exit(2);
}

}  // namespace

int main(int argc, char** argv) {
    RecordOptions options;
    FitOptions fit;
    std::string out;
    std::vector<std::string> records;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--rule" && hasValue) {
            const int r = std::atoi(argv[++i]);
            options.rule = r == 0 ? RULE_FREESTYLE : r == 1 ? RULE_STANDARD : RULE_RENJU;
        } else if (a == "--size" && hasValue) options.boardSize = uint32_t(std::atoi(argv[++i]));
        else if (a == "--skip" && hasValue) options.skipPlies = uint32_t(std::atoi(argv[++i]));
        else if (a == "--steps" && hasValue) fit.steps = std::atoi(argv[++i]);
        else if (a == "--rate" && hasValue) fit.rate = std::atof(argv[++i]);
        else if (a == "--prior" && hasValue) fit.prior = std::atof(argv[++i]);
        else if (a == "--tie-sides") fit.tieSides = true;
        else if (a == "--out" && hasValue) out = argv[++i];
        else if (!a.empty() && a[0] == '-') usage(("unknown option " + a).c_str());
        else records.push_back(a);
    }
    if (records.empty()) usage("no record given");
    if (options.boardSize < 5 || options.boardSize > 20) usage("--size must lie between 5 and 20");
    if (evalTunables().size() != WEIGHT_COUNT) usage("the tunables and the fit disagree on the weights");

    buildClassTable();
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
