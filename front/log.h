// Diagnostic log: time-stamped records appended to one file per local date in
// the log folder ("./log/" by default). Never writes to standard output, so
// it cannot disturb the protocol; records below the chosen level are dropped.
#pragma once

#include <cstdint>

enum LogLevel : uint32_t {
    LOG_TRACE = 0,
    LOG_DEBUG = 1,
    LOG_INFO = 2,
    LOG_WARN = 3,
    LOG_ERROR = 4,
    LOG_FATAL = 5,
    LOG_COMMON = 6,
};

// Stores the level and creates "./log/" when it is not a directory yet. A
// non-null folder replaces the log folder (at most 127 bytes are kept).
void initLogging(uint32_t level, const char* folder);

uint32_t logLevel();
const char* logFolder();

void writeLogRecord(uint32_t level, const char* sourceFile, unsigned line, const char* function,
                    const char* format, ...) __attribute__((format(printf, 5, 6)));

// Formats the text of a record after the time stamp and level:
// "file:line, function(): message", cut to the 1024-byte record buffer.
// Exposed for tests.
void formatLogText(char* buffer, uint32_t size, const char* sourceFile, unsigned line,
                   const char* function, const char* format, ...)
    __attribute__((format(printf, 6, 7)));

#define LOG_AT(level, ...) writeLogRecord((level), __FILE__, __LINE__, __func__, __VA_ARGS__)
#define LOG_TRACE_RECORD(...) LOG_AT(LOG_TRACE, __VA_ARGS__)
#define LOG_DEBUG_RECORD(...) LOG_AT(LOG_DEBUG, __VA_ARGS__)
#define LOG_INFO_RECORD(...) LOG_AT(LOG_INFO, __VA_ARGS__)
#define LOG_WARN_RECORD(...) LOG_AT(LOG_WARN, __VA_ARGS__)
#define LOG_ERROR_RECORD(...) LOG_AT(LOG_ERROR, __VA_ARGS__)
