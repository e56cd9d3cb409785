#include "platform/service_manager.h"

#include <gtest/gtest.h>

#include "platform/registry.h"
#include "platform/win_error.h"
#include "tests/support/temp_root.h"

namespace platform {
namespace {

ServiceConfig demoConfig() {
    ServiceConfig config;
    config.name = "DemoSvc";
    config.displayName = "Demo Service";
    config.imagePath = "/opt/demo/demosvc";
    config.serviceType = kServiceWin32OwnProcess;
    return config;
}

TEST(ServiceManager, InstalledServiceLivesUnderItsKey) {
    lmx::testing::TempRoot root;
    auto manager = ServiceManager::open();
    ASSERT_TRUE(manager.has_value());
    auto service = manager->createService(demoConfig());
    ASSERT_TRUE(service.has_value());
    EXPECT_TRUE(service->setDescription("Watches things."));

    registry::Key key;
    ASSERT_EQ(kErrorSuccess, registry::Key::open("SYSTEM\\CurrentControlSet\\Services\\DemoSvc", registry::kKeyRead, key));
    std::string text;
    std::uint32_t number = 0;
    EXPECT_EQ(kErrorSuccess, key.queryString("ImagePath", text));
    EXPECT_EQ("/opt/demo/demosvc", text);
    EXPECT_EQ(kErrorSuccess, key.queryString("DisplayName", text));
    EXPECT_EQ("Demo Service", text);
    EXPECT_EQ(kErrorSuccess, key.queryString("Description", text));
    EXPECT_EQ("Watches things.", text);
    EXPECT_EQ(kErrorSuccess, key.queryString("ObjectName", text));
    EXPECT_EQ("LocalSystem", text);
    EXPECT_EQ(kErrorSuccess, key.queryDword("Type", number));
    EXPECT_EQ(0x10u, number);
    EXPECT_EQ(kErrorSuccess, key.queryDword("Start", number));
    EXPECT_EQ(kServiceAutoStart, number);
    EXPECT_EQ(kErrorSuccess, key.queryDword("ErrorControl", number));
    EXPECT_EQ(kServiceErrorNormal, number);

    EXPECT_FALSE(manager->createService(demoConfig()).has_value());
    EXPECT_EQ(kErrorServiceExists, lastError());
}

TEST(ServiceManager, OpenAndDeleteOfMissingServicesFailWith1060) {
    lmx::testing::TempRoot root;
    auto manager = ServiceManager::open();
    ASSERT_TRUE(manager.has_value());
    EXPECT_FALSE(manager->openService("DemoSvc").has_value());
    EXPECT_EQ(kErrorServiceDoesNotExist, lastError());

    // A key holding settings only is not an installed service.
    registry::Key key;
    ASSERT_EQ(kErrorSuccess, registry::Key::create("SYSTEM\\CurrentControlSet\\Services\\DemoSvc", registry::kKeyAllAccess, key));
    ASSERT_EQ(kErrorSuccess, key.setDword("IntervalSetting", 2));
    EXPECT_FALSE(manager->openService("DemoSvc").has_value());

    ASSERT_TRUE(manager->createService(demoConfig()).has_value());
    auto service = manager->openService("demosvc");
    ASSERT_TRUE(service.has_value());
    EXPECT_TRUE(service->remove());
    EXPECT_EQ(kErrorFileNotFound,
              registry::Key::open("SYSTEM\\CurrentControlSet\\Services\\DemoSvc", registry::kKeyRead, key));
    EXPECT_FALSE(service->remove());
    EXPECT_EQ(kErrorServiceDoesNotExist, lastError());
}

TEST(ServiceManager, StoppedServiceTakesNoControls) {
    lmx::testing::TempRoot root;
    auto manager = ServiceManager::open();
    ASSERT_TRUE(manager.has_value());
    auto service = manager->createService(demoConfig());
    ASSERT_TRUE(service.has_value());
    ServiceStatus status;
    EXPECT_TRUE(service->queryStatus(status));
    EXPECT_EQ(kServiceStopped, status.currentState);
    EXPECT_FALSE(service->control(kServiceControlStop, status));
    EXPECT_EQ(kErrorServiceNotActive, lastError());
}

}  // namespace
}  // namespace platform
