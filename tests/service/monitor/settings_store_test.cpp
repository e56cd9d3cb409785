#include "service/monitor/settings_store.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <vector>

#include "common/service_settings.h"
#include "platform/registry.h"
#include "platform/win_error.h"
#include "service/monitor/service_identity.h"
#include "tests/support/small_file_system.h"
#include "tests/support/temp_root.h"

namespace dwsvc {
namespace {

lmx::ControllerStatusRecord sampleRecord() {
    lmx::ControllerStatusRecord record;
    lmx::clearRecord(record);
    record.physicalNumber = 2;
    record.present = 1;
    record.raidStatus = 2;
    std::memset(record.raidModel, 'M', sizeof record.raidModel);  // 40 characters, no zero byte
    lmx::setField(record.raidSerial, "SERIAL-0001         ");
    record.drive[0].status = 0x01;
    record.drive[0].statusExtra = 0x04;
    lmx::setField(record.drive[0].model, "WDC WD40EFRX");
    lmx::setField(record.drive[0].serial, "WD-1234");
    record.drive[1].status = 0x03;
    lmx::setField(record.drive[1].model, "ST4000VN008");
    return record;
}

TEST(SettingsStore, SettingAcceptedWhileTheDiskIsFullIsWrittenOnceThereIsRoom) {
    lmx::testing::TempRoot root;
    const auto outcome = lmx::testing::runWithSmallFileSystem(root.path(), 256 * 1024, [&]() -> int {
        if (storeSetting(kPatrolSetting, 1) != platform::kErrorSuccess) return 10;
        // Other values of the key fill its page, so that the next write needs a page of its own.
        platform::registry::Key key;
        if (platform::registry::Key::open(kServiceKeyPath, platform::registry::kKeyAllAccess, key) != platform::kErrorSuccess) return 11;
        const auto filler = lmx::testing::fillUp(root.path());
        const std::vector<std::uint8_t> big(32 * 1024, 0x55);
        if (key.set("Bulk", platform::registry::ValueType::Binary, big) != platform::kErrorDiskFull) return 12;
        writeSetting(kPatrolSetting, 0x1E0A0381);  // the disk cannot take it now
        if (readSetting(kPatrolSetting, 0) != 0x1E0A0381) return 13;  // the service goes by it meanwhile
        if (writePendingSettings()) return 14;                        // still no room
        std::filesystem::remove(filler);
        if (!writePendingSettings()) return 15;
        std::uint32_t stored = 0;
        platform::registry::Key reader;
        if (platform::registry::Key::open(kServiceKeyPath, platform::registry::kKeyRead, reader) != platform::kErrorSuccess ||
            reader.queryDword("PatrolSetting", stored) != platform::kErrorSuccess) {
            return 16;
        }
        return stored == 0x1E0A0381 ? 0 : 17;
    });
    if (!outcome) GTEST_SKIP() << "mounting a small file system needs root";
    EXPECT_EQ(0, *outcome);
}

TEST(SettingsStore, MissingSettingsTakeTheirDefaults) {
    lmx::testing::TempRoot root;
    EXPECT_EQ(lmx::kDefaultTemperatureSetting, readSetting(kTemperatureSetting, lmx::kDefaultTemperatureSetting));
    writeSetting(kTemperatureSetting, 0x4101);
    EXPECT_EQ(0x4101u, readSetting(kTemperatureSetting, lmx::kDefaultTemperatureSetting));
    EXPECT_EQ(7u, readSetting(kPatrolSetting, 7));
}

TEST(SettingsStore, PublishedRecordLoadsBackWithWhatTheRegistryKeeps) {
    lmx::testing::TempRoot root;
    const auto published = sampleRecord();
    publishRecord(published);

    platform::registry::Key key;
    ASSERT_EQ(platform::kErrorSuccess,
              platform::registry::Key::open(std::string(kServiceKeyPath) + "\\Phy_2", platform::registry::kKeyRead, key));
    std::string model;
    ASSERT_EQ(platform::kErrorSuccess, key.queryString("Raid_ModelNumber", model));
    EXPECT_EQ(std::string(40, 'M'), model);
    platform::registry::Value raw;
    ASSERT_EQ(platform::kErrorSuccess, key.query("Raid_ModelNumber", raw));
    EXPECT_EQ(41u, raw.data.size());
    std::uint32_t status = 0;
    ASSERT_EQ(platform::kErrorSuccess, key.queryDword("Drive0_Status", status));
    EXPECT_EQ(0x0401u, status);

    lmx::ControllerStatusRecord loaded;
    lmx::clearRecord(loaded);
    loadRecord(2, loaded);
    // Only what is published comes back; everything else stays zero.
    lmx::ControllerStatusRecord expected;
    lmx::clearRecord(expected);
    expected.physicalNumber = 2;
    expected.present = 1;
    expected.raidStatus = 2;
    std::memcpy(expected.raidModel, published.raidModel, sizeof expected.raidModel);
    std::memcpy(expected.raidSerial, published.raidSerial, sizeof expected.raidSerial);
    for (int k = 0; k < 3; ++k) {
        expected.drive[k].status = published.drive[k].status;
        expected.drive[k].statusExtra = published.drive[k].statusExtra;
        std::memcpy(expected.drive[k].model, published.drive[k].model, sizeof expected.drive[k].model);
        std::memcpy(expected.drive[k].serial, published.drive[k].serial, sizeof expected.drive[k].serial);
    }
    EXPECT_TRUE(lmx::sameRecord(expected, loaded));
}

TEST(SettingsStore, OverlongOrMissingValuesCannotOverrunTheRecord) {
    lmx::testing::TempRoot root;
    platform::registry::Key key;
    ASSERT_EQ(platform::kErrorSuccess, platform::registry::Key::create(std::string(kServiceKeyPath) + "\\Phy_5",
                                                                       platform::registry::kKeyAllAccess, key));
    ASSERT_EQ(platform::kErrorSuccess, key.setString("Raid_SerialNumber", std::string(500, 'S')));
    ASSERT_EQ(platform::kErrorSuccess, key.setDword("Drive2_Status", 0x12345603));

    lmx::ControllerStatusRecord loaded;
    lmx::clearRecord(loaded);
    loadRecord(5, loaded);
    EXPECT_EQ(std::string(20, 'S'), lmx::fieldText(loaded.raidSerial));
    EXPECT_EQ(0, loaded.reserved84[0]);
    EXPECT_EQ(0x03, loaded.drive[2].status);
    EXPECT_EQ(0x56, loaded.drive[2].statusExtra);
    EXPECT_EQ(0, loaded.present);

    lmx::ControllerStatusRecord absent;
    lmx::clearRecord(absent);
    loadRecord(4, absent);
    lmx::ControllerStatusRecord zero;
    lmx::clearRecord(zero);
    EXPECT_TRUE(lmx::sameRecord(zero, absent));
}

}  // namespace
}  // namespace dwsvc
