// TempRoot and the process helpers of tests/support/temp_root.h for the Windows build.

#include "tests/support/temp_root.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <stdexcept>
#include <thread>

#include <windows.h>

#include "platform/windows/root_scope.h"
#include "platform/windows/wide_text.h"

namespace lmx::testing {

TempRoot::TempRoot() {
    std::random_device random;
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
        const auto candidate = std::filesystem::temp_directory_path() / ("lmxroot-" + std::to_string(random()));
        if (std::filesystem::create_directory(candidate)) path_ = candidate;
    }
    if (path_.empty()) throw std::runtime_error("no temporary root could be made");
    if (const char* current = std::getenv("LMXDUOWATCH_ROOT")) previous_ = current;
    ::_putenv_s("LMXDUOWATCH_ROOT", path_.string().c_str());
}

TempRoot::~TempRoot() {
    // The root's machine keys (HKEY_CURRENT_USER\<its registry root key>) go with it.
    if (const std::string key = platform::win32::registryRootKey(); !key.empty()) {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, platform::win32::widen(key).c_str());
    }
    ::_putenv_s("LMXDUOWATCH_ROOT", previous_ ? previous_->c_str() : "");
    // A program a test started may still hold a file for a moment.
    for (int attempt = 0; attempt < 50; ++attempt) {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
        if (!error && !std::filesystem::exists(path_, error)) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

std::filesystem::path programsFolder() {
    return platform::realSystemInfo().programPath().value_or(std::filesystem::path(".\\x")).parent_path();
}

std::string captureOutput(const std::string& commandLine, int* exitCode) {
    std::string output;
    FILE* pipe = ::_popen(commandLine.c_str(), "rb");
    if (!pipe) return output;
    std::array<char, 4096> buffer;
    std::size_t read = 0;
    while ((read = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) output.append(buffer.data(), read);
    const int status = ::_pclose(pipe);
    if (exitCode) *exitCode = status;
    return output;
}

}  // namespace lmx::testing
