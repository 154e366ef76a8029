#include "front/settings.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <utility>

#include "board/startup_tables.h"
#include "front/game_context.h"
#include "search/threads.h"
#include "search/tt.h"
#include "search/tunables.h"

namespace {

TEST(InfoArgument, KeyIsThePrefixAndTheValueTheTrimmedRest) {
    struct Case {
        std::string argument, key, value;
    };
    const Case cases[] = {
        {"TIMEOUT_TURN 5000", "TIMEOUT_TURN", "5000"},
        {"TIMEOUT_TURN1000", "TIMEOUT_TURN", "1000"},
        {"TIMEOUT_MATCH   90000  ", "TIMEOUT_MATCH", "90000"},
        {"TIME_LEFT 7", "TIME_LEFT", "7"},
        {"FOLDER /some/where", "FOLDER", "/some/where"},
        {"MAX_DEPTH ABC", "MAX_DEPTH", "ABC"},
        {"UNKNOWN_KEY 5", "", ""},
        {" TIMEOUT_TURN 5", "", ""},
    };
    for (const Case& c : cases) {
        InfoArgument info = splitInfoArgument(c.argument);
        EXPECT_EQ(info.key, c.key) << c.argument;
        EXPECT_EQ(info.value, c.value) << c.argument;
    }
}

class InfoTest : public ::testing::Test {
protected:
    void SetUp() override {
        buildClassTable();
        context = std::make_unique<GameContext>();
        initGameContext(*context, START_BOARD_SIZE);
    }
    std::string info(const std::string& argument) {
        ::testing::internal::CaptureStdout();
        handleInfo(*context, argument.c_str());
        return ::testing::internal::GetCapturedStdout();
    }
    std::unique_ptr<GameContext> context;
};

TEST_F(InfoTest, StoresTheLimitsSilently) {
    EXPECT_EQ(info("TIMEOUT_TURN 5000"), "");
    EXPECT_EQ(context->settings.timeoutTurn, 5000u);
    info("TIMEOUT_MATCH 180000");
    info("TIME_LEFT 4200");
    info("TIME_INC 300");
    info("MAX_DEPTH 9");
    info("MAX_NODE 1000000");
    info("GAME_TYPE 1");
    info("MATCH_MODE 2");
    EXPECT_EQ(context->settings.timeoutMatch, 180000u);
    EXPECT_EQ(context->settings.timeLeft, 4200);
    EXPECT_TRUE(context->settings.timeLeftGiven);
    EXPECT_EQ(context->settings.timeInc, 300u);
    EXPECT_EQ(context->settings.maxDepth, 9u);
    EXPECT_EQ(context->settings.maxNode, 1000000u);
    EXPECT_EQ(context->settings.gameType, 1u);
    EXPECT_EQ(context->settings.matchMode, 2u);
    // No number, an unknown key, RULE and FOLDER change nothing.
    EXPECT_EQ(info("MAX_DEPTH ABC"), "");
    EXPECT_EQ(context->settings.maxDepth, 9u);
    EXPECT_EQ(info("RULE 4") + info("FOLDER /tmp") + info("NONSENSE 3"), "");
    EXPECT_EQ(context->settings.gameFlags, 0u);
}

TEST_F(InfoTest, TimeLeftKeepsItsSignAndSaturates) {
    EXPECT_FALSE(context->settings.timeLeftGiven);
    const std::pair<std::string, int64_t> cases[] = {
        {"TIME_LEFT -250", -250},
        {"TIME_LEFT 0", 0},
        {"TIME_LEFT 2147483647", 2147483647},
        {"TIME_LEFT 99999999999", 4294967295},
        {"TIME_LEFT -99999999999", -4294967295},
    };
    for (const auto& [line, value] : cases) {
        EXPECT_EQ(info(line), "");
        EXPECT_EQ(context->settings.timeLeft, value) << line;
    }
    // No number: nothing changes.
    info("TIME_LEFT soon");
    EXPECT_EQ(context->settings.timeLeft, -4294967295);
}

TEST_F(InfoTest, ShowDetailFollowsTheValue) {
    info("SHOW_DETAIL 1");
    EXPECT_TRUE(context->showDetail);
    info("SHOW_DETAIL 0");
    EXPECT_FALSE(context->showDetail);
}

TEST_F(InfoTest, MemoryLimitsLeaveTheTableWhatTheRestOfTheEngineDoesNotNeed) {
    // The limit is the engine's whole memory: the table gets what is left
    // after 40 MiB for the engine and 12 MiB for each helper thread, as the
    // largest power of two that fits. Helpers that would leave less than
    // 1 MiB of table are not started while the limit stands.
    initPool(1, 1);
    struct Case {
        const char* argument;
        const char* reply;
        uint64_t threads;   // in the pool
        uint32_t clusters;  // of 32 bytes
    };
    const Case cases[] = {
        {"HASH_SIZE 100", "MESSAGE INFO HASH_SIZE 262144\n", 1, 256},       // clamped to 256 KiB: nothing left
        {"HASH_SIZE 65536", "MESSAGE INFO HASH_SIZE 67108864\n", 1, 524288},  // 24 MiB left: 16 MiB
        {"THREAD_NUM 3", "", 2, 262144},         // 64 MiB hold one helper: 12 MiB left: 8 MiB
        {"MAX_MEMORY 104857600", "", 3, 1048576},  // 100 MiB: 36 MiB left: 32 MiB
        {"THREAD_NUM 5", "", 5, 262144},         // 12 MiB left: 8 MiB
        {"THREAD_NUM 6", "", 5, 262144},         // a sixth thread would leave nothing: five
        {"MAX_MEMORY 52428800", "", 1, 262144},  // 50 MiB hold no helper: 10 MiB left: 8 MiB
        {"MAX_MEMORY 104857600", "", 5, 262144},  // the threads asked for come back as far as they fit
        {"THREAD_NUM 1", "", 1, 1048576},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.argument);
        EXPECT_EQ(info(c.argument), c.reply);
        EXPECT_EQ(Threads.target, c.threads);
        EXPECT_EQ(TT.clusterCount, c.clusters);
    }
    EXPECT_EQ(context->settings.maxMemory, 104857600u);
    // MAX_MEMORY 0: no limit, the 4 MiB table of a start without one, and a
    // thread count leaves it alone and is taken whole.
    info("MAX_MEMORY 0");
    EXPECT_EQ(TT.clusterCount, 131072u);
    info("THREAD_NUM 6");
    EXPECT_EQ(Threads.target, 6u);
    EXPECT_EQ(TT.clusterCount, 131072u);
    destroyPool(Threads);
    resize(TT, DEFAULT_HASH_BYTES);
}

