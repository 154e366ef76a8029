#include "support/engine_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>

int64_t monotonicMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

namespace {

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

EngineProcess startEngine(const std::vector<std::string>& words, const std::string& folder) {
    signal(SIGPIPE, SIG_IGN);
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
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(PEBBLON_ENGINE_PATH));
        for (const std::string& word : words) argv.push_back(const_cast<char*>(word.c_str()));
        argv.push_back(nullptr);
        execv(PEBBLON_ENGINE_PATH, argv.data());
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
            return line;
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
    std::vector<char*> argv{const_cast<char*>(PEBBLON_ENGINE_PATH)};
    for (const std::string& w : words) argv.push_back(const_cast<char*>(w.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid < 0) return {};
    if (pid == 0) {
        dup2(errPipe[1], 2);
        const int devNull = open("/dev/null", O_RDWR);
        dup2(devNull, 0);
        dup2(devNull, 1);
        close(errPipe[0]);
        execv(PEBBLON_ENGINE_PATH, argv.data());
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
    return err;
}
