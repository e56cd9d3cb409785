#pragma once
// The suite's programs run as an installation would run them, for the end-to-end tests under
// the system's service control manager: from a folder of their own in the test's root, through
// cmd.exe, with the service removed again whatever the test's outcome.

#include <filesystem>
#include <initializer_list>
#include <string>

namespace lmx::testing {

inline constexpr const char* kServiceName = "LMXDuowatch";

struct ProgramRun {
    int exitCode = -1;
    std::string output;  // output and errors together
};

// Copies the built programs named into `folder` (made if missing).
void copyPrograms(const std::filesystem::path& folder, std::initializer_list<const char*> files);

// Runs `program`.exe in `folder` through cmd.exe with the argument text as written.
ProgramRun runInstalled(const std::filesystem::path& folder, const std::string& program, const std::string& arguments);

// Whether the service reaches the state (SERVICE_RUNNING …) within the usual wait.
bool serviceReaches(std::uint32_t state);

// A test that failed half-way leaves no service of its root behind in the manager.
struct ServiceRemover {
    ~ServiceRemover();
};

}  // namespace lmx::testing
