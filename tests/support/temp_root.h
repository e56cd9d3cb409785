#pragma once
// A fresh system root for one test: a temporary directory that LMXDUOWATCH_ROOT points at for
// the test's life, removed afterwards.

#include <filesystem>
#include <optional>
#include <string>

#include "platform/system_info.h"

namespace lmx::testing {

class TempRoot {
public:
    TempRoot();
    ~TempRoot();
    TempRoot(const TempRoot&) = delete;
    TempRoot& operator=(const TempRoot&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
    std::optional<std::string> previous_;
};

// A system whose facts a test sets.
class FakeSystemInfo final : public platform::SystemInfo {
public:
    std::optional<std::uint32_t> majorVersion = 10;
    std::optional<std::filesystem::path> program;
    platform::SystemTime local;
    platform::SystemTime utc;

    std::optional<std::uint32_t> osMajorVersion() const override { return majorVersion; }
    std::optional<std::filesystem::path> programPath() const override { return program; }
    platform::SystemTime localTime() const override { return local; }
    platform::SystemTime utcTime() const override { return utc; }
};

// The folder of the built programs (dwsvc, TXTRES_EN.so): the test executables sit beside them.
std::filesystem::path programsFolder();

// Runs a shell command line and returns what it printed on standard output.
std::string captureOutput(const std::string& commandLine, int* exitCode = nullptr);

}  // namespace lmx::testing
