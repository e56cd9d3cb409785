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
#include "tests/windows/support/installed_programs.h"

namespace {

namespace fs = std::filesystem;
using lmx::testing::eventually;

using lmx::testing::runInstalled;
using lmx::testing::serviceReaches;

constexpr const char* kService = lmx::testing::kServiceName;

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

TEST(ServiceUnderManager, InstalledSwitchedWatchingRebuildPublishedAndDeleted) {
    lmx::testing::TempRoot root;
    const lmx::testing::ServiceRemover remover;
    // The programs run from a folder of their own in the root, as an installation would.
    const fs::path programs = root.path() / "programs";
    lmx::testing::copyPrograms(programs, {"dwsvc.exe", "TXTRES_EN.dll", "monswitch.exe", "lmxsim.exe", "LMXDuo_fwupTool.exe"});
    for (const char* line : {"create 0 controller \"Lumavex ZDAP-RS482\"", "create 2 controller ZDA-GX460-TT3"}) {
        const auto created = runInstalled(programs, "lmxsim", line);
        ASSERT_EQ(0, created.exitCode) << created.output;
    }

    const auto installed = runInstalled(programs, "dwsvc", "install");
    ASSERT_EQ(0, installed.exitCode) << installed.output;
    auto manager = platform::ServiceManager::open();
    ASSERT_TRUE(manager.has_value()) << platform::lastError();
    ASSERT_TRUE(manager->openService(kService).has_value()) << platform::lastError();

    const auto started = runInstalled(programs, "monswitch", "start LMXDuowatch");
    ASSERT_EQ(0, started.exitCode) << started.output;
    ASSERT_TRUE(serviceReaches(platform::kServiceRunning));
    std::vector<std::uint8_t> table;
    EXPECT_TRUE(eventually([&] {
        table = statusTable();
        return table.size() == 3840 && presentDrives(table) == std::set<int>{0, 2};
    })) << table.size() << " bytes";
    EXPECT_EQ(1u, publishedValue(0, lmx::kSupportDriveValue).value_or(0));

    // Controller 0 starts rebuilding member 1; a refresh request polls at once.
    const auto rebuilding = runInstalled(programs, "lmxsim", "set 0 raid.status=2 raid.rebuildProgress=128 members.1.rebuilding=true");
    ASSERT_EQ(0, rebuilding.exitCode) << rebuilding.output;
    exchange(lmx::kRequestRefresh, 0);
    EXPECT_TRUE(eventually([] { return publishedValue(0, lmx::kRaidStatusValue) == 2u; }));
    EXPECT_EQ(0x03u, publishedValue(0, lmx::memberValueName(1, lmx::kMemberStatusSuffix)).value_or(0) & 0xFF);
    EXPECT_EQ(1u, publishedValue(2, lmx::kSupportDriveValue).value_or(0));

    const auto stopped = runInstalled(programs, "monswitch", "stop LMXDuowatch");
    EXPECT_EQ(0, stopped.exitCode) << stopped.output;
    EXPECT_TRUE(serviceReaches(platform::kServiceStopped));
    // The event source the service registered goes with it.
    platform::registry::Key source;
    EXPECT_EQ(platform::kErrorSuccess, platform::registry::Key::open(platform::win32::eventSourceKeyPath(kService),
                                                                     platform::registry::kKeyRead, source));
    const auto deleted = runInstalled(programs, "dwsvc", "delete");
    EXPECT_EQ(0, deleted.exitCode) << deleted.output;
    EXPECT_FALSE(manager->openService(kService).has_value());
    EXPECT_EQ(platform::kErrorServiceDoesNotExist, platform::lastError());
    EXPECT_EQ(platform::kErrorFileNotFound, platform::registry::Key::open(platform::win32::eventSourceKeyPath(kService),
                                                                          platform::registry::kKeyRead, source));

    const auto listed = runInstalled(programs, "LMXDuo_fwupTool", "--list");
    EXPECT_EQ(0, listed.exitCode) << listed.output;
    EXPECT_NE(std::string::npos, listed.output.find("\n0\tLumavex ZDAP-RS482\t")) << listed.output;
    EXPECT_NE(std::string::npos, listed.output.find("\n2\tZDA-GX460-TT3\t")) << listed.output;
}

}  // namespace
