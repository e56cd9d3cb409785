#pragma once
// The text and icon of a pop-up alert, built from a controller's packet with the string table.

#include <cstdint>
#include <string>

#include "common/controller_status_record.h"
#include "tray/core/string_source.h"

namespace lmx::tray {

// System icon classes of the alerts (any other value is a system icon identifier; 0 none).
inline constexpr int kIconError = 16;
inline constexpr int kIconQuestion = 32;
inline constexpr int kIconWarning = 48;
inline constexpr int kIconInformation = 64;

// RAID status of a controller that was lost; the service never sends it.
inline constexpr std::uint8_t kRaidLost = 255;

// The alert text fills at most this many bytes (a 512-character buffer with its terminator);
// a longer text, possible only with long translated texts, is cut on a character boundary.
inline constexpr std::size_t kMaxAlertTextBytes = 511;

// 0 and 2 → information; 1 and 3 → warning; 255 → error; anything else 0.
int popupIconForStatus(std::uint8_t raidStatus);

struct AlertContent {
    std::string text;
    int iconClass = 0;
};

// The alert for `packet`: the lost-controller text for status 255, else the status text with
// one line per member drive (temperature words for temperature models), and the
// unreadable-sector warning with the warning icon when a rebuild (old status 2 or 3) ended in
// status 0 with the error-skip flag set. `iconClass` is the class the caller asked for unless
// that warning replaces it. The text is at most kMaxAlertTextBytes long.
AlertContent buildAlert(const ControllerStatusRecord& packet, int iconClass, std::uint8_t oldStatus,
                        std::uint32_t temperatureSetting, const StringSource& texts);

}  // namespace lmx::tray
