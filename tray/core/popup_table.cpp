#include "tray/core/popup_table.h"

#include "tray/core/alert_text.h"
#include "tray/core/popup_settings.h"

namespace lmx::tray {

namespace {
bool validSlot(int slot) { return slot >= 0 && slot < kPhysicalDriveCount; }
}  // namespace

std::vector<PopupCommand> PopupTable::show(const PopupRaise& raise, std::uint32_t popMsgSetting,
                                           std::uint32_t temperatureSetting, const StringSource& texts) {
    std::vector<PopupCommand> commands = close(raise.slot);
    if (!validSlot(raise.slot)) return commands;
    const PopupDisplay display = popupDisplay(popMsgSetting, raise.packet.raidStatus);
    if (!display.show) return commands;
    AlertContent alert = buildAlert(raise.packet, raise.iconClass, raise.oldStatus, temperatureSetting, texts);
    commands.push_back({PopupCommand::Kind::Show, raise.slot, alert.iconClass, std::move(alert.text),
                        display.displayMilliseconds});
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
