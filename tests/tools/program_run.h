#pragma once
// Runs one of the built programs as a real process and collects what it prints.

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace lmx::testing {

struct ProgramRun {
    int exitCode = -1;  // -1 when it did not end normally
    std::string output;  // standard output
};

// A started program whose standard output comes through a pipe.
struct SpawnedProgram {
    pid_t pid = -1;
    int output = -1;  // the pipe's reading end, owned by the caller
};

// Starts `program` with `argv0` as its argument 0 followed by `arguments`, in this process's
// environment, without waiting; empty when it cannot be started.
std::optional<SpawnedProgram> spawnProgram(const std::filesystem::path& program, const std::string& argv0,
                                           const std::vector<std::string>& arguments = {});

// Runs `program` with `argv0` as its argument 0 followed by `arguments`, in this process's
// environment, and waits for it.
ProgramRun runProgram(const std::filesystem::path& program, const std::string& argv0,
                      const std::vector<std::string>& arguments = {});

}  // namespace lmx::testing
