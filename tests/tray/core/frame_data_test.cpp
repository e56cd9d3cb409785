// The first load and the refresh-and-compare step: which alerts they raise, and the pop-up
// table that turns them into commands for the GUI; the tray icon walk over the kept packets.

#include <gtest/gtest.h>

#include "tests/tray/core/japanese_strings.h"
#include "tests/tray/core/packets.h"
#include "tray/core/alert_text.h"
#include "tray/core/frame_data.h"
#include "tray/core/popup_table.h"
#include "tray/core/tray_icon_state.h"

namespace lmx::tray {
namespace {

using testing::absentPacket;
using testing::presentPacket;

constexpr std::uint32_t kAlarmAt60 = 0x3C01;

class FrameDataTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 0; i < kPhysicalDriveCount; ++i) data.currentPackets[i] = absentPacket(i);
    }
    // The first load with the current packets, then the slots in `raised` order.
    std::vector<int> firstLoad() { return slots(applyFirstLoad(data)); }
    CompareResult compare() { return refreshAndCompare(data, kAlarmAt60); }
    static std::vector<int> slots(const std::vector<PopupRaise>& raises) {
        std::vector<int> result;
        for (const auto& raise : raises) result.push_back(raise.slot);
        return result;
    }

    FrameData data;
};

TEST_F(FrameDataTest, FirstLoadRaisesOnlyPresentControllersWithAStatus) {
    data.currentPackets[0] = presentPacket(0, kRaidNormal);
    data.currentPackets[2] = presentPacket(2, kRaidRebuilding);
    data.currentPackets[3] = absentPacket(3);
    data.currentPackets[3].raidStatus = kRaidError;  // absent: no alert whatever its status
    data.currentPackets[5] = presentPacket(5, kRaidError);
    const auto raises = applyFirstLoad(data);
    EXPECT_EQ((std::vector<int>{2, 5}), slots(raises));
    EXPECT_EQ(kIconInformation, raises[0].iconClass);
    EXPECT_EQ(kIconWarning, raises[1].iconClass);
    EXPECT_TRUE(data.dataInitialized);
    EXPECT_TRUE(sameRecord(data.currentPackets[0], data.keptPackets[0]));
}

TEST_F(FrameDataTest, NotificationsBeforeTheFirstLoadAreIgnored) {
    data.currentPackets[1] = presentPacket(1, kRaidError);
    const auto result = compare();
    EXPECT_TRUE(result.raises.empty());
    EXPECT_FALSE(result.changed);
    EXPECT_EQ(0, data.keptPackets[1].present);
}

TEST_F(FrameDataTest, NewControllerRaisesAlsoInNormalState) {
    firstLoad();
    data.currentPackets[4] = presentPacket(4, kRaidNormal);
    const auto result = compare();
    ASSERT_EQ(1u, result.raises.size());
    EXPECT_EQ(4, result.raises[0].slot);
    EXPECT_EQ(kIconInformation, result.raises[0].iconClass);
    EXPECT_TRUE(result.changed);
    EXPECT_EQ(1, data.keptPackets[4].present);
}

TEST_F(FrameDataTest, LostControllerRaisesFromTheLastKnownPacket) {
    data.currentPackets[2] = presentPacket(2, kRaidNormal);
    setField(data.currentPackets[2].raidModel, "ZDA-GX460 last");
    firstLoad();
    data.currentPackets[2] = absentPacket(2);
    const auto result = compare();
    ASSERT_EQ(1u, result.raises.size());
    const PopupRaise& lost = result.raises[0];
    EXPECT_EQ(kRaidLost, lost.packet.raidStatus);
    EXPECT_EQ(1, lost.packet.present);
    EXPECT_EQ("ZDA-GX460 last", fieldText(lost.packet.raidModel));
    EXPECT_EQ(kIconError, lost.iconClass);
    EXPECT_TRUE(result.changed);
    // Afterwards the kept packet is the absent one, and nothing more is raised.
    EXPECT_TRUE(sameRecord(absentPacket(2), data.keptPackets[2]));
    EXPECT_TRUE(compare().raises.empty());
}

TEST_F(FrameDataTest, StatusAndMemberPresenceChangesRaiseOtherBytesOnlyRefresh) {
    data.currentPackets[1] = presentPacket(1, kRaidNormal);
    firstLoad();

    data.currentPackets[1].drive[0].temperatureValid = 1;
    data.currentPackets[1].drive[0].temperature = 40;  // below the threshold
    data.currentPackets[1].drive[1].status |= kDriveRebuildingBit;  // a member bit that is not compared
    setProgress(data.currentPackets[1], 77);
    auto result = compare();
    EXPECT_TRUE(result.raises.empty());
    EXPECT_TRUE(result.changed);

    data.currentPackets[1].drive[1].status &= ~kDrivePresentBit;
    result = compare();
    ASSERT_EQ(1u, result.raises.size());
    EXPECT_EQ(kRaidNormal, result.raises[0].oldStatus);

    data.currentPackets[1].raidStatus = kRaidRebuilding;
    result = compare();
    ASSERT_EQ(1u, result.raises.size());
    EXPECT_EQ(kRaidRebuilding, result.raises[0].packet.raidStatus);
    EXPECT_EQ(kRaidNormal, result.raises[0].oldStatus);

    // Unchanged packets: nothing at all.
    result = compare();
    EXPECT_TRUE(result.raises.empty());
    EXPECT_FALSE(result.changed);
}

