#pragma once
// One copy of the tool at a time: a named mutex whose name is the program file's name without
// its extension (LMXDuo_fwupTool), held for the life of the process.

#include <memory>
#include <string>

#include "platform/named_mutex.h"

namespace fwup {

// The mutex's name for the running program file.
std::string applicationName();

struct SingleInstance {
    bool alreadyRunning = false;
    // Held for the process's life; empty when another copy holds it, or when it could not be
    // created at all (the tool then runs unguarded, as it would without named mutexes).
    std::unique_ptr<platform::NamedMutex> mutex;
};

SingleInstance claimSingleInstance();

}  // namespace fwup
