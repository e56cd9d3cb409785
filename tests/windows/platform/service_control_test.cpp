// A real service under the system's service control manager: installed, started, controlled
// with a user control, stopped and deleted, with the manager's errors for each wrong step.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/process_list.h"
#include "platform/service_manager.h"
#include "platform/service_start.h"
#include "platform/win_error.h"
#include "tests/support/eventually.h"
#include "tests/support/temp_root.h"
#include "tests/windows/platform/platform_probe.h"

namespace platform {
namespace {

class ServiceControlTest : public ::testing::Test {
protected:
    lmx::testing::TempRoot root;

    ServiceConfig probeConfig() const {
        ServiceConfig config;
        config.name = lmx::probe::kServiceName;
        config.displayName = "LMX probe service";
        config.startType = kServiceDemandStart;
        // The service learns its root from the start, not from its command line.
        config.imagePath = "\"" + (lmx::testing::programsFolder() / lmx::probe::kProgram).string() + "\" service";
        return config;
    }

    std::string controlsHandled() const {
        std::ostringstream text;
        text << std::ifstream(root.path() / "controls.txt").rdbuf();
        return text.str();
    }

    static bool reaches(std::uint32_t state) {
        return lmx::testing::eventually([&] { return readServiceStatus(lmx::probe::kServiceName).currentState == state; });
    }

    void TearDown() override {
        // A test that failed half-way leaves no service behind.
        if (auto manager = ServiceManager::open()) {
            if (auto service = manager->openService(lmx::probe::kServiceName)) {
                ServiceStatus status;
                if (stopService(*service, status)) reaches(kServiceStopped);
                service->remove();
            }
        }
    }
};

TEST_F(ServiceControlTest, ServiceStartsTakesAUserControlAndStops) {
    auto manager = ServiceManager::open();
    ASSERT_TRUE(manager.has_value()) << lastError();
    auto service = manager->createService(probeConfig());
    ASSERT_TRUE(service.has_value()) << lastError();
    EXPECT_TRUE(service->setDescription("Answers the platform tests."));

    ASSERT_TRUE(startService(*service)) << lastError();
    ASSERT_TRUE(reaches(kServiceRunning));
    const ServiceStatus running = readServiceStatus(lmx::probe::kServiceName);
    EXPECT_EQ(kServiceAcceptStop, running.controlsAccepted);
    EXPECT_NE(0u, running.processId);
    // The service took the root it was started under: its process is one of this root's.
    const auto processes = processes::snapshotProcesses();
    ASSERT_TRUE(processes.has_value());
    EXPECT_TRUE(std::any_of(processes->begin(), processes->end(),
                            [&](const processes::ProcessEntry& process) { return process.processId == running.processId; }));
    EXPECT_FALSE(startService(*service));
    EXPECT_EQ(kErrorServiceAlreadyRunning, lastError());

    ServiceStatus status;
    ASSERT_TRUE(service->control(128, status)) << lastError();
    EXPECT_EQ(kServiceRunning, status.currentState);
    EXPECT_TRUE(service->control(kServiceControlInterrogate, status)) << lastError();

    ASSERT_TRUE(stopService(*service, status)) << lastError();
    ASSERT_TRUE(reaches(kServiceStopped));
    // The handler ran for the user control before ControlService returned, and for the stop.
    EXPECT_EQ("128\n", controlsHandled().substr(0, 4));
    EXPECT_NE(std::string::npos, controlsHandled().find("1\n"));

    EXPECT_FALSE(stopService(*service, status));
    EXPECT_EQ(kErrorServiceNotActive, lastError());
    EXPECT_TRUE(service->remove()) << lastError();
    EXPECT_FALSE(manager->openService(lmx::probe::kServiceName).has_value());
    EXPECT_EQ(kErrorServiceDoesNotExist, lastError());
}

TEST_F(ServiceControlTest, TheManagersErrorsForMissingDuplicateAndStoppedServices) {
    auto manager = ServiceManager::open();
    ASSERT_TRUE(manager.has_value()) << lastError();
    EXPECT_FALSE(manager->openService(lmx::probe::kServiceName).has_value());
    EXPECT_EQ(kErrorServiceDoesNotExist, lastError());

    auto service = manager->createService(probeConfig());
    ASSERT_TRUE(service.has_value()) << lastError();
    EXPECT_FALSE(manager->createService(probeConfig()).has_value());
    EXPECT_EQ(kErrorServiceExists, lastError());

    // Service names are the same whatever their case; a root's services are its own.
    EXPECT_TRUE(manager->openService("lmxprobesvc").has_value());
    {
        lmx::testing::TempRoot otherRoot;
        EXPECT_FALSE(ServiceManager::open()->openService(lmx::probe::kServiceName).has_value());
    }

    ServiceStatus status;
    EXPECT_TRUE(service->queryStatus(status));
    EXPECT_EQ(kServiceStopped, status.currentState);
    EXPECT_FALSE(service->control(128, status));
    EXPECT_EQ(kErrorServiceNotActive, lastError());

    EXPECT_TRUE(service->remove()) << lastError();
    EXPECT_FALSE(service->remove());
    EXPECT_EQ(kErrorServiceDoesNotExist, lastError());
    EXPECT_EQ(kServiceStopped, readServiceStatus(lmx::probe::kServiceName).currentState);
}

}  // namespace
}  // namespace platform
