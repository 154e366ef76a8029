#include "board/zobrist.h"

namespace {

// splitmix64 from a fixed seed: well-spread keys, the same in every build.
constexpr std::array<uint64_t, ZOBRIST_KEY_COUNT> generateZobristKeys() {
    std::array<uint64_t, ZOBRIST_KEY_COUNT> keys{};
    uint64_t state = 0x2545f4914f6cdd1dULL;
    for (uint64_t& key : keys) {
        state += 0x9e3779b97f4a7c15ULL;
        uint64_t z = state;
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        key = z ^ (z >> 31);
    }
    return keys;
}

}  // namespace

constexpr std::array<uint64_t, ZOBRIST_KEY_COUNT> ZobristKeys = generateZobristKeys();
