// Objects that live each in a large block of their own (allocateLargeBlock):
// memory that reads as zero before the constructor runs and is backed only
// as it is touched. For the engine's few records whose fixed capacities go
// far beyond what a game uses (the game's position, a search thread's record
// and move batches): they cost the memory a search writes, on every system,
// and none of it is touched to be cleared. A class derives from
// InLargeBlock; new and delete of it and of its derived classes then use
// such blocks. When the system has no block to give, new throws
// std::bad_alloc at once, without calling the new-handler, so that the
// caller can do with less.
#pragma once

#include <cstddef>
#include <new>

#include "platform/platform.h"

struct InLargeBlock {
    static void* operator new(std::size_t bytes) {
        size_t allocated = 0;
        void* memory = allocateLargeBlock(bytes, false, allocated);
        if (!memory) throw std::bad_alloc();
        return memory;
    }
    static void operator delete(void* memory, std::size_t bytes) noexcept {
        releaseLargeBlock(memory, largeBlockSize(bytes));
    }
};

// Room the engine keeps free for its ordinary allocations (lines, move lists,
// the libraries' own): the table and the search threads never take the last
// of what the system gives, or a small allocation later in the game would
// find nothing.
constexpr size_t ROOM_FOR_THE_REST_BYTES = size_t(32) << 20;

// True while a block of ROOM_FOR_THE_REST_BYTES can still be had (it is
// given back at once, untouched).
inline bool roomLeftForTheRest() {
    size_t allocated = 0;
    void* memory = allocateLargeBlock(ROOM_FOR_THE_REST_BYTES, false, allocated);
    if (!memory) return false;
    releaseLargeBlock(memory, allocated);
    return true;
}
