#include "front/settings.h"

#include <algorithm>
#include <string>
#include <vector>

#include "board/startup_tables.h"
#include "front/arguments.h"
#include "front/commands.h"
#include "front/game_context.h"
#include "front/log.h"
#include "front/output.h"
#include "search/threads.h"
#include "search/tt.h"
#include "search/tunables.h"

namespace {

// Tried in this order; the first key the argument begins with wins, so a
// value may follow its key without a space.
const char* const INFO_KEYS[] = {
    "TIMEOUT_MATCH", "TIMEOUT_TURN", "TIME_LEFT", "TIME_INC",  "GAME_TYPE",
    "RULE",          "FOLDER",       "MAX_MEMORY", "MATCH_MODE", "MAX_DEPTH",
    "MAX_NODE",      "HASH_SIZE",    "CAUTION_FACTOR", "THREAD_NUM", "SHOW_DETAIL",
    "THREAD_CHOICE", "TUNE",
};

constexpr uint32_t MIN_HASH_KB = 256;
constexpr uint32_t MAX_HASH_KB = 67108864;  // 2^26 KiB
constexpr uint32_t MAX_CAUTION = 4;

}  // namespace

void resizeTable(GameContext& context, uint64_t bytes) {
    if (resize(TT, bytes)) return;
    const unsigned long long had = tableBytes(TT) >> 10, asked = (clusterCountFor(bytes) * sizeof(TTCluster)) >> 10;
    LOG_WARN_RECORD("no memory for a table of %llu KiB: %llu KiB", asked, had);
    reply(context, "MESSAGE not enough memory for a table of %llu KiB: the table has %llu KiB", asked, had);
}

void fitThreadsAndTable(GameContext& context) {
    const EngineSettings& settings = context.settings;
    const uint64_t limit = settings.memoryLimit;
    uint64_t threads = clampThreadCount(settings.threadsAsked);
    if (limit != 0) {
        // Tournaments enforce the memory limit, not the thread count.
        const uint64_t fixed = ENGINE_BASE_MEMORY_BYTES + MIN_LIMITED_TABLE_BYTES;
        const uint64_t helpersThatFit = limit > fixed ? (limit - fixed) / HELPER_THREAD_MEMORY_BYTES : 0;
        threads = std::min(threads, 1 + helpersThatFit);
    }
    setThreadCount(Threads, int64_t(threads));
    if (limit == 0) return;
    const uint64_t rest = ENGINE_BASE_MEMORY_BYTES + (Threads.target - 1) * HELPER_THREAD_MEMORY_BYTES;
    // Nothing left for a table: the smallest one there is.
    resizeTable(context, limit > rest ? limit - rest : 1);
}

InfoArgument splitInfoArgument(const std::string& argument) {
    for (const char* key : INFO_KEYS) {
        const std::string k(key);
        if (argument.compare(0, k.size(), k) == 0) return {k, trimSpaces(std::string_view(argument).substr(k.size()))};
    }
    return {};
}

// INFO TUNE name value, the engine's own key: sets one of the evaluation's
// weights or search margins for the games that follow (clamped to its range) and says what it
// took; a name that is not a tunable or a value that is not a whole number
// gets an error line and changes nothing.
static void handleTune(GameContext& context, const std::string& text) {
    const size_t space = text.find(' ');
    const std::string name = text.substr(0, space);
    const std::string number = space == std::string::npos ? "" : trimSpaces(std::string_view(text).substr(space));
    int64_t value = 0;
    if (!parseWholeNumber(number, value)) {
        reply(context, "ERROR TUNE needs a name and a whole number");
        return;
    }
    const Tunable* tunable = setTunable(name, value);
    if (!tunable) {
        reply(context, "ERROR unknown tunable %s", name.c_str());
        return;
    }
    // Stored static evaluations were made with the old weights.
    clear(TT);
    reply(context, "MESSAGE INFO TUNE %s %d", tunable->name, int(*tunable->value));
}

void handleInfo(GameContext& context, const char* argument) {
    InfoArgument info = splitInfoArgument(argument);
    if (info.key.empty()) return;
    if (info.key == "TUNE") {
        handleTune(context, info.value);
        return;
    }
    std::vector<uint32_t> numbers = parseNumberList(info.value);
    if (numbers.empty()) return;
    const uint32_t v = numbers[0];
    EngineSettings& s = context.settings;
    const std::string& key = info.key;
    if (key == "TIMEOUT_MATCH") s.timeoutMatch = v;
    else if (key == "TIMEOUT_TURN") s.timeoutTurn = v;
    else if (key == "TIME_LEFT") {
        // A clock overrun is sent as a negative number.
        parseSignedNumber(info.value, s.timeLeft);
        s.timeLeftGiven = true;
    }
    else if (key == "TIME_INC") s.timeInc = v;
    else if (key == "GAME_TYPE") s.gameType = v;
    else if (key == "MAX_MEMORY") {
        // 0: no limit, and the table of a start without one.
        s.maxMemory = v;
        s.memoryLimit = v;
        if (v == 0) resizeTable(context, DEFAULT_HASH_BYTES);
        fitThreadsAndTable(context);
    } else if (key == "MATCH_MODE") s.matchMode = v;
    else if (key == "MAX_DEPTH") s.maxDepth = v;
    else if (key == "MAX_NODE") s.maxNode = v;
    else if (key == "SHOW_DETAIL") context.showDetail = v != 0;
    else if (key == "HASH_SIZE") {
        const uint64_t bytes = uint64_t(std::clamp(v, MIN_HASH_KB, MAX_HASH_KB)) * 1024;
        s.memoryLimit = bytes;
        fitThreadsAndTable(context);
        reply(context, "MESSAGE INFO HASH_SIZE %llu", static_cast<unsigned long long>(bytes));
    } else if (key == "THREAD_NUM") {
        // 0 or below means one thread, more than there may be the most.
        int64_t count = 1;
        parseSignedNumber(info.value, count);
        s.threadsAsked = count;
        fitThreadsAndTable(context);
    } else if (key == "THREAD_CHOICE") {
        // The engine's own key: 0 a vote of the threads, 1 the deepest one.
        Threads.threadChoice = v == 1 ? THREAD_CHOICE_DEEPEST : THREAD_CHOICE_VOTE;
    } else if (key == "CAUTION_FACTOR") {
        initReductions(std::min(v, MAX_CAUTION));
    } else if (key == "RULE") {
        // 0 freestyle, 1 standard, 2 and 4 renju, written as plain digits;
        // anything else leaves the game as it is, and the manager logs the
        // line as it was sent.
        const bool digitsOnly = info.value.find_first_not_of("0123456789") == std::string::npos;
        if (digitsOnly && v == 0) setGameRule(context, RULE_FREESTYLE);
        else if (digitsOnly && v == 1) setGameRule(context, RULE_STANDARD);
        else if (digitsOnly && (v == 2 || v == 4)) setGameRule(context, RULE_RENJU);
        else reply(context, "ERROR unsupported rule %s", info.value.c_str());
    }
    // FOLDER is accepted and changes nothing.
}
