#pragma once
// Starting the probe program (platform_probe.cpp) from a test, without waiting for it.

#include <process.h>

#include <cstdint>
#include <string>

#include "tests/support/temp_root.h"
#include "tests/windows/platform/platform_probe.h"

namespace lmx::probe {

// _spawnl: the probe with up to two arguments; returns its process handle (-1 on failure),
// for _cwait.
inline std::intptr_t startProbe(const std::string& mode, const std::string& argument = {}) {
    const std::string program = (lmx::testing::programsFolder() / kProgram).string();
    const std::string quoted = "\"" + argument + "\"";
    return argument.empty() ? ::_spawnl(_P_NOWAIT, program.c_str(), kProgram, mode.c_str(), nullptr)
                            : ::_spawnl(_P_NOWAIT, program.c_str(), kProgram, mode.c_str(), quoted.c_str(), nullptr);
}

// _cwait: the probe's exit code once it has ended.
inline int waitForProbe(std::intptr_t process) {
    int status = -1;
    ::_cwait(&status, process, 0);
    return status;
}

}  // namespace lmx::probe
