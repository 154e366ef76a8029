// The platform services on Windows (64-bit, built with MinGW-w64).
#include "platform/platform.h"

#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>

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

// Committed pages read as zeros. Large pages would need a privilege that
// tournament machines do not grant, so plain pages serve.
void* allocateTableMemory(size_t bytes, size_t& allocated) {
    void* memory = VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (!memory) return nullptr;
    allocated = bytes;
    return memory;
}

void releaseTableMemory(void* memory, size_t) {
    if (memory) VirtualFree(memory, 0, MEM_RELEASE);
}

// Decommitted pages go back to the system; committed again they read as
// zeros. The commitment just given back is normally there to take again;
// when it is not, the block is unusable and, like a table that cannot be
// had at all, that ends the process.
bool discardTableMemory(void* memory, size_t allocated) {
    if (!VirtualFree(memory, allocated, MEM_DECOMMIT)) return false;
    if (!VirtualAlloc(memory, allocated, MEM_COMMIT, PAGE_READWRITE)) std::exit(1);
    return true;
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
