// The few services the engine needs from the operating system, the same on
// every system it builds for. Each system has one source file in this folder
// (posix.cpp, windows.cpp) and the build links the one that fits; nothing
// else in the engine asks which system it runs on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>

// --- Standard input and output ---------------------------------------------

// The bytes that end every line the engine writes to standard output: what
// managers on this system read from a program's text output ("\n" on POSIX,
// "\r\n" on Windows).
extern const char LINE_END[];
extern const size_t LINE_END_LENGTH;
constexpr size_t LINE_END_CAPACITY = 2;  // the longest LINE_END_LENGTH

// Makes standard input and output carry bytes unchanged, so that the engine
// alone decides its line ends and no input byte ends the input early. Called
// once at start-up, before anything is read or written.
void prepareStandardStreams();

// --- Large blocks of memory ------------------------------------------------

// Zero-filled, page-aligned read-write memory of at least `bytes`, or nullptr
// when the system has none to give. Its pages are backed (committed, counted
// as the process's memory) only as they are first touched, so a block costs
// what its owner writes into it: the transposition table, a search thread's
// record and move batches, the game position. `allocated` gets the size to
// pass to releaseLargeBlock and discardLargeBlock. With largePages, a block
// of a large page or more uses the system's large pages where it offers them
// without special rights (for the table, which is touched all over).
void* allocateLargeBlock(size_t bytes, bool largePages, size_t& allocated);
void releaseLargeBlock(void* memory, size_t allocated);

// Hands the block's pages back to the system so that they read as zeros at
// their next touch, and count as memory only once touched again: instant
// even for gigabytes. False when that failed; the caller then clears the
// block itself.
bool discardLargeBlock(void* memory, size_t allocated);

// The size allocateLargeBlock gives for a request of `bytes` without large
// pages: what releaseLargeBlock wants back for such a block.
size_t largeBlockSize(size_t bytes);

// How many bytes of the range the system backs now: its resident pages on
// POSIX, its committed pages on Windows (what a harness counts as the
// process's memory), whole pages counted. The range must lie in memory the
// process has mapped or reserved (a large block, a thread's stack).
size_t backedBytes(const void* memory, size_t bytes);

// The machine's physical memory in bytes, 0 when the system does not say.
uint64_t physicalMemoryBytes();

// --- Threads ---------------------------------------------------------------

// A thread started with a stack of a chosen size (the standard library's
// threads cannot be given one). The object must stay where it is until the
// thread is joined: the new thread reads body and argument from it.
struct NativeThread {
    uintptr_t handle = 0;
    void (*body)(void*) = nullptr;
    void* argument = nullptr;
};

// Starts body(argument) on a new thread whose stack reserves stackBytes of
// address space (committed only as it is used). False when it cannot start.
bool startNativeThread(NativeThread& thread, size_t stackBytes, void (*body)(void*), void* argument);
// Waits for the thread's body to return.
void joinNativeThread(NativeThread& thread);

// --- Files and the clock ---------------------------------------------------

// Creates the folder when it does not exist yet (its parent must); nothing
// happens when it cannot.
void makeFolder(const char* path);

// Appends the bytes to the file, creating it readable by its owner alone when
// missing. False when the file cannot be opened or written.
bool appendToFile(const char* path, const char* bytes, size_t length);

// The local calendar time of a moment; false when the system cannot convert it.
bool localCalendarTime(std::time_t moment, std::tm& local);
