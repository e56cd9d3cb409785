// What the RAID information window shows for a controller status record.

#include "tray/core/raid_display.h"

#include <gtest/gtest.h>

#include "tests/tray/core/japanese_strings.h"
#include "tests/tray/core/packets.h"

namespace lmx::tray {
namespace {

using testing::presentPacket;
const testing::JapaneseStrings kTexts;

TEST(RaidDisplay, RaidStatusTexts) {
    auto record = presentPacket(0, kRaidNormal);
    EXPECT_EQ("正常", raidStatusText(record, kTexts));
    record.errorSkipped = 1;
    EXPECT_EQ("正常 (エラースキップ発生)", raidStatusText(record, kTexts));
    record.raidStatus = kRaidError;  // the error skip changes only the normal text
    EXPECT_EQ("異常", raidStatusText(record, kTexts));
    record.raidStatus = kRaidRebuilding;
    EXPECT_EQ("リビルド中", raidStatusText(record, kTexts));
    record.raidStatus = kRaidRebuildStopped;
    EXPECT_EQ("リビルド停止中", raidStatusText(record, kTexts));
    for (std::uint8_t status : {4, 7, 255}) {
        record.raidStatus = status;
        EXPECT_EQ("未定義", raidStatusText(record, kTexts));
    }
}

TEST(RaidDisplay, DriveStatusTextsWithSpares) {
    MemberDriveSlot drive{};
    EXPECT_EQ("検出不可", driveStatusText(drive, kTexts));
    drive.status = kDriveRebuildingBit;  // not detected, whatever the rebuild bit says
    drive.statusExtra = kDriveSpareBit;
    EXPECT_EQ("検出不可（スペア）", driveStatusText(drive, kTexts));
    drive.status = kDrivePresentBit | kDriveRebuildingBit;
    EXPECT_EQ("リビルド中", driveStatusText(drive, kTexts));
    drive.status = kDrivePresentBit;
    EXPECT_EQ("正常（スペア）", driveStatusText(drive, kTexts));
    drive.statusExtra = 0xFB;  // every bit but the spare bit
    EXPECT_EQ("正常", driveStatusText(drive, kTexts));
}

TEST(RaidDisplay, CapacityInWholeGigabytesAndFpgaVersion) {
    EXPECT_EQ("1000.0 GB", capacityText(1'953'525'168));
    EXPECT_EQ("500.0 GB", capacityText(976'773'168));  // 500,107,862,016 bytes
    EXPECT_EQ("0.0 GB", capacityText(0));
    EXPECT_EQ("1.0 GB", capacityText(1'953'125));  // exactly 10^9 bytes
    EXPECT_EQ("0.0 GB", capacityText(1'953'124));
    auto record = presentPacket(0, kRaidNormal);
    setFpgaVersion(record, 0x1234'5678'0000'0ABCull);
    EXPECT_EQ("00000ABC", fpgaText(record));  // the low 32 bits
}

TEST(RaidDisplay, TemperatureAtTheThresholdIsJudgedOnlyWhileTheAlarmIsOn) {
    MemberDriveSlot drive{};
    drive.temperatureValid = 1;
    drive.temperature = 60;
    EXPECT_TRUE(driveOverTemperature(drive, 0x3C01));
    EXPECT_EQ("60 C (異常)", judgedTemperatureText(drive, 0x3C01, kTexts));
    EXPECT_FALSE(driveOverTemperature(drive, 0x3C00));
    EXPECT_EQ("60 C (正常)", judgedTemperatureText(drive, 0x3C00, kTexts));
    drive.temperature = 59;
    EXPECT_FALSE(driveOverTemperature(drive, 0x3C01));
    drive.temperature = 7;
    EXPECT_EQ(" 7 C (正常)", judgedTemperatureText(drive, 0x3C01, kTexts));
    EXPECT_EQ(" 7 C", plainTemperatureText(drive));
    drive.temperature = 99;  // the tree form never judges
    EXPECT_EQ("99 C", plainTemperatureText(drive));
    drive.temperatureValid = 0;
    EXPECT_FALSE(driveOverTemperature(drive, 0x0001));
    EXPECT_EQ("-- C", judgedTemperatureText(drive, 0x3C01, kTexts));
    EXPECT_EQ("-- C", plainTemperatureText(drive));
}

TEST(RaidDisplay, ProgressOfRebuildsAndPatrols) {
    auto record = presentPacket(0, kRaidRebuilding);
    setProgress(record, 128);
    auto display = progressDisplay(record, kTexts);
    EXPECT_EQ(ProgressDisplay::Kind::Rebuild, display.kind);
    EXPECT_EQ(0xFF6500u, display.barRgb);
    EXPECT_EQ(50, display.position);
    EXPECT_EQ("リビルド中 50.0%", display.text);
    record.raidStatus = kRaidRebuildStopped;
    setProgress(record, 255);
    display = progressDisplay(record, kTexts);
    EXPECT_EQ(99, display.position);  // 99.6 truncated
    EXPECT_EQ("リビルド停止中 99.6%", display.text);

    record.raidStatus = kRaidNormal;
    record.patrolState = 1;
    setProgress(record, 32768);
    display = progressDisplay(record, kTexts);
    EXPECT_EQ(ProgressDisplay::Kind::Patrol, display.kind);
    EXPECT_EQ(0x008000u, display.barRgb);
    EXPECT_EQ(50, display.position);
    EXPECT_EQ("パトロール中 50.0%", display.text);
    record.patrolState = 2;
    setProgress(record, 0);
    display = progressDisplay(record, kTexts);
    EXPECT_EQ(0, display.position);
    EXPECT_EQ("パトロール停止中 0.0%", display.text);

    // A counter beyond its unit fills the bar once; the text says what the counter says.
    record.patrolState = 1;
    setProgress(record, 131072);
    EXPECT_EQ(100, progressDisplay(record, kTexts).position);

    // An abnormal controller shows no patrol; neither does an idle one.
    record.raidStatus = kRaidError;
    EXPECT_EQ(ProgressDisplay::Kind::None, progressDisplay(record, kTexts).kind);
    EXPECT_EQ("", progressDisplay(record, kTexts).text);
    record.raidStatus = kRaidNormal;
    record.patrolState = 0;
    EXPECT_EQ(ProgressDisplay::Kind::None, progressDisplay(record, kTexts).kind);
}

TEST(RaidDisplay, LabelsDrivesAndSlotsByRaidNumber) {
    EXPECT_EQ("RAID No.3", raidLabel(presentPacket(4, kRaidNormal, "ZDA-GX460", 2)));
    EXPECT_EQ("ドライブ 2", driveLabel(2, kTexts));
    EXPECT_EQ(3, treeDriveCount(presentPacket(0, 0, "ZDA-JY100")));
    EXPECT_EQ(3, treeDriveCount(presentPacket(0, 0, "Lumavex ZDA-RS482")));
    EXPECT_EQ(3, treeDriveCount(presentPacket(0, 0, "Lumavex ZDAP-RS482")));
    EXPECT_EQ(2, treeDriveCount(presentPacket(0, 0, "Lumavex ZDA-RS481")));

    PacketTable packets{};
    for (int slot = 0; slot < kPhysicalDriveCount; ++slot) packets[slot] = testing::absentPacket(slot);
    packets[1] = presentPacket(1, 0, "ZDA-GX460", 0);
    packets[4] = presentPacket(4, 0, "ZDA-GX460", 1);
    EXPECT_EQ(std::optional<int>(1), slotOfRaidNumber(packets, 0));
    EXPECT_EQ(std::optional<int>(4), slotOfRaidNumber(packets, 1));
    EXPECT_EQ(std::nullopt, slotOfRaidNumber(packets, 2));
    packets[4].ordinal = 0;  // two claim number 0 (ordinals not yet polled): the first wins
    EXPECT_EQ(std::optional<int>(1), slotOfRaidNumber(packets, 0));
    EXPECT_EQ(std::nullopt, slotOfRaidNumber(packets, 1));
    packets[1].present = 0;  // an absent slot never stands for a number
    EXPECT_EQ(std::optional<int>(4), slotOfRaidNumber(packets, 0));
}

}  // namespace
}  // namespace lmx::tray
