// dwsvc.exe as a real service of the system's service control manager: installed by its own
// command line, started as the service switch starts it, watching two simulated controllers
// and answering the status table over the pipe, then stopped and deleted.

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <span>
#include <vector>

#include "common/controller_status_record.h"
#include "common/pipe_request.h"
#include "platform/command_interpreter.h"
#include "platform/named_pipe.h"
#include "platform/service_manager.h"
#include "platform/service_start.h"
#include "platform/win_error.h"
#include "simulator/drive_store.h"
#include "tests/support/eventually.h"
#include "tests/support/temp_root.h"

namespace {

namespace fs = std::filesystem;
using lmx::testing::eventually;

constexpr const char* kService = "LMXDuowatch";

std::vector<std::uint8_t> statusTable() {
    const auto request = lmx::makePipeRequest(lmx::kRequestStatusTable);
    std::vector<std::uint8_t> reply(6 * lmx::kPipeMessageSize);
    const auto received = platform::pipes::callNamedPipe(
        lmx::kServicePipeName, {reinterpret_cast<const std::uint8_t*>(&request), sizeof request}, reply,
        lmx::kPipeWaitMilliseconds);
    reply.resize(received.value_or(0));
    return reply;
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

TEST(ServiceUnderManager, InstalledStartedAnsweringStoppedAndDeleted) {
    lmx::testing::TempRoot root;
    const ServiceRemover remover;
    // The programs run from a folder of their own in the root, as an installation would.
    const fs::path programs = root.path() / "programs";
    fs::create_directories(programs);
    for (const char* file : {"dwsvc.exe", "TXTRES_EN.dll"}) fs::copy_file(lmx::testing::programsFolder() / file, programs / file);
    simulator::createController(simulator::driveFilePath(root.path(), 0), "Lumavex ZDAP-RS482");
    simulator::createController(simulator::driveFilePath(root.path(), 2), "ZDA-GX460-TT3");

    ASSERT_EQ(0, platform::runCommandInterpreter("dwsvc.exe install", programs).value_or(-1));
    auto manager = platform::ServiceManager::open();
    ASSERT_TRUE(manager.has_value()) << platform::lastError();
    auto service = manager->openService(kService);
    ASSERT_TRUE(service.has_value()) << platform::lastError();

    ASSERT_TRUE(platform::startService(*service)) << platform::lastError();
    ASSERT_TRUE(reaches(platform::kServiceRunning));
    std::vector<std::uint8_t> table;
    EXPECT_TRUE(eventually([&] {
        table = statusTable();
        return table.size() == 3840 && presentDrives(table) == std::set<int>{0, 2};
    })) << table.size() << " bytes";

    platform::ServiceStatus status;
    ASSERT_TRUE(platform::stopService(*service, status)) << platform::lastError();
    EXPECT_TRUE(reaches(platform::kServiceStopped));
    service.reset();
    EXPECT_EQ(0, platform::runCommandInterpreter("dwsvc.exe delete", programs).value_or(-1));
    EXPECT_FALSE(manager->openService(kService).has_value());
    EXPECT_EQ(platform::kErrorServiceDoesNotExist, platform::lastError());
}

}  // namespace
