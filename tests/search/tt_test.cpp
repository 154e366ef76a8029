#include "search/tt.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

class TableTest : public ::testing::Test {
protected:
    TranspositionTable table;  // a table of the test's own, not the engine's
};

TEST_F(TableTest, SizesArePowersOfTwoBelowTheRequest) {
    struct Case {
        uint64_t bytes;
        uint64_t clusters;
    };
    const Case cases[] = {
        {5242880, 131072}, {262144, 4096},     {1048576, 16384}, {0, 256},
        {1, 256},          {8192, 256},        {16385, 512},     {1ull << 36, 1ull << 30},
        {(1ull << 36) + 1, 1ull << 31}, {4294967295ull, 1ull << 26},
    };
    for (const Case& c : cases) EXPECT_EQ(clusterCountFor(c.bytes), c.clusters) << c.bytes;
    resize(table, 1048576);
    EXPECT_EQ(table.clusterCount, 16384u);
}

TEST_F(TableTest, SameClusterCountKeepsTheEntries) {
    resize(table, 262144);
    const uint64_t key = 0x1234567800000042ull;
    ProbeResult r = probe(table, key);
    EXPECT_FALSE(r.found);
    store(table, r.slot, key, 100, BOUND_EXACT, 5, 0x4e9, 7);
    resize(table, 200000);  // maps to the same 4096 clusters
    r = probe(table, key);
    ASSERT_TRUE(r.found);
    EXPECT_EQ(r.entry.value, 100);
    EXPECT_EQ(r.entry.move, 0x4e9u);
    resize(table, 1048576);  // a new size starts empty
    EXPECT_FALSE(probe(table, key).found);
}

TEST_F(TableTest, TwoKeysShareAClusterAndTheTieReplacesTheFirstEntry) {
    resize(table, 8192);
    const uint64_t low = 0x55;
    const uint64_t a = (1ull << 32) | low, b = (2ull << 32) | low, c = (3ull << 32) | low;
    store(table, probe(table, a).slot, a, 10, BOUND_LOWER, 3, 0, 0);
    store(table, probe(table, b).slot, b, 20, BOUND_LOWER, 3, 0, 0);
    EXPECT_EQ(probe(table, a).entry.value, 10);
    EXPECT_EQ(probe(table, b).entry.value, 20);
    TTCluster* cluster = clusterOf(table, a);
    ProbeResult victim = probe(table, c);
    EXPECT_FALSE(victim.found);
    EXPECT_EQ(victim.slot, &cluster->entries[0]);
    // A deeper first entry makes the second one the victim.
    TTEntry first = cluster->entries[0].load();
    first.depth = 9;
    cluster->entries[0].save(first);
    EXPECT_EQ(probe(table, c).slot, &cluster->entries[1]);
    // A key whose high half is 0 is never found.
    EXPECT_FALSE(probe(table, low).found);
}

TEST_F(TableTest, AKeyIsFoundOnlyUnderItsWholeHighHalf) {
    // Two keys of one cluster whose high halves share their low 16 bits:
    // the one stored is not found under the other.
    resize(table, 8192);
    const uint64_t low = 0x77;
    const uint64_t stored = (0x1234abcdull << 32) | low, other = (0x5678abcdull << 32) | low;
    ASSERT_EQ(clusterOf(table, stored), clusterOf(table, other));
    store(table, probe(table, stored).slot, stored, 10, BOUND_EXACT, 5, 0x4e9, 3);
    EXPECT_TRUE(probe(table, stored).found);
    const ProbeResult second = probe(table, other);
    EXPECT_FALSE(second.found);
    // Nor under a key that differs only in its top bit.
    EXPECT_FALSE(probe(table, stored ^ (1ull << 63)).found);
}

