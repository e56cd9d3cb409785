// The RAID information window's menu: layout, initial states and the menu-state rules.

#include "tray/core/info_menu.h"

#include <gtest/gtest.h>

#include "tests/tray/core/packets.h"

namespace lmx::tray {
namespace {

using State = MenuItemState;
using testing::presentPacket;
namespace cmd = commands;

TEST(InfoMenu, EveryItemHasItsCommandAndInitialState) {
    const auto& layout = informationMenuLayout();
    ASSERT_EQ(4u, layout.size());
    EXPECT_EQ((std::vector<int>{219, 221, 225, 228}),
              (std::vector<int>{layout[0].textId, layout[1].textId, layout[2].textId, layout[3].textId}));
    std::vector<int> fileCommands;
    for (const auto& item : layout[0].items) fileCommands.push_back(item.command);
    EXPECT_EQ((std::vector<int>{cmd::kRefresh, cmd::kSaveMirrorLog, 0, cmd::kClose}), fileCommands);
    EXPECT_EQ(205, layout[0].items[1].textId);

    const MenuStates initial = initialMenuStates();
    EXPECT_EQ(14u, initial.size());
    for (int command : {cmd::kRefresh, cmd::kPopupSettings, cmd::kIntervalSettings, cmd::kPatrolSettings, cmd::kStartVerify,
                        cmd::kStopVerify, cmd::kEndVerify, cmd::kStopBuzzer}) {
        EXPECT_EQ(State::Disabled, initial.at(command)) << command;
    }
    EXPECT_EQ(State::Grayed, initial.at(cmd::kTemperatureSettings));
    EXPECT_EQ(State::Grayed, initial.at(cmd::kDisplaySettings));
    for (int command : {cmd::kClose, cmd::kSaveMirrorLog, cmd::kHelp, cmd::kAbout}) EXPECT_EQ(State::Enabled, initial.at(command));
}

TEST(InfoMenu, VerifyItemsFollowTheRaidStatusAndPatrolState) {
    MenuStates states = initialMenuStates();
    auto record = presentPacket(0, kRaidNormal);
    const auto verify = [&] {
        return std::vector<State>{states[cmd::kStartVerify], states[cmd::kStopVerify], states[cmd::kEndVerify]};
    };
    record.patrolState = 0;
    updateMenuStates(states, &record, true);
    EXPECT_EQ((std::vector<State>{State::Enabled, State::Grayed, State::Grayed}), verify());
    record.patrolState = 1;
    updateMenuStates(states, &record, true);
    EXPECT_EQ((std::vector<State>{State::Grayed, State::Enabled, State::Enabled}), verify());
    record.patrolState = 2;
    updateMenuStates(states, &record, true);
    EXPECT_EQ((std::vector<State>{State::Enabled, State::Grayed, State::Enabled}), verify());
    record.patrolState = 7;  // unknown: the three keep their states
    updateMenuStates(states, &record, true);
    EXPECT_EQ((std::vector<State>{State::Enabled, State::Grayed, State::Enabled}), verify());

    record.raidStatus = kRaidError;
    record.patrolState = 1;
    updateMenuStates(states, &record, true);
    EXPECT_EQ((std::vector<State>{State::Grayed, State::Grayed, State::Grayed}), verify());
}

TEST(InfoMenu, BuzzerItemAndAnEmptySlot) {
    MenuStates states = initialMenuStates();
    auto record = presentPacket(0, kRaidNormal);
    updateMenuStates(states, &record, true);
    EXPECT_EQ(State::Enabled, states[cmd::kStopBuzzer]);
    record.raidOptionFlags = 0x10;
    updateMenuStates(states, &record, true);
    EXPECT_EQ(State::Grayed, states[cmd::kStopBuzzer]);
    record.raidOptionFlags = 0xEF;  // every other flag
    updateMenuStates(states, &record, true);
    EXPECT_EQ(State::Enabled, states[cmd::kStopBuzzer]);

    updateMenuStates(states, nullptr, true);
    for (int command : {cmd::kStopBuzzer, cmd::kStartVerify, cmd::kStopVerify, cmd::kEndVerify}) {
        EXPECT_EQ(State::Grayed, states[command]) << command;
    }
}

TEST(InfoMenu, ServiceItemsFollowTheServiceAndModelItemsStayOnceEnabled) {
    MenuStates states = initialMenuStates();
    updateMenuStates(states, nullptr, false);
    for (int command : {cmd::kRefresh, cmd::kPopupSettings, cmd::kIntervalSettings, cmd::kPatrolSettings}) {
        EXPECT_EQ(State::Grayed, states[command]) << command;
    }
    updateMenuStates(states, nullptr, true);
    for (int command : {cmd::kRefresh, cmd::kPopupSettings, cmd::kIntervalSettings, cmd::kPatrolSettings}) {
        EXPECT_EQ(State::Enabled, states[command]) << command;
    }

    PacketTable packets{};
    for (int slot = 0; slot < kPhysicalDriveCount; ++slot) packets[slot] = testing::absentPacket(slot);
    packets[2] = presentPacket(2, 0, "ZDA-JW100");  // neither class
    enableModelClassItems(states, packets);
    EXPECT_EQ(State::Grayed, states[cmd::kTemperatureSettings]);
    EXPECT_EQ(State::Grayed, states[cmd::kDisplaySettings]);
    packets[3] = presentPacket(3, 0, "ZDA-GX460-TT3");  // temperatures, no display setting
    enableModelClassItems(states, packets);
    EXPECT_EQ(State::Enabled, states[cmd::kTemperatureSettings]);
    EXPECT_EQ(State::Grayed, states[cmd::kDisplaySettings]);
    packets[4] = presentPacket(4, 0, "Lumavex ZDA-RS481");
    packets[4].present = 0;  // an absent slot's model counts for nothing
    enableModelClassItems(states, packets);
    EXPECT_EQ(State::Grayed, states[cmd::kDisplaySettings]);
    packets[4].present = 1;
    enableModelClassItems(states, packets);
    EXPECT_EQ(State::Enabled, states[cmd::kDisplaySettings]);

    // Nothing grays them again, not the rules and not a table without such models.
    updateMenuStates(states, nullptr, false);
    enableModelClassItems(states, PacketTable{});
    EXPECT_EQ(State::Enabled, states[cmd::kTemperatureSettings]);
    EXPECT_EQ(State::Enabled, states[cmd::kDisplaySettings]);
}

TEST(InfoMenu, PresentRecordOnlyForAControllerInRange) {
    PacketTable packets{};
    packets[5] = presentPacket(5, 0);
    EXPECT_EQ(&packets[5], presentRecord(packets, 5));
    EXPECT_EQ(nullptr, presentRecord(packets, 0));
    EXPECT_EQ(nullptr, presentRecord(packets, -1));
    EXPECT_EQ(nullptr, presentRecord(packets, 6));
}

}  // namespace
}  // namespace lmx::tray
