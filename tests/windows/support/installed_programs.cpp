#include "tests/windows/support/installed_programs.h"

#include "platform/service_manager.h"
#include "platform/service_start.h"
#include "tests/support/eventually.h"
#include "tests/support/temp_root.h"

namespace lmx::testing {

void copyPrograms(const std::filesystem::path& folder, std::initializer_list<const char*> files) {
    std::filesystem::create_directories(folder);
    for (const char* file : files) std::filesystem::copy_file(programsFolder() / file, folder / file);
}

ProgramRun runInstalled(const std::filesystem::path& folder, const std::string& program, const std::string& arguments) {
    ProgramRun result;
    const std::string path = (folder / (program + ".exe")).string();
    // cmd.exe takes the whole line in quotes when it starts with a quote.
    result.output = captureOutput("\"\"" + path + "\" " + arguments + " 2>&1\"", &result.exitCode);
    return result;
}

bool serviceReaches(std::uint32_t state) {
    return eventually([&] { return platform::readServiceStatus(kServiceName).currentState == state; });
}

ServiceRemover::~ServiceRemover() {
    auto manager = platform::ServiceManager::open();
    auto service = manager ? manager->openService(kServiceName) : std::nullopt;
    if (!service) return;
    platform::ServiceStatus status;
    if (platform::stopService(*service, status)) serviceReaches(platform::kServiceStopped);
    service->remove();
}

}  // namespace lmx::testing
