// What every search thread polls and the driver controls: the stop flag and
// the time check. The flag is one process-wide value written with a full
// fence (by YXSTOP, by the driver and by the time check) and read without
// locks by the node searches.
#pragma once

#include <atomic>

extern std::atomic<bool> stopFlag;

// Raises the stop flag; every search thread sees it at its next poll.
inline void raiseStop() {
    stopFlag.store(true, std::memory_order_seq_cst);
    std::atomic_thread_fence(std::memory_order_seq_cst);
}

inline bool stopRequested() { return stopFlag.load(std::memory_order_relaxed); }

// Called by the node searches every 4096 nodes: raises the stop flag when
// the search's time or node budget is spent.
void checkTime();