TEST_F(InfoTest, TuneSetsOneWeightByNameWithinItsRange) {
    // handleInfo gets the line upper-cased, as the protocol reads every line.
    struct Case {
        const char* argument;
        const char* reply;
        int32_t openThree;  // EVAL_WEIGHTS.own[1] afterwards
        int32_t running;
    };
    const Case cases[] = {
        {"TUNE OWN_OPEN_THREE 700", "MESSAGE INFO TUNE OWN_OPEN_THREE 700\n", 700, DEFAULT_EVAL_WEIGHTS.running},
        {"TUNE OWN_OPEN_THREE -5", "MESSAGE INFO TUNE OWN_OPEN_THREE 0\n", 0, DEFAULT_EVAL_WEIGHTS.running},  // below its range
        {"TUNE RUNNING 99999999999", "MESSAGE INFO TUNE RUNNING 256\n", 0, 256},      // above it
        {"TUNE NO_SUCH_WEIGHT 3", "ERROR unknown tunable NO_SUCH_WEIGHT\n", 0, 256},
        {"TUNE RUNNING", "ERROR TUNE needs a name and a whole number\n", 0, 256},
        {"TUNE RUNNING 1.5", "ERROR TUNE needs a name and a whole number\n", 0, 256},
        {"TUNE RUNNING 12X", "ERROR TUNE needs a name and a whole number\n", 0, 256},
        {"TUNE RUNNING 1-2", "ERROR TUNE needs a name and a whole number\n", 0, 256},
        {"TUNE RUNNING 5 6", "ERROR TUNE needs a name and a whole number\n", 0, 256},
        {"TUNE RUNNING -", "ERROR TUNE needs a name and a whole number\n", 0, 256},
        {"TUNE", "ERROR TUNE needs a name and a whole number\n", 0, 256},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.argument);
        EXPECT_EQ(info(c.argument), c.reply);
        EXPECT_EQ(EVAL_WEIGHTS.own[1], c.openThree);
        EXPECT_EQ(EVAL_WEIGHTS.running, c.running);
    }
    // A search margin is set the same way; a divisor stays above zero.
    EXPECT_EQ(info("TUNE NULL_MOVE_DIVISOR 0"), "MESSAGE INFO TUNE NULL_MOVE_DIVISOR 1\n");
    EXPECT_EQ(SEARCH_MARGINS.nullMoveDivisor, 1);
    // Every tunable has its own name and starts at its default.
    resetTunables();
    std::set<std::string> names;
    for (const Tunable& t : tunables()) {
        EXPECT_TRUE(names.insert(t.name).second) << t.name;
        EXPECT_EQ(*t.value, t.defaultValue) << t.name;
        EXPECT_LE(t.least, t.defaultValue) << t.name;
        EXPECT_GE(t.most, t.defaultValue) << t.name;
    }
}

TEST_F(InfoTest, CautionFactorRebuildsTheReductionsUpToFour) {
    info("CAUTION_FACTOR 9");
    const int32_t capped = reductionsA[0][63][63];
    initReductions(4);
    EXPECT_EQ(reductionsA[0][63][63], capped);
    info("CAUTION_FACTOR 0");
    const int32_t least = reductionsA[0][63][63];
    initReductions(0);
    EXPECT_EQ(reductionsA[0][63][63], least);
    EXPECT_LT(least, capped);
    initReductions(2);
}

}  // namespace
