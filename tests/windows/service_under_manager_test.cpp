// The suite's programs together under the system's service control manager: dwsvc.exe installed
// by its own command line, started and stopped by monswitch, watching two controllers that lmxsim
// made, answering the status table over the pipe, publishing a rebuild in the registry; then
// deleted, and the firmware tool lists the controllers.

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/controller_status_record.h"
#include "common/service_key.h"
#include "common/pipe_request.h"
#include "platform/named_pipe.h"
#include "platform/registry.h"
#include "platform/service_manager.h"
#include "platform/service_start.h"
#include "platform/win_error.h"
#include "platform/windows/event_source_registration.h"
#include "tests/support/eventually.h"
#include "tests/support/temp_root.h"

namespace {

namespace fs = std::filesystem;
using lmx::testing::eventually;

constexpr const char* kService = "LMXDuowatch";

struct ProgramRun {
    int exitCode = -1;
    std::string output;
};

// Runs one of the programs in `folder` through cmd.exe, its output and errors together.
ProgramRun run(const fs::path& folder, const std::string& program, const std::string& arguments) {
    ProgramRun result;
    const std::string path = (folder / (program + ".exe")).string();
    // cmd.exe takes the whole line in quotes when it starts with a quote.
    result.output = lmx::testing::captureOutput("\"\"" + path + "\" " + arguments + " 2>&1\"", &result.exitCode);
    return result;
}

std::vector<std::uint8_t> exchange(std::uint8_t requestCode, std::size_t replySize) {
    const auto request = lmx::makePipeRequest(requestCode);
    std::vector<std::uint8_t> reply(replySize);
    const auto received = platform::pipes::callNamedPipe(
        lmx::kServicePipeName, {reinterpret_cast<const std::uint8_t*>(&request), sizeof request}, reply,
        lmx::kPipeWaitMilliseconds);
    reply.resize(received.value_or(0));
    return reply;
}

std::vector<std::uint8_t> statusTable() { return exchange(lmx::kRequestStatusTable, 6 * lmx::kPipeMessageSize); }

// A DWORD of the service's record of physical drive `drive` in the registry; empty while absent.
std::optional<std::uint32_t> publishedValue(int drive, std::string_view name) {
    platform::registry::Key key;
    const std::string path = std::string(lmx::kServiceKeyPath) + "\\Phy_" + std::to_string(drive);
    if (platform::registry::Key::open(path, platform::registry::kKeyRead, key) != 0) return std::nullopt;
    std::uint32_t value = 0;
    if (key.queryDword(name, value) != 0) return std::nullopt;
    return value;
}

// The physical drive numbers of the records the table shows present.
std::set<int> presentDrives(const std::vector<std::uint8_t>& table) {
    std::set<int> drives;
    for (std::size_t offset = 0; offset + lmx::kPipeMessageSize <= table.size(); offset += lmx::kPipeMessageSize) {
        const auto record = lmx::recordFromBytes(std::span<const std::uint8_t, 640>(table.data() + offset, 640));
        if (record.present) drives.insert(record.physicalNumber);
    }
    return drives;
}

bool reaches(std::uint32_t state) {
    return eventually([&] { return platform::readServiceStatus(kService).currentState == state; });
}

// A test that failed half-way leaves no service of its root behind in the manager.
struct ServiceRemover {
    ~ServiceRemover() {
        auto manager = platform::ServiceManager::open();
        auto service = manager ? manager->openService(kService) : std::nullopt;
        if (!service) return;
        platform::ServiceStatus status;
        if (platform::stopService(*service, status)) reaches(platform::kServiceStopped);
        service->remove();
    }
};

TEST(ServiceUnderManager, InstalledSwitchedWatchingRebuildPublishedAndDeleted) {
    lmx::testing::TempRoot root;
    const ServiceRemover remover;
    // The programs run from a folder of their own in the root, as an installation would.
    const fs::path programs = root.path() / "programs";
    fs::create_directories(programs);
    for (const char* file : {"dwsvc.exe", "TXTRES_EN.dll", "monswitch.exe", "lmxsim.exe", "LMXDuo_fwupTool.exe"}) {
        fs::copy_file(lmx::testing::programsFolder() / file, programs / file);
    }
    for (const char* line : {"create 0 controller \"Lumavex ZDAP-RS482\"", "create 2 controller ZDA-GX460-TT3"}) {
        const auto created = run(programs, "lmxsim", line);
        ASSERT_EQ(0, created.exitCode) << created.output;
    }

    const auto installed = run(programs, "dwsvc", "install");
    ASSERT_EQ(0, installed.exitCode) << installed.output;
    auto manager = platform::ServiceManager::open();
    ASSERT_TRUE(manager.has_value()) << platform::lastError();
    ASSERT_TRUE(manager->openService(kService).has_value()) << platform::lastError();

    const auto started = run(programs, "monswitch", "start LMXDuowatch");
    ASSERT_EQ(0, started.exitCode) << started.output;
    ASSERT_TRUE(reaches(platform::kServiceRunning));
    std::vector<std::uint8_t> table;
    EXPECT_TRUE(eventually([&] {
        table = statusTable();
        return table.size() == 3840 && presentDrives(table) == std::set<int>{0, 2};
    })) << table.size() << " bytes";
    EXPECT_EQ(1u, publishedValue(0, lmx::kSupportDriveValue).value_or(0));

    // Controller 0 starts rebuilding member 1; a refresh request polls at once.
    const auto rebuilding = run(programs, "lmxsim", "set 0 raid.status=2 raid.rebuildProgress=128 members.1.rebuilding=true");
    ASSERT_EQ(0, rebuilding.exitCode) << rebuilding.output;
    exchange(lmx::kRequestRefresh, 0);
    EXPECT_TRUE(eventually([] { return publishedValue(0, lmx::kRaidStatusValue) == 2u; }));
    EXPECT_EQ(0x03u, publishedValue(0, lmx::memberValueName(1, lmx::kMemberStatusSuffix)).value_or(0) & 0xFF);
    EXPECT_EQ(1u, publishedValue(2, lmx::kSupportDriveValue).value_or(0));

    const auto stopped = run(programs, "monswitch", "stop LMXDuowatch");
    EXPECT_EQ(0, stopped.exitCode) << stopped.output;
    EXPECT_TRUE(reaches(platform::kServiceStopped));
    // The event source the service registered goes with it.
    platform::registry::Key source;
    EXPECT_EQ(platform::kErrorSuccess, platform::registry::Key::open(platform::win32::eventSourceKeyPath(kService),
                                                                     platform::registry::kKeyRead, source));
    const auto deleted = run(programs, "dwsvc", "delete");
    EXPECT_EQ(0, deleted.exitCode) << deleted.output;
    EXPECT_FALSE(manager->openService(kService).has_value());
    EXPECT_EQ(platform::kErrorServiceDoesNotExist, platform::lastError());
    EXPECT_EQ(platform::kErrorFileNotFound, platform::registry::Key::open(platform::win32::eventSourceKeyPath(kService),
                                                                          platform::registry::kKeyRead, source));

    const auto listed = run(programs, "LMXDuo_fwupTool", "--list");
    EXPECT_EQ(0, listed.exitCode) << listed.output;
    EXPECT_NE(std::string::npos, listed.output.find("\n0\tLumavex ZDAP-RS482\t")) << listed.output;
    EXPECT_NE(std::string::npos, listed.output.find("\n2\tZDA-GX460-TT3\t")) << listed.output;
}

}  // namespace
