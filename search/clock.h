// The monotonic millisecond clock that search requests and time management
// share.
#pragma once

#include <chrono>
#include <cstdint>

inline int64_t nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
