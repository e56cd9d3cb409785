#include "tray/gui/info_window_menu.h"

#include "gui/string_table.h"

namespace lmx::tray {

InformationMenu::InformationMenu(gui::DialogWindow& window, CommandHandler handler)
    : window_(window), handler_(std::move(handler)), states_(initialMenuStates()) {}

void InformationMenu::build() {
    std::vector<gui::Menu> menus;
    for (const MenuLayout& layout : informationMenuLayout()) {
        gui::Menu menu{gui::loadString(layout.textId), {}};
        for (const MenuItemLayout& item : layout.items) {
            menu.items.push_back({item.command, item.command == 0 ? std::string() : gui::loadString(item.textId)});
            if (item.command != 0) window_.onCommand(item.command, [this, command = item.command] { choose(command); });
        }
        menus.push_back(std::move(menu));
    }
    window_.setMenuBar(menus);
    apply(states_);
}

void InformationMenu::apply(const MenuStates& states) {
    states_ = states;
    for (const MenuLayout& layout : informationMenuLayout()) {
        for (const MenuItemLayout& item : layout.items) {
            if (item.command == 0) continue;
            // A disabled item looks like an enabled one; choosing it does nothing.
            window_.enableMenuItem(item.command, state(item.command) != MenuItemState::Grayed);
        }
    }
}

MenuItemState InformationMenu::state(int command) const {
    const auto found = states_.find(command);
    return found == states_.end() ? MenuItemState::Enabled : found->second;
}

void InformationMenu::choose(int command) {
    if (state(command) == MenuItemState::Enabled && handler_) handler_(command);
}

}  // namespace lmx::tray
