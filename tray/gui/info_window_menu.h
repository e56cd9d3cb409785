#pragma once
// The RAID information window's menu bar, built once per form from the menu's layout: each
// item's text from the string table, and its state as the menu-state rules set it. A chosen
// item reaches the form's command handler only while it is enabled.

#include <functional>

#include "gui/dialog_window.h"
#include "tray/core/info_menu.h"

namespace lmx::tray {

class InformationMenu {
public:
    using CommandHandler = std::function<void(int command)>;
    InformationMenu(gui::DialogWindow& window, CommandHandler handler);

    // Gives the window its menu bar with every menu and item.
    void build();
    void apply(const MenuStates& states);
    MenuItemState state(int command) const;
    // The command of an item chosen by the user: carried out only while the item is enabled.
    void choose(int command);

private:
    gui::DialogWindow& window_;
    CommandHandler handler_;
    MenuStates states_;
};

}  // namespace lmx::tray
