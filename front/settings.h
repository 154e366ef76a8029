// Engine settings the manager tunes with INFO lines: time and search limits
// copied into every search request, plus values that are only stored. They
// keep their values across games (START does not reset them), except that
// START forgets whether a TIME_LEFT was given for the game.
#pragma once

#include <cstdint>
#include <string>

struct GameContext;

constexpr uint32_t DEFAULT_HASH_BYTES = 5242880;

// What the engine takes besides the transposition table, measured as the
// peak resident memory (committed memory on Windows: the big records are
// backed only as touched there too) of searches on 20 x 20: about 31 MiB
// for the process with its main search thread after a few moves of 5 s and
// 37 MiB after moves of 20 s (the game position and the thread's copy,
// their records, the move statistics, the pattern-table pages a game
// reads), and 3 to 5 MiB more for each helper thread (the parts of its
// position copy, statistics and move batches its search writes), with room
// for long searches that reach more records.
constexpr uint64_t ENGINE_BASE_MEMORY_BYTES = 40ull << 20;
constexpr uint64_t HELPER_THREAD_MEMORY_BYTES = 12ull << 20;
// The table a memory limit leaves at the least, beside the threads.
constexpr uint64_t MIN_LIMITED_TABLE_BYTES = 1ull << 20;

struct EngineSettings {
    uint32_t timeoutTurn = 0;    // ms for one move, 0 = no per-move limit
    uint32_t timeoutMatch = 0;   // ms for the whole match
    int64_t timeLeft = 0;        // ms left in the match; negative once overrun
    bool timeLeftGiven = false;  // a TIME_LEFT came since START
    uint32_t timeInc = 0;        // ms added per move
    uint32_t maxMemory = DEFAULT_HASH_BYTES;
    // The limit on the engine's whole memory (MAX_MEMORY in bytes, or
    // HASH_SIZE in KiB); 0 when none was given: the table keeps its size.
    uint64_t memoryLimit = 0;
    // The thread count asked for (THREADS on the command line, then
    // INFO THREAD_NUM), as given; the pool holds it clamped, and fewer when
    // a memory limit cannot hold that many.
    int64_t threadsAsked = 1;
    uint32_t maxDepth = 28;
    uint32_t maxNode = 0;
    uint32_t gameType = 0;
    uint32_t gameFlags = 0;      // never changed by any command
    uint32_t matchMode = 0;
};

struct InfoArgument {
    std::string key;    // one of the known keys, or empty
    std::string value;  // the rest of the argument, trimmed
};

// Sets the pool's thread count to the threads asked for and, under a memory
// limit, sizes the table to what the limit leaves after the rest of the
// engine and its helper threads. A limit too small for the helpers asked for
// beside the smallest limited table gets as many as fit (none at the least);
// a limit too small for the engine alone gets the smallest table there is.
// Without a limit the table keeps its size. When the system cannot give the
// table that size, it is smaller and a MESSAGE line says so. Only while no
// search runs.
void fitThreadsAndTable(GameContext& context);

// Sizes the table to the bytes asked for, saying in a MESSAGE line when the
// system gave less.
void resizeTable(GameContext& context, uint64_t bytes);

// Splits "KEY value" (the value may follow the key without a space).
InfoArgument splitInfoArgument(const std::string& argument);

// INFO key value: the argument is the trimmed text after INFO. Keys without
// a number, unknown keys and FOLDER change nothing and say nothing; RULE
// sets the game's rule (0 freestyle, 1 standard, 2 or 4 renju) or answers
// "ERROR unsupported rule N".
void handleInfo(GameContext& context, const char* argument);
