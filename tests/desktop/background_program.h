#pragma once
// A program a test runs in the background: its standard output is read line by line as it
// comes, and it is ended (SIGTERM, then SIGKILL) when the object goes.

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace lmx::testing {

class BackgroundProgram {
public:
    // Starts `program` with `arguments` in this process's environment; null when it cannot start.
    static std::unique_ptr<BackgroundProgram> start(const std::filesystem::path& program,
                                                    const std::vector<std::string>& arguments = {});
    ~BackgroundProgram();
    BackgroundProgram(const BackgroundProgram&) = delete;
    BackgroundProgram& operator=(const BackgroundProgram&) = delete;

    pid_t pid() const { return pid_; }
    // The next line of output (without its line end), waiting up to `limit`; empty at the end
    // of the output or when the time is up.
    std::optional<std::string> nextLine(std::chrono::milliseconds limit);
    // The exit code once the program has ended normally within `limit`; -1 for a signal;
    // empty while it still runs.
    std::optional<int> waitForExit(std::chrono::milliseconds limit);
    bool running();
    void terminate();

private:
    BackgroundProgram(pid_t pid, int output) : pid_(pid), output_(output) {}
    bool reap(bool block);

    pid_t pid_;
    int output_;
    std::string pending_;
    std::optional<int> exitCode_;
};

}  // namespace lmx::testing
