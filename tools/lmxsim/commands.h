#pragma once
// What each lmxsim command does, on the simulated drives of one system root.

#include <filesystem>
#include <ostream>

#include "tools/lmxsim/command_line.h"

namespace lmxsim {

// Carries out the invocation; throws UsageError for wrong arguments and
// simulator::SimulatorError when the simulator refuses (nothing is then changed).
void runCommand(const Invocation& invocation, const std::filesystem::path& root, std::ostream& out);

}  // namespace lmxsim
