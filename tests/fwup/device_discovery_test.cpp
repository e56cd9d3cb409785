// Discovery over simulated drives: which drives are listed, in which order, and what a drive
// that answers only one route, or none, is listed with.

#include <gtest/gtest.h>

#include <fstream>

#include "fwup/core/console_mode.h"
#include "fwup/core/device_list.h"
#include "fwup/core/drive_accessor.h"
#include "tests/fwup/fwup_test_root.h"

namespace fwup {
namespace {

class DeviceDiscovery : public testing::FwupTestRoot {
protected:
    DeviceTable discover() {
        const auto accessor = DriveAccessor::create([this](std::string_view text) { messages.emplace_back(text); });
        DeviceTable table;
        accessor->enumerate_devices(table);
        EXPECT_FALSE(accessor->isOpen());
        return table;
    }
    std::vector<std::string> messages;
};

TEST_F(DeviceDiscovery, DrivesThatOpenAreListedInDriveOrderAndTheOthersLeftOut) {
    controller(0, "ZDA-JW100");
    std::filesystem::create_directories(drive(1).parent_path());
    std::ofstream(drive(1)) << "not a drive";  // exists, but fails to open
    controller(2, "Lumavex ZDAP-RS482");
    disk(31, "WDC WD40EFRX-68N32N0");

    const DeviceTable table = discover();
    ASSERT_EQ(table.count, 3);
    EXPECT_EQ(table.deniedDrives, 0);
    const auto rows = deviceListRows(table);
    EXPECT_EQ(rows[0],
              (DeviceListRow{"0", "ZDA-JW100", "LMX0000000000001", "V1.05", "0115", "BL1.02", "0x000074706DB0"}));
    EXPECT_EQ(rows[1][0], "2");
    EXPECT_EQ(rows[1][1], "Lumavex ZDAP-RS482");
    EXPECT_EQ(rows[2], (DeviceListRow{"31", "WDC WD40EFRX-68N32N0", "DSK0000000000001", "1.0", "----", "--------",
                                      "0x00003A386030"}));
    EXPECT_EQ(initialSelection(table), 0);
    EXPECT_TRUE(messages.empty());

    // Each drive was asked once, directly, for its identity: nothing else was sent.
    for (const int number : {0, 2, 31}) {
        const auto log = simulator::readCommandLog(drive(number));
        ASSERT_EQ(log.size(), 1u) << number;
        EXPECT_EQ(log[0].route, "direct");
        EXPECT_EQ(log[0].taskFile, "00 00 00 00 00 E0 EC 00");
        EXPECT_EQ(numberField(log[0], "ataFlags"), 2u);
        EXPECT_EQ(numberField(log[0], "timeout"), 10u);
    }
}

TEST_F(DeviceDiscovery, AControllerThatRefusesTheDirectRouteIsIdentifiedThroughSat) {
    controller(0, "Lumavex ZDA-RS481");
    controller(1, "ZDA-GX460-TT3");
    faults(0, {{"faults.rejectDirect", "50"}});
    faults(1, {{"faults.directErrBit", "true"}});

    const DeviceTable table = discover();
    ASSERT_EQ(table.count, 2);
    for (int number : {0, 1}) {
        const DeviceEntry& entry = table.entries[static_cast<std::size_t>(number)];
        EXPECT_TRUE(entry.supported) << number;
        EXPECT_EQ(entry.serial, "LMX0000000000001");
        const auto log = simulator::readCommandLog(drive(number));
        ASSERT_EQ(log.size(), 2u);
        EXPECT_EQ(log[0].route, "direct");
        EXPECT_EQ(log[1].route, "sat");
        // Sector count 1, PIO data-in, from the device, byte blocks, length in the count.
        EXPECT_EQ(log[1].cdb, "85 08 0E 00 00 00 01 00 00 00 00 00 00 E0 EC 00");
        EXPECT_EQ(log[1].result, "ok");
    }
    EXPECT_EQ(table.entries[0].model, "Lumavex ZDA-RS481");
    EXPECT_EQ(table.entries[1].model, "ZDA-GX460-TT3");
}

TEST_F(DeviceDiscovery, ADriveThatAnswersOnNeitherRouteIsListedAsUnknownAndNeverSelected) {
    controller(0, "ZDA-JW100");
    faults(0, {{"faults.rejectDirect", "1"}, {"faults.satSenseKey", "0x05"}});
    simulator::createSilentDrive(drive(1), 20);

    const DeviceTable table = discover();
    ASSERT_EQ(table.count, 2);
    for (int row : {0, 1}) {
        EXPECT_EQ(deviceListRow(table.entries[static_cast<std::size_t>(row)]),
                  (DeviceListRow{std::to_string(row), "UNKNOWN", "----", "----", "----", "----", "0x000000000000"}));
    }
    EXPECT_EQ(initialSelection(table), std::nullopt);
}

TEST_F(DeviceDiscovery, TheFirstOfTwoSupportedControllersIsSelected) {
    disk(0);
    controller(1, "ZDA-JY200");
    disk(2, "lumavex zda-rs481");
    disk(3, "Lumavex ZDAP-RQ100");  // the tool goes by the model alone

    const DeviceTable table = discover();
    ASSERT_EQ(table.count, 4);
    EXPECT_FALSE(table.entries[2].supported);
    EXPECT_EQ(initialSelection(table), 1);
}

TEST_F(DeviceDiscovery, ABigDiskShowsItsFull48BitCapacity) {
    disk(0);
    faults(0, {{"capacity", "7814037168"}});
    EXPECT_EQ(deviceListRow(discover().entries[0])[6], "0x0001D1C0BEB0");
}

TEST_F(DeviceDiscovery, AnEmptyRootListsNothingAndBlamesNoRights) {
    const DeviceTable table = discover();
    EXPECT_EQ(table.count, 0);
    EXPECT_FALSE(deniedAllDrives(table));
}

}  // namespace
}  // namespace fwup
