#include "support/engine_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <stdexcept>

int64_t monotonicMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

const char* const MISSING_CR_MARK = "<line feed without CR>";

std::vector<std::string> engineCommand() {
    const char* chosen = std::getenv("PEBBLON_ENGINE");
    std::vector<std::string> words;
    if (chosen) {
        std::istringstream text(chosen);
        for (std::string word; text >> word;) words.push_back(word);
    }
    if (words.empty()) words.push_back(PEBBLON_ENGINE_PATH);
    return words;
}

std::string engineLineEnd() {
    static const bool windowsBuild = [] {
        for (const std::string& word : engineCommand())
            if (word.size() > 4 && word.compare(word.size() - 4, 4, ".exe") == 0) return true;
        return false;
    }();
    return windowsBuild ? "\r\n" : "\n";
}

namespace {

// The engine's command and then the extra words, as execvp takes them; the
// strings live in `words`.
std::vector<char*> argumentsOf(std::vector<std::string>& words) {
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    return argv;
}

std::vector<std::string> commandWith(const std::vector<std::string>& extra) {
    std::vector<std::string> words = engineCommand();
    words.insert(words.end(), extra.begin(), extra.end());
    return words;
}

// A line cut at its line feed, without the engine's line end: a CR before
// the line feed where one is due is taken off; where it is missing, the line
// gets MISSING_CR_MARK so that no test takes it for what it expects.
std::string withoutLineEnd(std::string line) {
    if (engineLineEnd() == "\n") return line;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    else line += MISSING_CR_MARK;
    return line;
}

// Reads what is available within the timeout; false when the pipe closed or
// nothing came.
bool readMore(EngineProcess& engine, int timeoutMs) {
    if (engine.fromEngine < 0) return false;
    pollfd fd{engine.fromEngine, POLLIN, 0};
    if (poll(&fd, 1, timeoutMs) <= 0) return false;
    char buffer[4096];
    ssize_t count = read(engine.fromEngine, buffer, sizeof buffer);
    if (count <= 0) {
        close(engine.fromEngine);
        engine.fromEngine = -1;
        return false;
    }
    engine.pending.append(buffer, static_cast<size_t>(count));
    return true;
}

}  // namespace

EngineProcess startEngine(const std::vector<std::string>& words, const std::string& folder,
                          uint64_t addressSpaceBytes) {
    signal(SIGPIPE, SIG_IGN);
    std::vector<std::string> command = commandWith(words);
    std::vector<char*> argv = argumentsOf(command);
    int input[2], output[2];
    if (pipe(input) != 0 || pipe(output) != 0) throw std::runtime_error("pipe failed");
    pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        dup2(input[0], 0);
        dup2(output[1], 1);
        int devNull = open("/dev/null", O_WRONLY);
        if (devNull >= 0) dup2(devNull, 2);
        close(input[0]);
        close(input[1]);
        close(output[0]);
        close(output[1]);
        if (!folder.empty() && chdir(folder.c_str()) != 0) _exit(127);
        if (addressSpaceBytes != 0) {
            const rlimit cap{addressSpaceBytes, addressSpaceBytes};
            if (setrlimit(RLIMIT_AS, &cap) != 0) _exit(127);
        }
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(input[0]);
    close(output[1]);
    EngineProcess engine;
    engine.pid = pid;
    engine.toEngine = input[1];
    engine.fromEngine = output[0];
    return engine;
}

void sendRaw(EngineProcess& engine, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t count = write(engine.toEngine, bytes.data() + done, bytes.size() - done);
        if (count <= 0) return;
        done += static_cast<size_t>(count);
    }
}

void sendLine(EngineProcess& engine, const std::string& line) { sendRaw(engine, line + "\n"); }

void closeInput(EngineProcess& engine) {
    if (engine.toEngine >= 0) close(engine.toEngine);
    engine.toEngine = -1;
}

std::optional<std::string> readLine(EngineProcess& engine, int timeoutMs) {
    int64_t deadline = monotonicMs() + timeoutMs;
    for (;;) {
        size_t end = engine.pending.find('\n');
        if (end != std::string::npos) {
            std::string line = engine.pending.substr(0, end);
            engine.pending.erase(0, end + 1);
            return withoutLineEnd(line);
        }
        int64_t left = deadline - monotonicMs();
        if (left <= 0 || !readMore(engine, static_cast<int>(left))) return std::nullopt;
    }
}

std::vector<std::string> readLinesThrough(EngineProcess& engine,
                                          const std::function<bool(const std::string&)>& isLast,
                                          int timeoutMs) {
    const int64_t deadline = monotonicMs() + timeoutMs;
    std::vector<std::string> lines;
    for (;;) {
        const int64_t left = deadline - monotonicMs();
        std::optional<std::string> line = readLine(engine, left > 0 ? static_cast<int>(left) : 0);
        if (!line) return lines;
        lines.push_back(*line);
        if (isLast(*line)) return lines;
    }
}

std::vector<std::string> readLinesUntilQuiet(EngineProcess& engine, int quietMs) {
    std::vector<std::string> lines;
    while (std::optional<std::string> line = readLine(engine, quietMs)) lines.push_back(*line);
    return lines;
}

int waitForExit(EngineProcess& engine, int timeoutMs) {
    int64_t deadline = monotonicMs() + timeoutMs;
    int status = 0;
    for (;;) {
        pid_t done = waitpid(engine.pid, &status, WNOHANG);
        if (done == engine.pid) break;
        if (monotonicMs() > deadline) {
            kill(engine.pid, SIGKILL);
            waitpid(engine.pid, &status, 0);
            return -1;
        }
        usleep(5000);
    }
    closeInput(engine);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string readRemainingOutput(EngineProcess& engine, int timeoutMs) {
    int64_t deadline = monotonicMs() + timeoutMs;
    while (engine.fromEngine >= 0 && monotonicMs() < deadline) readMore(engine, 100);
    std::string rest = engine.pending;
    engine.pending.clear();
    return rest;
}

TemporaryFolder::TemporaryFolder() {
    char pattern[] = "/tmp/pebblon-test-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (!made) throw std::runtime_error("mkdtemp failed");
    path = made;
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code ignored;  // a folder that cannot be removed must not end the test program
    std::filesystem::remove_all(path, ignored);
}

std::string runForStandardError(const std::vector<std::string>& words, int& exitCode) {
    exitCode = -1;
    int errPipe[2];
    if (pipe(errPipe) != 0) return {};
    std::vector<std::string> command = commandWith(words);
    std::vector<char*> argv = argumentsOf(command);
    const pid_t pid = fork();
    if (pid < 0) return {};
    if (pid == 0) {
        dup2(errPipe[1], 2);
        const int devNull = open("/dev/null", O_RDWR);
        dup2(devNull, 0);
        dup2(devNull, 1);
        close(errPipe[0]);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(errPipe[1]);
    std::string err;
    char buffer[4096];
    ssize_t n;
    while ((n = read(errPipe[0], buffer, sizeof buffer)) > 0) err.append(buffer, size_t(n));
    close(errPipe[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status)) exitCode = WEXITSTATUS(status);
    std::string lines;
    size_t start = 0;
    for (size_t end; (end = err.find('\n', start)) != std::string::npos; start = end + 1)
        lines += withoutLineEnd(err.substr(start, end - start)) + "\n";
    return lines + err.substr(start);
}
