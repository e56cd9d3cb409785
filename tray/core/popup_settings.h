#pragma once
// PopMsgSetting: one byte per alert class (normal, rebuild, abnormal). Bit 7 of a byte shows
// the class's alerts; the lowest set bit among bits 0-4 selects the display time (bit 0 or
// none: until closed; bits 1-4: 30, 60, 90, 120 s). Also the packing of the pop-up settings
// dialog's controls into the value.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tray/core/string_source.h"

namespace lmx::tray {

enum class PopupClass : std::uint8_t { Normal = 0, Rebuild = 1, Abnormal = 2 };

// The class governing a RAID status: 0 normal, 2 and 3 rebuild, 1 and 255 (lost) abnormal;
// any other status has none and raises no alert.
std::optional<PopupClass> popupClassForStatus(std::uint8_t raidStatus);

// Whether an alert of this status is shown, and for how long (0 = until closed).
struct PopupDisplay {
    bool show = false;
    std::uint32_t displayMilliseconds = 0;
};
PopupDisplay popupDisplay(std::uint32_t popMsgSetting, std::uint8_t raidStatus);

// Display time of one class byte: the lowest set bit among bits 0-4; 0 for bit 0 or none.
std::uint32_t displayMillisecondsOfClassByte(std::uint8_t classByte);

// The dialog's controls for one class: the check box, and the list's selection (0 "until
// closed", 1-4 = 30, 60, 90, 120 s). The list is enabled only while the box is ticked.
struct PopupClassChoice {
    bool shown = false;
    int timeIndex = 0;
};
using PopupSettingChoices = std::array<PopupClassChoice, 3>;  // indexed by PopupClass

// Initialisation: box = bit 7, selection = index of the lowest set bit among bits 0-4 (0 when none).
PopupSettingChoices decodePopupSetting(std::uint32_t popMsgSetting);
// Accept: byte = (1 << index) | (0x80 if ticked); value = normal | rebuild << 8 | abnormal << 16.
std::uint32_t encodePopupSetting(const PopupSettingChoices& choices);

// The five entries of each display-time list: string 176, then string 177 with 30, 60, 90, 120.
std::vector<std::string> popupTimeListEntries(const StringSource& texts);

}  // namespace lmx::tray
