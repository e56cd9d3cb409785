#include "tests/desktop/background_program.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "tests/tools/program_run.h"

namespace lmx::testing {

using namespace std::chrono_literals;

std::unique_ptr<BackgroundProgram> BackgroundProgram::start(const std::filesystem::path& program,
                                                            const std::vector<std::string>& arguments) {
    const auto spawned = spawnProgram(program, program.string(), arguments);
    if (!spawned) return nullptr;
    return std::unique_ptr<BackgroundProgram>(new BackgroundProgram(spawned->pid, spawned->output));
}

BackgroundProgram::~BackgroundProgram() {
    terminate();
    ::close(output_);
}

std::optional<std::string> BackgroundProgram::nextLine(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (const auto end = pending_.find('\n'); end != std::string::npos) {
            std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            return line;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return std::nullopt;
        pollfd waiting{output_, POLLIN, 0};
        const int ready = ::poll(&waiting, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return std::nullopt;
        char buffer[4096];
        const ssize_t got = ::read(output_, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return std::nullopt;
        pending_.append(buffer, static_cast<std::size_t>(got));
    }
}

bool BackgroundProgram::reap(bool block) {
    if (exitCode_) return true;
    int status = 0;
    pid_t done;
    while ((done = ::waitpid(pid_, &status, block ? 0 : WNOHANG)) < 0 && errno == EINTR) {
    }
    if (done != pid_) return false;
    exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return true;
}

std::optional<int> BackgroundProgram::waitForExit(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!reap(false)) {
        if (std::chrono::steady_clock::now() > deadline) return std::nullopt;
        std::this_thread::sleep_for(20ms);
    }
    return exitCode_;
}

bool BackgroundProgram::running() { return !reap(false); }

void BackgroundProgram::terminate() {
    if (reap(false)) return;
    ::kill(pid_, SIGTERM);
    if (waitForExit(5s)) return;
    ::kill(pid_, SIGKILL);
    reap(true);
}

}  // namespace lmx::testing
