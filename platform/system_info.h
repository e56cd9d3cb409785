#pragma once
// Facts about the running system that the programs ask for: the operating-system version, the
// program's own path, and the clock. Behind an interface so that tests can set them.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/system_time.h"

namespace platform {

class SystemInfo {
public:
    virtual ~SystemInfo() = default;
    // GetVersionExA's major version; empty when it cannot be read.
    virtual std::optional<std::uint32_t> osMajorVersion() const = 0;
    // GetModuleFileNameA: the full path of the running program file; empty on failure.
    virtual std::optional<std::filesystem::path> programPath() const = 0;
    virtual SystemTime localTime() const = 0;
    virtual SystemTime utcTime() const = 0;
};

// A time in seconds since 1970 (UTC) as the machine's local wall-clock time.
SystemTime localTimeAt(std::int64_t unixSeconds);

// The system in force: the real one unless a test installed another.
const SystemInfo& systemInfo();

// The real system: the kernel's major version, /proc/self/exe and the system clock.
const SystemInfo& realSystemInfo();

// Installs an override for the life of the object (tests).
class ScopedSystemInfo {
public:
    explicit ScopedSystemInfo(const SystemInfo& replacement);
    ~ScopedSystemInfo();
    ScopedSystemInfo(const ScopedSystemInfo&) = delete;
    ScopedSystemInfo& operator=(const ScopedSystemInfo&) = delete;

private:
    const SystemInfo* previous_;
};

// The folder of the running program, with a trailing separator, so that a file name can be
// appended to it ("the program's path cut after its last separator"). Empty on failure.
std::string programFolder();

// GetCurrentProcessId: the system's id of the calling process.
std::uint32_t currentProcessId();

// Debug output (OutputDebugString): to standard error when LMXDUOWATCH_DEBUG is set, else
// nowhere. A line is written whole.
void debugOutput(std::string_view text);

// While an object of this class lives, the debug output of the thread that made it is held back
// in order, so that a line written afterwards can come before it; the held lines are written
// when the object ends (or by release()).
class DebugOutputHold {
public:
    DebugOutputHold();
    ~DebugOutputHold();
    DebugOutputHold(const DebugOutputHold&) = delete;
    DebugOutputHold& operator=(const DebugOutputHold&) = delete;
    // Writes `first`, then what was held, and holds nothing more.
    void release(std::string_view first = {});

private:
    friend void debugOutput(std::string_view text);
    std::string held_;
    DebugOutputHold* outer_ = nullptr;
    bool active_ = true;
};

}  // namespace platform
