#pragma once
// The RAID information window's menu as data: its drop-down menus, their items with string
// numbers, commands and initial states, and the rules that set the item states from the
// controller on view and the service's state. Both forms of the window build their menu bar
// from this and apply the states it computes.

#include <map>
#include <vector>

#include "common/controller_status_record.h"
#include "tray/core/service_pipe_client.h"

namespace lmx::tray {

namespace commands {
inline constexpr int kClose = 32773;
inline constexpr int kPopupSettings = 32774;
inline constexpr int kIntervalSettings = 32775;
inline constexpr int kSaveMirrorLog = 32776;
inline constexpr int kPatrolSettings = 32777;
inline constexpr int kStartVerify = 32779;
inline constexpr int kStopVerify = 32780;
inline constexpr int kEndVerify = 32781;
inline constexpr int kAbout = 32783;
inline constexpr int kHelp = 32784;
inline constexpr int kTemperatureSettings = 32785;
inline constexpr int kStopBuzzer = 32786;
inline constexpr int kDisplaySettings = 32787;
inline constexpr int kRefresh = 32788;
}  // namespace commands

// A disabled item is inactive but drawn as an active one; a grayed item is inactive and drawn
// grayed.
enum class MenuItemState { Enabled, Disabled, Grayed };

struct MenuItemLayout {
    int textId = 0;   // 0 for a separator
    int command = 0;  // 0 for a separator
    MenuItemState initial = MenuItemState::Enabled;
};

struct MenuLayout {
    int textId = 0;
    std::vector<MenuItemLayout> items;
};

// File, Edit, Run and Help, in that order. The File menu also offers the mirror-log save.
const std::vector<MenuLayout>& informationMenuLayout();

using MenuStates = std::map<int, MenuItemState>;  // by command

// Every item's initial state.
MenuStates initialMenuStates();

// The menu-state update: the verify and buzzer items from the controller on view (null when
// the slot on view holds no controller), the service's items from whether the service runs.
void updateMenuStates(MenuStates& states, const ControllerStatusRecord* onView, bool serviceRunning);

// Temperature and display settings are enabled while some present controller is of their model
// class; nothing grays them again.
void enableModelClassItems(MenuStates& states, const PacketTable& packets);

// The record of slot `slot` when it holds a controller, else null (also for a slot out of range).
const ControllerStatusRecord* presentRecord(const PacketTable& packets, int slot);

}  // namespace lmx::tray
