#pragma once
// Runs one of the built programs as a real process and collects what it prints.

#include <filesystem>
#include <string>
#include <vector>

namespace lmx::testing {

struct ProgramRun {
    int exitCode = -1;  // -1 when it did not end normally
    std::string output;  // standard output
};

// Runs `program` with `argv0` as its argument 0 followed by `arguments`, in this process's
// environment, and waits for it.
ProgramRun runProgram(const std::filesystem::path& program, const std::string& argv0,
                      const std::vector<std::string>& arguments = {});

}  // namespace lmx::testing
