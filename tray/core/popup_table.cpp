#include "tray/core/popup_table.h"

#include <cstdio>

#include "platform/system_info.h"
#include "tray/core/alert_text.h"
#include "tray/core/popup_settings.h"

namespace lmx::tray {

namespace {

bool validSlot(int slot) { return slot >= 0 && slot < kPhysicalDriveCount; }

const char* className(PopupClass popupClass) {
    switch (popupClass) {
        case PopupClass::Normal: return "normal";
        case PopupClass::Rebuild: return "rebuild";
        case PopupClass::Abnormal: return "abnormal";
    }
    return "?";
}

const char* iconName(int iconClass) {
    switch (iconClass) {
        case kIconError: return "error";
        case kIconQuestion: return "question";
        case kIconWarning: return "warning";
        case kIconInformation: return "information";
        default: return "none";
    }
}

}  // namespace

std::string escapedOnOneLine(std::string_view text) {
    std::string escaped;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '\\': escaped += "\\\\"; break;
            case '\n': escaped += "\\n"; break;
            case '\r': escaped += "\\r"; break;
            case '\t': escaped += "\\t"; break;
            default:
                if (byte < 0x20 || byte == 0x7F) {
                    char hex[8];
                    std::snprintf(hex, sizeof hex, "\\x%02X", byte);
                    escaped += hex;
                } else {
                    escaped += c;  // UTF-8 texts stay as they are
                }
        }
    }
    return escaped;
}

std::string describePopupDecision(int slot, std::uint8_t raidStatus, std::uint32_t popMsgSetting,
                                  const PopupCommand* shown) {
    char head[160];
    const auto popupClass = popupClassForStatus(raidStatus);
    if (shown) {
        char time[32];
        if (shown->displayMilliseconds == 0) {
            std::snprintf(time, sizeof time, "until closed");
        } else {
            std::snprintf(time, sizeof time, "for %u s", shown->displayMilliseconds / 1000);
        }
        std::snprintf(head, sizeof head, "Pop-up of drive %d: shown %s, icon %d (%s), RAID status %u: ", slot, time,
                      shown->iconClass, iconName(shown->iconClass), unsigned{raidStatus});
        return head + escapedOnOneLine(shown->text);
    }
    if (!validSlot(slot)) {
        std::snprintf(head, sizeof head, "Pop-up of drive %d: not shown, no such drive.", slot);
    } else if (!popupClass) {
        std::snprintf(head, sizeof head, "Pop-up of drive %d: not shown, RAID status %u raises no alert.", slot,
                      unsigned{raidStatus});
    } else {
        std::snprintf(head, sizeof head, "Pop-up of drive %d: not shown, PopMsgSetting 0x%06X hides %s alerts (RAID status %u).",
                      slot, popMsgSetting, className(*popupClass), unsigned{raidStatus});
    }
    return head;
}

std::vector<PopupCommand> PopupTable::show(const PopupRaise& raise, std::uint32_t popMsgSetting,
                                           std::uint32_t temperatureSetting, const StringSource& texts) {
    std::vector<PopupCommand> commands = close(raise.slot);
    const PopupDisplay display = validSlot(raise.slot) ? popupDisplay(popMsgSetting, raise.packet.raidStatus) : PopupDisplay{};
    if (!display.show) {
        platform::debugOutput(describePopupDecision(raise.slot, raise.packet.raidStatus, popMsgSetting, nullptr));
        return commands;
    }
    AlertContent alert = buildAlert(raise.packet, raise.iconClass, raise.oldStatus, temperatureSetting, texts);
    commands.push_back({PopupCommand::Kind::Show, raise.slot, alert.iconClass, std::move(alert.text),
                        display.displayMilliseconds});
    platform::debugOutput(describePopupDecision(raise.slot, raise.packet.raidStatus, popMsgSetting, &commands.back()));
    open_[raise.slot] = true;
    return commands;
}

std::vector<PopupCommand> PopupTable::close(int slot) {
    if (!validSlot(slot) || !open_[slot]) return {};
    open_[slot] = false;
    return {PopupCommand{PopupCommand::Kind::Close, slot, 0, {}, 0}};
}

std::vector<PopupCommand> PopupTable::closeAll() {
    std::vector<PopupCommand> commands;
    for (int slot = 0; slot < kPhysicalDriveCount; ++slot) {
        for (auto& command : close(slot)) commands.push_back(std::move(command));
    }
    return commands;
}

bool PopupTable::isOpen(int slot) const { return validSlot(slot) && open_[slot]; }

}  // namespace lmx::tray