TEST_F(TableTest, StoreRuleKeepsDeeperResultsButNeverSkipsExactOnes) {
    resize(table, 8192);
    const uint64_t key = 0xabcdef0100000007ull;
    TTSlot* e = probe(table, key).slot;
    store(table, e, key, 50, BOUND_LOWER, 10, 0x401, 1);
    store(table, e, key, 60, BOUND_UPPER, 6, 0, 2);  // 6 <= 10 - 4: skipped, move kept
    EXPECT_EQ(e->load().value, 50);
    EXPECT_EQ(e->load().move, 0x401u);
    store(table, e, key, 70, BOUND_UPPER, 7, 0x402, 3);  // deep enough
    EXPECT_EQ(e->load().value, 70);
    EXPECT_EQ(e->load().move, 0x402u);
    store(table, e, key, 80, BOUND_EXACT, 0, 0, 4);  // exact: never skipped
    EXPECT_EQ(e->load().value, 80);
    EXPECT_EQ(e->load().move, 0x402u);
    // Another key's store clears the move it does not bring.
    store(table, e, key ^ (1ull << 40), 1, BOUND_LOWER, 1, 0, 0);
    EXPECT_EQ(e->load().move, 0u);
    // Generation ages stores and wraps at 16 bits.
    table.generation = 65528;
    newSearch(table);
    EXPECT_EQ(table.generation, 0u);
}

TEST(TableScores, MateScoresCarryTheirDistance) {
    struct Case {
        int32_t value, ply, tableForm;
    };
    const Case cases[] = {
        {SCORE_MATE - 5, 3, SCORE_MATE - 2}, {-SCORE_MATE + 5, 3, -SCORE_MATE + 2},
        {31744, 4, 31748},                   {1000, 9, 1000},
        {-31743, 9, -31743},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(valueToTable(c.value, c.ply), c.tableForm);
        EXPECT_EQ(valueFromTable(c.tableForm, c.ply), c.value);
    }
    EXPECT_EQ(valueFromTable(SCORE_NONE, 5), SCORE_NONE);
}

TEST_F(TableTest, AnEntryWhoseWordsComeFromTwoStoresIsNeverFound) {
    // Two threads storing into one slot at once can leave the first word of
    // one store beside the second word of the other. The key check folds the
    // second word into the first: such an entry reads as another key (all but
    // one of 2^32 pairs of data words do).
    resize(table, 8192);
    const uint64_t key = 0x0badcafe00000011ull;
    TTSlot* slot = probe(table, key).slot;
    store(table, slot, key, 100, BOUND_EXACT, 7, 0x4e9, 3);
    const uint64_t keyA = slot->keyWord.load(), dataA = slot->dataWord.load();
    store(table, slot, key, -250, BOUND_LOWER, 12, 0x52a, -9);
    const uint64_t keyB = slot->keyWord.load(), dataB = slot->dataWord.load();
    for (const auto& [k, d] : {std::pair{keyA, dataB}, std::pair{keyB, dataA}}) {
        slot->keyWord.store(k);
        slot->dataWord.store(d);
        EXPECT_FALSE(probe(table, key).found);
    }
    // Whole stores read back whole.
    slot->keyWord.store(keyA);
    slot->dataWord.store(dataA);
    const ProbeResult a = probe(table, key);
    ASSERT_TRUE(a.found);
    EXPECT_EQ(a.entry.value, 100);
    EXPECT_EQ(a.entry.staticEval, 3);
    EXPECT_EQ(a.entry.move, 0x4e9u);
    EXPECT_EQ(a.entry.depth, 7);
    EXPECT_EQ(a.entry.bound, BOUND_EXACT);
    slot->keyWord.store(keyB);
    slot->dataWord.store(dataB);
    const ProbeResult b = probe(table, key);
    ASSERT_TRUE(b.found);
    EXPECT_EQ(b.entry.value, -250);
    EXPECT_EQ(b.entry.staticEval, -9);
    EXPECT_EQ(b.entry.depth, 12);
}

TEST_F(TableTest, ASizeTheMachineCannotHoldIsReduced) {
    resize(table, 1ull << 40);  // a terabyte
    EXPECT_GE(table.clusterCount, 256u);
    EXPECT_LT(uint64_t(table.clusterCount) * sizeof(TTCluster), 1ull << 40);
    const uint64_t key = 0x1234567800000009ull;
    store(table, probe(table, key).slot, key, 3, BOUND_EXACT, 2, 0, 0);
    EXPECT_TRUE(probe(table, key).found);
}

TEST_F(TableTest, ClearEmptiesEveryCluster) {
    resize(table, 8192);
    const uint64_t key = 0x7777777700000001ull;
    store(table, probe(table, key).slot, key, 5, BOUND_EXACT, 1, 0, 0);
    clear(table);
    EXPECT_FALSE(probe(table, key).found);
}

}  // namespace
