// The platform services on Linux and other POSIX systems.
#include "platform/platform.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <type_traits>
#include <vector>

const char LINE_END[] = "\n";
const size_t LINE_END_LENGTH = sizeof LINE_END - 1;
static_assert(sizeof LINE_END - 1 <= LINE_END_CAPACITY);

// POSIX streams never translate bytes.
void prepareStandardStreams() {}

// The leak checker of sanitizer builds looks for pointers in the heap, the
// stacks and the globals, not in memory the program maps itself: the objects
// in large blocks hold pointers to the heap (a thread's root moves, the
// game's blocked cells), so each block is shown to it as a place to look.
// Weak, so that they are null in a build without the sanitizer's runtime.
extern "C" void __lsan_register_root_region(const void* begin, size_t size) __attribute__((weak));
extern "C" void __lsan_unregister_root_region(const void* begin, size_t size) __attribute__((weak));

namespace {

constexpr size_t HUGE_PAGE_BYTES = 2 * 1024 * 1024;

}  // namespace

// An anonymous mapping comes zeroed and page-aligned, and the kernel backs a
// page only when it is first touched. Blocks of a huge page or more may ask
// for transparent huge pages, which cut address translation misses; where
// the system does not offer them the advice is simply ignored and plain
// pages serve.
void* allocateLargeBlock(size_t bytes, bool largePages, size_t& allocated) {
    const bool huge = largePages && bytes >= HUGE_PAGE_BYTES;
    const size_t rounded = huge ? (bytes + HUGE_PAGE_BYTES - 1) / HUGE_PAGE_BYTES * HUGE_PAGE_BYTES : bytes;
    void* memory = mmap(nullptr, rounded, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) return nullptr;
#ifdef MADV_HUGEPAGE
    if (huge) madvise(memory, rounded, MADV_HUGEPAGE);
#endif
    if (__lsan_register_root_region) __lsan_register_root_region(memory, rounded);
    allocated = rounded;
    return memory;
}

size_t largeBlockSize(size_t bytes) { return bytes; }

void releaseLargeBlock(void* memory, size_t allocated) {
    if (!memory) return;
    if (__lsan_unregister_root_region) __lsan_unregister_root_region(memory, allocated);
    munmap(memory, allocated);
}

// Private anonymous pages dropped with MADV_DONTNEED read as zeros again.
bool discardLargeBlock(void* memory, size_t allocated) {
    return madvise(memory, allocated, MADV_DONTNEED) == 0;
}

size_t backedBytes(const void* memory, size_t bytes) {
    const uintptr_t page = uintptr_t(sysconf(_SC_PAGESIZE));
    const uintptr_t begin = reinterpret_cast<uintptr_t>(memory) / page * page;
    const uintptr_t end = (reinterpret_cast<uintptr_t>(memory) + bytes + page - 1) / page * page;
    std::vector<unsigned char> resident((end - begin) / page);
    if (resident.empty() || mincore(reinterpret_cast<void*>(begin), end - begin, resident.data()) != 0) return 0;
    size_t pages = 0;
    for (unsigned char flags : resident) pages += flags & 1;
    return pages * page;
}

uint64_t physicalMemoryBytes() {
    const long pages = sysconf(_SC_PHYS_PAGES), pageBytes = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageBytes <= 0) return 0;
    return uint64_t(pages) * uint64_t(pageBytes);
}

namespace {

void* runThreadBody(void* thread) {
    NativeThread& native = *static_cast<NativeThread*>(thread);
    native.body(native.argument);
    return nullptr;
}

// The handle keeps the pthread_t's bytes.
static_assert(sizeof(pthread_t) <= sizeof(NativeThread::handle) && std::is_trivially_copyable_v<pthread_t>);

}  // namespace

bool startNativeThread(NativeThread& thread, size_t stackBytes, void (*body)(void*), void* argument) {
    thread.body = body;
    thread.argument = argument;
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0) return false;
    pthread_t native;
    const bool started = pthread_attr_setstacksize(&attributes, stackBytes) == 0 &&
                         pthread_create(&native, &attributes, runThreadBody, &thread) == 0;
    pthread_attr_destroy(&attributes);
    if (started) std::memcpy(&thread.handle, &native, sizeof native);
    return started;
}

void joinNativeThread(NativeThread& thread) {
    pthread_t native;
    std::memcpy(&native, &thread.handle, sizeof native);
    pthread_join(native, nullptr);
}

void makeFolder(const char* path) {
    struct stat info;
    if (stat(path, &info) != 0 || !S_ISDIR(info.st_mode)) mkdir(path, 0755);
}

bool appendToFile(const char* path, const char* bytes, size_t length) {
    const int fd = open(path, O_WRONLY | O_APPEND | O_CREAT, 0600);
    if (fd < 0) return false;
    const bool written = write(fd, bytes, length) == ssize_t(length);
    close(fd);
    return written;
}

bool localCalendarTime(std::time_t moment, std::tm& local) { return localtime_r(&moment, &local) != nullptr; }
