// Large blocks and what lives in them cost the memory that is touched, on
// every system the engine builds for: a block is backed (resident on POSIX,
// committed on Windows) only where it was written, reads as zeros, and
// after a discard holds nothing again; a search thread's record, the game
// and the table cost what their set-up writes, and a thread's stack what its
// frames reach. This program also runs as the Windows build under wine
// (make windows-test), where a harness counts committed memory.
#include "platform/large_block.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "board/startup_tables.h"
#include "front/game_context.h"
#include "platform/platform.h"
#include "search/threads.h"
#include "search/tt.h"

namespace {

constexpr size_t MIB = size_t(1) << 20;
// A few pages: the system may back whole groups of pages at a touch.
constexpr size_t A_FEW_PAGES = 256 * 1024;

TEST(LargeBlock, IsBackedOnlyWhereWrittenAndReadsZeros) {
    const size_t bytes = 64 * MIB;
    size_t allocated = 0;
    auto* block = static_cast<volatile unsigned char*>(allocateLargeBlock(bytes, false, allocated));
    ASSERT_NE(block, nullptr);
    EXPECT_GE(allocated, bytes);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % 4096, 0u);
    EXPECT_EQ(backedBytes(const_cast<unsigned char*>(block), bytes), 0u);

    const size_t written[] = {0, 10 * MIB + 5, bytes - 1};
    for (size_t offset : written) block[offset] = 7;
    const size_t backed = backedBytes(const_cast<unsigned char*>(block), bytes);
    EXPECT_GT(backed, 0u);
    EXPECT_LE(backed, 3 * A_FEW_PAGES);
    for (size_t offset = 1; offset < bytes - 1; offset += 40961) {
        if (offset == written[1]) continue;
        ASSERT_EQ(block[offset], 0) << offset;
    }
    for (size_t offset : written) EXPECT_EQ(block[offset], 7);

    // Discarded, it holds nothing and reads as zeros again.
    EXPECT_TRUE(discardLargeBlock(const_cast<unsigned char*>(block), allocated));
    EXPECT_EQ(backedBytes(const_cast<unsigned char*>(block), bytes), 0u);
    for (size_t offset : written) EXPECT_EQ(block[offset], 0);
    releaseLargeBlock(const_cast<unsigned char*>(block), allocated);
}

TEST(LargeBlock, TheEnginesRecordsCostWhatTheirSetUpWrites) {
    buildClassTable();
    // A search thread: about 65 MB of position, statistics and move batches.
    std::unique_ptr<SearchThread> thread(new SearchThread(1));
    ASSERT_TRUE(thread->started);
    EXPECT_GT(sizeof(SearchThread), 60 * MIB);
    EXPECT_LT(backedBytes(thread.get(), sizeof(SearchThread)), 2 * MIB);
    thread.reset();
    // The game, its position set up for a 20 x 20 board.
    std::unique_ptr<GameContext> game(new GameContext);
    initGameContext(*game, START_BOARD_SIZE);
    EXPECT_GT(sizeof(GameContext), 16 * MIB);
    EXPECT_LT(backedBytes(game.get(), sizeof(GameContext)), 2 * MIB);
    // A table of 64 MiB: nothing until an entry is written, nothing after a
    // clear.
    TranspositionTable table;
    ASSERT_TRUE(resize(table, 64 * MIB + 1));
    EXPECT_EQ(backedBytes(table.table, tableBytes(table)), 0u);
    const uint64_t key = 0x123456789abcdefull;
    store(table, probe(table, key).slot, key, 10, BOUND_EXACT, 3, 0, 0);
    EXPECT_GT(backedBytes(table.table, tableBytes(table)), 0u);
    // Large pages may back 2 MiB at a touch.
    EXPECT_LE(backedBytes(table.table, tableBytes(table)), 2 * MIB);
    clear(table);
    EXPECT_EQ(backedBytes(table.table, tableBytes(table)), 0u);
    EXPECT_FALSE(probe(table, key).found);
}

// A search thread's stack reserves SEARCH_THREAD_STACK_BYTES; the frames of
// a thread that has not gone deep leave the rest of it without memory.
TEST(LargeBlock, AThreadStackCostsOnlyTheFramesReached) {
    struct Measure {
        size_t backed = 1;
        static void body(void* self) {
            // The stack grows down from here; look well below this frame.
            const auto* frame = static_cast<const unsigned char*>(__builtin_frame_address(0));
            static_cast<Measure*>(self)->backed = backedBytes(frame - 48 * MIB, 32 * MIB);
        }
    } measure;
    NativeThread thread;
    ASSERT_TRUE(startNativeThread(thread, SEARCH_THREAD_STACK_BYTES, Measure::body, &measure));
    joinNativeThread(thread);
    EXPECT_EQ(measure.backed, 0u);
}

}  // namespace
