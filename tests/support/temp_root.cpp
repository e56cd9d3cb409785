#include "tests/support/temp_root.h"

#include "platform/linux/window_folder.h"

#include <sys/wait.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <thread>

namespace lmx::testing {

TempRoot::TempRoot() {
    std::string pattern = (std::filesystem::temp_directory_path() / "lmxroot-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
    if (const char* current = std::getenv("LMXDUOWATCH_ROOT")) previous_ = current;
    setenv("LMXDUOWATCH_ROOT", path_.c_str(), 1);
}

TempRoot::~TempRoot() {
    // A user's folder for this root in the user's runtime folder goes with the root.
    if (const auto folder = platform::windows::folder::userFolder(); folder && folder->string().rfind(path_.string(), 0) != 0) {
        std::error_code error;
        std::filesystem::remove_all(*folder, error);
    }
    if (previous_) {
        setenv("LMXDUOWATCH_ROOT", previous_->c_str(), 1);
    } else {
        unsetenv("LMXDUOWATCH_ROOT");
    }
    // A service a test stopped may still be ending and make a last file while the tree is being
    // removed, which stops remove_all half way: try again for up to a second.
    for (int attempt = 0; attempt < 50; ++attempt) {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
        if (!error && !std::filesystem::exists(path_, error)) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

std::filesystem::path programsFolder() {
    return platform::realSystemInfo().programPath().value_or(std::filesystem::path("./x")).parent_path();
}

std::string captureOutput(const std::string& commandLine, int* exitCode) {
    std::string output;
    FILE* pipe = popen(commandLine.c_str(), "r");
    if (!pipe) return output;
    std::array<char, 4096> buffer;
    std::size_t read = 0;
    while ((read = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) output.append(buffer.data(), read);
    const int status = pclose(pipe);
    if (exitCode) *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return output;
}

}  // namespace lmx::testing
