#include "tray/core/info_menu.h"

#include "tray/core/raid_display.h"

namespace lmx::tray {

namespace {

constexpr std::uint8_t kOptionNoBuzzer = 0x10;  // raidOptionFlags: the controller's buzzer cannot be silenced

using State = MenuItemState;
constexpr MenuItemLayout separator() { return {}; }

}  // namespace

const std::vector<MenuLayout>& informationMenuLayout() {
    using namespace commands;
    static const std::vector<MenuLayout> layout = {
        {219,
         {{211, kRefresh, State::Disabled},
          {205, kSaveMirrorLog, State::Enabled},
          separator(),
          {220, kClose, State::Enabled}}},
        {221,
         {{222, kPopupSettings, State::Disabled},
          {223, kIntervalSettings, State::Disabled},
          {224, kPatrolSettings, State::Disabled},
          {231, kTemperatureSettings, State::Grayed},
          {235, kDisplaySettings, State::Grayed}}},
        {225,
         {{226, kStartVerify, State::Disabled},
          {227, kStopVerify, State::Disabled},
          {232, kEndVerify, State::Disabled},
          separator(),
          {210, kStopBuzzer, State::Disabled}}},
        {228, {{230, kHelp, State::Enabled}, {229, kAbout, State::Enabled}}},
    };
    return layout;
}

MenuStates initialMenuStates() {
    MenuStates states;
    for (const MenuLayout& menu : informationMenuLayout()) {
        for (const MenuItemLayout& item : menu.items) {
            if (item.command != 0) states[item.command] = item.initial;
        }
    }
    return states;
}

void updateMenuStates(MenuStates& states, const ControllerStatusRecord* onView, bool serviceRunning) {
    using namespace commands;
    if (onView) {
        states[kStopBuzzer] = (onView->raidOptionFlags & kOptionNoBuzzer) != 0 ? State::Grayed : State::Enabled;
        if (onView->raidStatus != kRaidNormal) {
            states[kStartVerify] = states[kStopVerify] = states[kEndVerify] = State::Grayed;
        } else {
            switch (onView->patrolState) {
                case 0:
                    states[kStartVerify] = State::Enabled;
                    states[kStopVerify] = states[kEndVerify] = State::Grayed;
                    break;
                case 1:
                    states[kStartVerify] = State::Grayed;
                    states[kStopVerify] = states[kEndVerify] = State::Enabled;
                    break;
                case 2:
                    states[kStartVerify] = states[kEndVerify] = State::Enabled;
                    states[kStopVerify] = State::Grayed;
                    break;
                default: break;  // an unknown patrol state leaves the three as they are
            }
        }
    } else {
        states[kStopBuzzer] = states[kStartVerify] = states[kStopVerify] = states[kEndVerify] = State::Grayed;
    }
    const State service = serviceRunning ? State::Enabled : State::Grayed;
    for (int command : {kRefresh, kPopupSettings, kIntervalSettings, kPatrolSettings}) states[command] = service;
}

void enableModelClassItems(MenuStates& states, const PacketTable& packets) {
    if (anyTemperatureModel(packets)) states[commands::kTemperatureSettings] = State::Enabled;
    if (anyDisplaySettingModel(packets)) states[commands::kDisplaySettings] = State::Enabled;
}

const ControllerStatusRecord* presentRecord(const PacketTable& packets, int slot) {
    if (slot < 0 || slot >= kPhysicalDriveCount) return nullptr;
    const ControllerStatusRecord& record = packets[static_cast<std::size_t>(slot)];
    return record.present == 1 ? &record : nullptr;
}

}  // namespace lmx::tray
