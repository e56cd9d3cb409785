#pragma once
// The frame's pop-up table, one alert per slot, and the showPopup decision: what the GUI must
// do to its alert windows. The GUI closes a slot's window (and kills its timer 100 + slot) for
// every Close, and creates, fills and shows one for every Show, starting the slot's timer
// when displayMilliseconds is not 0.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tray/core/frame_data.h"
#include "tray/core/string_source.h"

namespace lmx::tray {

struct PopupCommand {
    enum class Kind { Close, Show };
    Kind kind = Kind::Close;
    int slot = 0;
    int iconClass = 0;                     // Show: the system icon class
    std::string text;                      // Show: the alert text
    std::uint32_t displayMilliseconds = 0;  // Show: 0 = until closed
};

// The debug line of one pop-up decision: the drive, shown or not and why, and for a shown
// alert its display time, icon and text (escaped onto the one line).
std::string describePopupDecision(int slot, std::uint8_t raidStatus, std::uint32_t popMsgSetting,
                                  const PopupCommand* shown);
// Control characters and backslashes of a text as C escapes, so that it stays on one line.
std::string escapedOnOneLine(std::string_view text);

class PopupTable {
public:
    // showPopup: closes the slot's open alert, then shows the new one if PopMsgSetting shows
    // the class of the packet's status.
    std::vector<PopupCommand> show(const PopupRaise& raise, std::uint32_t popMsgSetting,
                                   std::uint32_t temperatureSetting, const StringSource& texts);
    // The alert of `slot` went away (time-out, its buttons): Close if it was open.
    std::vector<PopupCommand> close(int slot);
    // A stop of monitoring: every open alert closes.
    std::vector<PopupCommand> closeAll();

    bool isOpen(int slot) const;

private:
    std::array<bool, kPhysicalDriveCount> open_{};
};

}  // namespace lmx::tray
