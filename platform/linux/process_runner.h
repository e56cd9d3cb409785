#pragma once
// Runs a program with arguments and waits for it: the exit code, or -1 when it could not run.

#include <string>
#include <vector>

namespace platform {

int runProgram(const std::vector<std::string>& argv);

}  // namespace platform
