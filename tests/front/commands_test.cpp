// The game commands on a context of their own, where the e2e tests cannot
// look: what START does to the transposition table.
#include "front/commands.h"

#include <gtest/gtest.h>

#include <memory>

#include "board/startup_tables.h"
#include "front/game_context.h"
#include "search/tt.h"

namespace {

class GameCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        buildClassTable();
        context = std::make_unique<GameContext>();
        initGameContext(*context, START_BOARD_SIZE);
        resize(TT, 1 << 20);
        clear(TT);
    }
    void TearDown() override { clear(TT); }
    std::string start(const char* size) {
        ::testing::internal::CaptureStdout();
        handleStart(*context, size);
        return ::testing::internal::GetCapturedStdout();
    }
    static void storeEntry(uint64_t key) {
        const ProbeResult slot = probe(TT, key);
        store(TT, slot.slot, key, 100, BOUND_EXACT, 10, cellIndex(17, 17), 0);
    }
    std::unique_ptr<GameContext> context;
};

TEST_F(GameCommandsTest, StartWithAnotherSizeClearsTheTable) {
    // Keys do not hold the board size, so a 20 x 20 entry could name a move
    // beyond the edge of a smaller board.
    constexpr uint64_t KEY = 0x123456789abcdef0;
    ASSERT_EQ(start("20"), "OK\n");
    storeEntry(KEY);
    ASSERT_EQ(start("20"), "OK\n");
    EXPECT_TRUE(probe(TT, KEY).found) << "the same size keeps what was learnt";
    ASSERT_EQ(start("15"), "OK\n");
    EXPECT_FALSE(probe(TT, KEY).found);
    // A refused size changes nothing.
    storeEntry(KEY);
    EXPECT_EQ(start("30"), "ERROR size of the board\n");
    EXPECT_TRUE(probe(TT, KEY).found);
}

}  // namespace
