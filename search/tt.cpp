#include "search/tt.h"

#include <cstring>

#include "platform/large_block.h"
#include "platform/platform.h"

TranspositionTable TT;

namespace {

constexpr uint64_t LEAST_CLUSTERS = 256;  // 8 KiB

// The table of last resort, when the system gives no memory at all.
TTCluster builtInTable[LEAST_CLUSTERS];

void release(TranspositionTable& tt) {
    releaseLargeBlock(tt.mem, tt.mappedBytes);
    tt.mem = nullptr;
    tt.table = nullptr;
    tt.mappedBytes = 0;
    tt.clusterCount = 0;
}

// A table larger than half the machine's memory would take the memory the
// engine and the system need (or fail mid-game while being zeroed); such a
// request gets the largest power-of-two table within that half.
uint64_t affordableClusters(uint64_t clusters) {
    const uint64_t physical = physicalMemoryBytes();
    if (physical == 0) return clusters;
    const uint64_t affordableBytes = physical / 2;
    while (clusters > LEAST_CLUSTERS && clusters * sizeof(TTCluster) > affordableBytes) clusters /= 2;
    return clusters;
}

}  // namespace

uint64_t clusterCountFor(uint64_t bytes) {
    for (int k = 8; k <= 30; ++k) {
        if (bytes <= (uint64_t(64) << k)) return uint64_t(1) << k;
    }
    return uint64_t(1) << 31;
}

ProbeResult probe(TranspositionTable& tt, uint64_t key) {
    const uint32_t k = static_cast<uint32_t>(key >> 32);
    TTSlot* slots = clusterOf(tt, key)->entries;
    const TTEntry e[2] = {slots[0].load(), slots[1].load()};
    for (int i = 0; i < 2; ++i) {
        if (e[i].key32 == k || e[i].key32 == 0) return {&slots[i], e[i], e[i].key32 != 0};
    }
    // Replace the entry with less generation + depth; a tie replaces the first.
    int first = int(e[0].gen) + e[0].depth, second = int(e[1].gen) + e[1].depth;
    return first > second ? ProbeResult{&slots[1], e[1], false} : ProbeResult{&slots[0], e[0], false};
}

bool resize(TranspositionTable& tt, uint64_t bytes) {
    const uint64_t wanted = affordableClusters(clusterCountFor(bytes));
    if (wanted == tt.clusterCount) return true;
    // Under a tight limit the old table's memory is what the new one needs.
    release(tt);
    for (uint64_t clusters = wanted; clusters >= LEAST_CLUSTERS; clusters /= 2) {
        size_t mapped = 0;
        void* mem = allocateLargeBlock(clusters * sizeof(TTCluster), true, mapped);
        if (!mem) continue;
        if (!roomLeftForTheRest()) {
            releaseLargeBlock(mem, mapped);
            continue;
        }
        tt.mem = mem;
        tt.mappedBytes = mapped;
        tt.table = static_cast<TTCluster*>(mem);
        tt.clusterCount = static_cast<uint32_t>(clusters);
        return clusters == wanted;
    }
    tt.table = builtInTable;
    tt.clusterCount = LEAST_CLUSTERS;
    std::memset(static_cast<void*>(builtInTable), 0, sizeof builtInTable);
    return false;
}

void clear(TranspositionTable& tt) {
    if (!tt.table) return;
    // Pages handed back to the system read as zeros at their next touch:
    // instant even for a table of gigabytes (a new game clears it), and a
    // cleared table holds no memory until a search writes it again.
    if (!tt.mem || !discardLargeBlock(tt.mem, tt.mappedBytes))
        std::memset(static_cast<void*>(tt.table), 0, size_t(tt.clusterCount) * sizeof(TTCluster));
}
