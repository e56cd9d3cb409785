#pragma once
// One copy of the tool at a time: a named mutex whose name is the program file's name without
// its extension (LMXDuo_fwupTool), held for the life of the process.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/named_mutex.h"

namespace fwup {

// The mutex's name for the running program file.
std::string applicationName();

struct SingleInstance {
    bool alreadyRunning = false;
    // Held for the process's life; empty when another copy holds it, or when it could not be
    // taken at all (`unavailable`, with the platform's error): the tool then does not run, as it
    // cannot tell whether another copy talks to the drives.
    std::unique_ptr<platform::NamedMutex> mutex;
    bool unavailable = false;
    std::uint32_t error = 0;
};

// What the tool says when its guard cannot be taken.
std::string guardUnavailableText(std::uint32_t error);

SingleInstance claimSingleInstance();

}  // namespace fwup