TEST_F(FrameDataTest, OverTemperatureRaisesOncePerCrossing) {
    data.currentPackets[0] = presentPacket(0, kRaidNormal, "Lumavex ZDAP-RS481");
    data.currentPackets[0].drive[1].temperatureValid = 1;
    data.currentPackets[0].drive[1].temperature = 50;
    firstLoad();

    auto heat = [&](std::uint8_t celsius) {
        data.currentPackets[0].drive[1].temperature = celsius;
        return compare().raises.size();
    };
    EXPECT_EQ(1u, heat(60));
    EXPECT_TRUE(data.overTempShown[0]);
    EXPECT_EQ(0u, heat(61));
    EXPECT_EQ(0u, heat(62));
    EXPECT_EQ(0u, heat(59));
    EXPECT_FALSE(data.overTempShown[0]);
    EXPECT_EQ(1u, heat(65));
}

TEST(OverTemperatureTest, NeedsTheAlarmAValidReadingAndATemperatureModel) {
    auto packet = presentPacket(0, kRaidNormal, "Lumavex ZDAP-RS481");
    packet.drive[2].temperatureValid = 1;
    packet.drive[2].temperature = 70;  // the third entry counts too
    EXPECT_TRUE(isOverTemperature(packet, kAlarmAt60));
    EXPECT_FALSE(isOverTemperature(packet, 0x3C00));
    EXPECT_FALSE(isOverTemperature(packet, 0x4701));  // threshold 71
    packet.drive[2].temperatureValid = 0;
    EXPECT_FALSE(isOverTemperature(packet, kAlarmAt60));
    packet.drive[2].temperatureValid = 1;
    setField(packet.raidModel, "Lumavex ZDAP-RS481B-H2");
    EXPECT_FALSE(isOverTemperature(packet, kAlarmAt60));
}

TEST(PopupTableTest, ShowReplacesHidesByClassAndStopClosesAll) {
    const testing::JapaneseStrings texts;
    PopupTable table;
    const PopupRaise rebuild{2, presentPacket(2, kRaidRebuilding), kIconInformation, kRaidNormal};

    auto commands = table.show(rebuild, 0x818286, 0, texts);
    ASSERT_EQ(1u, commands.size());
    EXPECT_EQ(PopupCommand::Kind::Show, commands[0].kind);
    EXPECT_EQ(2, commands[0].slot);
    EXPECT_EQ(30000u, commands[0].displayMilliseconds);
    EXPECT_EQ(kIconInformation, commands[0].iconClass);
    EXPECT_NE(std::string::npos, commands[0].text.find("リビルド中"));

    // A newer alert for the slot closes the old one first, even when it is not shown itself.
    const PopupRaise normal{2, presentPacket(2, kRaidNormal), kIconInformation, kRaidRebuilding};
    commands = table.show(normal, 0x818200, 0, texts);
    ASSERT_EQ(1u, commands.size());
    EXPECT_EQ(PopupCommand::Kind::Close, commands[0].kind);
    EXPECT_FALSE(table.isOpen(2));

    EXPECT_TRUE(table.show(rebuild, 0, 0, texts).empty());  // PopMsgSetting 0: nothing

    table.show(rebuild, 0x818181, 0, texts);
    table.show({4, presentPacket(4, kRaidError), kIconWarning, 0}, 0x818181, 0, texts);
    commands = table.closeAll();
    ASSERT_EQ(2u, commands.size());
    EXPECT_EQ(2, commands[0].slot);
    EXPECT_EQ(4, commands[1].slot);
    EXPECT_TRUE(table.closeAll().empty());
    EXPECT_TRUE(table.close(4).empty());
}

TEST(TrayIconWalkTest, IconPerState) {
    SlotSummaries slots{};
    EXPECT_EQ(kIconServiceStopped, trayIconFor(false, slots));
    EXPECT_EQ(kIconNoController, trayIconFor(true, slots));
    slots[1] = {1, kRaidRebuilding};
    EXPECT_EQ(kIconAllWell, trayIconFor(true, slots));
    slots[0] = {0, kRaidError};  // absent slots do not count
    EXPECT_EQ(kIconAllWell, trayIconFor(true, slots));
    slots[5] = {1, kRaidRebuildStopped};
    EXPECT_EQ(kIconAttention, trayIconFor(true, slots));
    slots[5] = {1, kRaidError};
    EXPECT_EQ(kIconAttention, trayIconFor(true, slots));
    EXPECT_EQ(kIconServiceStopped, trayIconFor(false, slots));
}

}  // namespace
}  // namespace lmx::tray
