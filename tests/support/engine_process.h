// Test support: runs the real engine as a child process with pipes, the way a
// manager does, and reads its output with timeouts so a hang fails the test
// instead of blocking it.
//
// The engine is the Linux build beside the tests unless the environment
// variable PEBBLON_ENGINE holds another command: words separated by spaces,
// the first one looked up on PATH, every path absolute (the engine may be
// started in another folder), for instance
// "wine /work/pebblon/build-windows/pbrain-pebblon.exe". A command whose
// program is a .exe is the Windows build, whose lines end with CR LF; the
// line readers below take that line end off and mark a line that lacks it.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

struct EngineProcess {
    pid_t pid = -1;
    int toEngine = -1;    // the engine's standard input
    int fromEngine = -1;  // the engine's standard output
    std::string pending;  // bytes read but not yet returned as a line
};

// The words that start the engine (before the extra words of a test).
std::vector<std::string> engineCommand();
// The bytes that end every line the engine writes: "\r\n" for the Windows
// build, "\n" otherwise.
std::string engineLineEnd();
// What the line readers put in place of the line end when the line ended
// with a bare line feed where CR LF was due: no expected line matches it.
extern const char* const MISSING_CR_MARK;

// Starts the engine with the given extra words, in the given working folder
// (empty: the current one). Its standard error goes to /dev/null. A
// non-zero addressSpaceBytes caps the engine's address space (as ulimit -v
// does), so that its memory runs out there.
EngineProcess startEngine(const std::vector<std::string>& words = {}, const std::string& folder = "",
                          uint64_t addressSpaceBytes = 0);

// Writes raw bytes (no line end added).
void sendRaw(EngineProcess& engine, const std::string& bytes);
// Writes the text and a line feed.
void sendLine(EngineProcess& engine, const std::string& line);
// Closes the engine's standard input.
void closeInput(EngineProcess& engine);

// The next output line without its line end, or nothing when no whole line
// arrives within the timeout or the engine closed its output.
std::optional<std::string> readLine(EngineProcess& engine, int timeoutMs = 5000);
// Every line up to and including the first one for which isLast holds. When
// none comes within timeoutMs in all (or the engine closes its output), the
// lines read so far: the caller's check of the last line then fails instead
// of the test hanging.
std::vector<std::string> readLinesThrough(EngineProcess& engine,
                                          const std::function<bool(const std::string&)>& isLast,
                                          int timeoutMs = 5000);
// Every line that arrives until the output stays quiet for quietMs. Only for
// checking that nothing is printed: a reply is read with readLinesThrough.
std::vector<std::string> readLinesUntilQuiet(EngineProcess& engine, int quietMs = 300);

// Waits for the engine to exit; returns its exit status, or -1 when it did
// not exit in time (it is then killed) or died from a signal.
int waitForExit(EngineProcess& engine, int timeoutMs = 5000);

// Reads everything the engine still writes until it closes its output: the
// bytes as they came, line ends included.
std::string readRemainingOutput(EngineProcess& engine, int timeoutMs = 5000);

// A monotonic clock in milliseconds, for timing replies.
int64_t monotonicMs();

// Runs the engine with the given command-line words, its standard input and
// output on /dev/null, until it exits; returns what it wrote to standard
// error, its lines ended with a line feed (the engine's line end taken off as
// by readLine). exitCode gets its exit status, -1 when it did not exit
// normally.
std::string runForStandardError(const std::vector<std::string>& words, int& exitCode);

// A fresh empty folder under the system's temporary folder, removed with
// everything in it when the object goes out of scope.
struct TemporaryFolder {
    std::string path;
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
};
