#include "front/log.h"

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>

#include "platform/platform.h"

namespace {

constexpr uint32_t RECORD_TEXT_SIZE = 1024;
constexpr char DEFAULT_LOG_FOLDER[] = "./log/";

uint32_t currentLevel = LOG_TRACE;
char currentFolder[128] = "./log/";
std::mutex fileMutex;

// Level names are padded to six characters so the records line up.
const char* const LEVEL_NAMES[] = {"TRACE ", "DEBUG ", "INFO  ", "WARN  ", "ERROR ", "FATAL ", "COMMON"};

const char* baseName(const char* path) {
    const char* slash = std::strrchr(path, '/');
    return slash ? slash + 1 : path;
}

void formatLogTextV(char* buffer, uint32_t size, const char* sourceFile, unsigned line,
                    const char* function, const char* format, va_list args) {
    std::snprintf(buffer, size, "%s:%u, %s", baseName(sourceFile), line, function);
    // A function text that carries its parameter list keeps only its name.
    if (char* paren = std::strchr(buffer, '(')) *paren = '\0';
    size_t used = std::strlen(buffer);
    std::snprintf(buffer + used, size - used, "(): ");
    used = std::strlen(buffer);
    std::vsnprintf(buffer + used, size - used, format, args);
}

}  // namespace

void initLogging(uint32_t level, const char* folder) {
    currentLevel = level;
    makeFolder(DEFAULT_LOG_FOLDER);
    if (folder) {
        std::strncpy(currentFolder, folder, sizeof currentFolder - 1);
        currentFolder[sizeof currentFolder - 1] = '\0';
    }
}

uint32_t logLevel() { return currentLevel; }
const char* logFolder() { return currentFolder; }

void formatLogText(char* buffer, uint32_t size, const char* sourceFile, unsigned line,
                   const char* function, const char* format, ...) {
    va_list args;
    va_start(args, format);
    formatLogTextV(buffer, size, sourceFile, line, function, format, args);
    va_end(args);
}

void writeLogRecord(uint32_t level, const char* sourceFile, unsigned line, const char* function,
                    const char* format, ...) {
    if (level < currentLevel || level > LOG_COMMON) return;

    char text[RECORD_TEXT_SIZE];
    va_list args;
    va_start(args, format);
    formatLogTextV(text, sizeof text, sourceFile, line, function, format, args);
    va_end(args);

    const int64_t nowMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::system_clock::now().time_since_epoch())
                              .count();
    std::tm local;
    if (!localCalendarTime(std::time_t(nowMs / 1000), local)) return;
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &local);
    char record[RECORD_TEXT_SIZE + 64];
    int length = std::snprintf(record, sizeof record, "%s.%03ld [%s]: %s\n", stamp,
                               static_cast<long>(nowMs % 1000), LEVEL_NAMES[level], text);
    if (length < 0) return;
    if (length >= static_cast<int>(sizeof record)) length = sizeof record - 1;

    char date[16];
    std::strftime(date, sizeof date, "%Y-%m-%d", &local);
    std::lock_guard<std::mutex> lock(fileMutex);
    char path[sizeof currentFolder + sizeof date + 8];
    std::snprintf(path, sizeof path, "%s%s.txt", currentFolder, date);
    appendToFile(path, record, static_cast<size_t>(length));  // a record that cannot be written is dropped
}
