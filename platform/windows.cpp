// The platform services on Windows (64-bit, built with MinGW-w64).
#include "platform/platform.h"

#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <new>

const char LINE_END[] = "\r\n";
const size_t LINE_END_LENGTH = sizeof LINE_END - 1;
static_assert(sizeof LINE_END - 1 <= LINE_END_CAPACITY);

// Text mode would end the input at a Ctrl-Z byte and put a CR before every
// line feed written; the engine drops CR bytes itself and writes LINE_END.
// Standard error stays in text mode: only people read it.
void prepareStandardStreams() {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
}

namespace {

// Blocks whose pages are committed only as they are first touched, the way
// the system itself treats a thread's stack: a harness that counts the
// process's committed memory then sees what the engine uses, not the
// capacity its fixed-size records reserve. A touch of a page that is only
// reserved raises an access violation; the handler below commits the page
// and lets the touch run again. The list is fixed in size and read without
// locks, since the handler runs on whichever thread touched the page; a
// block is entered with its end before its beginning and taken out in the
// other order, so that the handler never sees a half-entered block.
struct LazyBlock {
    std::atomic<uintptr_t> begin{0};
    std::atomic<uintptr_t> end{0};
};
// The table, the game, one record per search thread, with room to spare.
constexpr size_t LAZY_BLOCK_CAPACITY = 1024;
LazyBlock lazyBlocks[LAZY_BLOCK_CAPACITY];
std::atomic<size_t> lazyBlocksUsed{0};  // entries ever used: the handler looks no further
std::mutex lazyBlocksChanging;           // only between threads entering or removing blocks
constexpr uintptr_t COMMIT_PAGE_BYTES = 4096;

LONG CALLBACK commitOnFirstTouch(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD& record = *info->ExceptionRecord;
    if (record.ExceptionCode != EXCEPTION_ACCESS_VIOLATION || record.NumberParameters < 2)
        return EXCEPTION_CONTINUE_SEARCH;
    const uintptr_t address = record.ExceptionInformation[1];
    const size_t used = lazyBlocksUsed.load(std::memory_order_acquire);
    for (size_t i = 0; i < used; ++i) {
        const uintptr_t begin = lazyBlocks[i].begin.load(std::memory_order_acquire);
        if (begin == 0 || address < begin || address >= lazyBlocks[i].end.load(std::memory_order_acquire)) continue;
        void* page = reinterpret_cast<void*>(address & ~(COMMIT_PAGE_BYTES - 1));
        if (VirtualAlloc(page, COMMIT_PAGE_BYTES, MEM_COMMIT, PAGE_READWRITE)) return EXCEPTION_CONTINUE_EXECUTION;
        // The system has no memory left to commit: what the engine does when
        // an allocation fails, or a crash when it has said nothing.
        if (std::new_handler outOfMemory = std::get_new_handler()) outOfMemory();
        return EXCEPTION_CONTINUE_SEARCH;
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

// False when the list is full: the block is then refused like one the
// system cannot give.
bool enterLazyBlock(void* memory, size_t bytes) {
    static std::once_flag handlerAdded;
    std::call_once(handlerAdded, [] { AddVectoredExceptionHandler(1, commitOnFirstTouch); });
    std::lock_guard<std::mutex> lock(lazyBlocksChanging);
    for (size_t i = 0; i < LAZY_BLOCK_CAPACITY; ++i) {
        if (lazyBlocks[i].begin.load(std::memory_order_relaxed) != 0) continue;
        lazyBlocks[i].end.store(reinterpret_cast<uintptr_t>(memory) + bytes, std::memory_order_release);
        lazyBlocks[i].begin.store(reinterpret_cast<uintptr_t>(memory), std::memory_order_release);
        if (i >= lazyBlocksUsed.load(std::memory_order_relaxed)) lazyBlocksUsed.store(i + 1, std::memory_order_release);
        return true;
    }
    return false;
}

void removeLazyBlock(void* memory) {
    std::lock_guard<std::mutex> lock(lazyBlocksChanging);
    const size_t used = lazyBlocksUsed.load(std::memory_order_relaxed);
    for (size_t i = 0; i < used; ++i) {
        if (lazyBlocks[i].begin.load(std::memory_order_relaxed) != reinterpret_cast<uintptr_t>(memory)) continue;
        lazyBlocks[i].begin.store(0, std::memory_order_release);
        lazyBlocks[i].end.store(0, std::memory_order_release);
        return;
    }
}

}  // namespace

// Reserved address space, committed page by page as it is touched (committed
// pages read as zeros). Large pages would need a privilege that tournament
// machines do not grant, so plain pages serve.
void* allocateLargeBlock(size_t bytes, bool, size_t& allocated) {
    void* memory = VirtualAlloc(nullptr, bytes, MEM_RESERVE, PAGE_READWRITE);
    if (!memory) return nullptr;
    if (!enterLazyBlock(memory, bytes)) {
        VirtualFree(memory, 0, MEM_RELEASE);
        return nullptr;
    }
    allocated = bytes;
    return memory;
}

size_t largeBlockSize(size_t bytes) { return bytes; }

void releaseLargeBlock(void* memory, size_t) {
    if (!memory) return;
    removeLazyBlock(memory);
    VirtualFree(memory, 0, MEM_RELEASE);
}

// Decommitted pages go back to the system; the next touch commits them
// again, reading as zeros.
bool discardLargeBlock(void* memory, size_t allocated) { return VirtualFree(memory, allocated, MEM_DECOMMIT) != 0; }

size_t backedBytes(const void* memory, size_t bytes) {
    const auto* at = static_cast<const unsigned char*>(memory);
    const auto* end = at + bytes;
    size_t committed = 0;
    while (at < end) {
        MEMORY_BASIC_INFORMATION region;
        if (VirtualQuery(at, &region, sizeof region) == 0) break;
        const auto* regionEnd = static_cast<const unsigned char*>(region.BaseAddress) + region.RegionSize;
        const auto* stop = regionEnd < end ? regionEnd : end;
        if (region.State == MEM_COMMIT) committed += size_t(stop - at);
        at = stop;
    }
    return committed;
}

uint64_t physicalMemoryBytes() {
    MEMORYSTATUSEX status;
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status)) return 0;
    return status.ullTotalPhys;
}

namespace {

unsigned __stdcall runThreadBody(void* thread) {
    NativeThread& native = *static_cast<NativeThread*>(thread);
    native.body(native.argument);
    return 0;
}

}  // namespace

// The stack size is a reservation: only the pages the search touches are
// committed, as with a POSIX thread's stack.
bool startNativeThread(NativeThread& thread, size_t stackBytes, void (*body)(void*), void* argument) {
    thread.body = body;
    thread.argument = argument;
    const uintptr_t handle = _beginthreadex(nullptr, static_cast<unsigned>(stackBytes), runThreadBody, &thread,
                                            STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (handle == 0) return false;
    thread.handle = handle;
    return true;
}

void joinNativeThread(NativeThread& thread) {
    HANDLE handle = reinterpret_cast<HANDLE>(thread.handle);
    WaitForSingleObject(handle, INFINITE);
    CloseHandle(handle);
    thread.handle = 0;
}

void makeFolder(const char* path) { CreateDirectoryA(path, nullptr); }

bool appendToFile(const char* path, const char* bytes, size_t length) {
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, bytes, static_cast<DWORD>(length), &written, nullptr) && written == length;
    CloseHandle(file);
    return ok;
}

bool localCalendarTime(std::time_t moment, std::tm& local) { return localtime_s(&local, &moment) == 0; }
