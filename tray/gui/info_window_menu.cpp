#include "tray/gui/info_window_menu.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "gui/qt/qt_string_table.h"

namespace lmx::tray {

InformationMenu::InformationMenu(CommandHandler handler) : handler_(std::move(handler)), states_(initialMenuStates()) {}

QMenuBar* InformationMenu::build() {
    actions_.clear();
    auto* bar = new QMenuBar;
    // A dialog's menu bar belongs to its window, also on desktops with a global menu.
    bar->setNativeMenuBar(false);
    for (const MenuLayout& layout : informationMenuLayout()) {
        QMenu* menu = bar->addMenu(gui::loadQString(layout.textId));
        for (const MenuItemLayout& item : layout.items) {
            if (item.command == 0) {
                menu->addSeparator();
                continue;
            }
            QAction* action = menu->addAction(gui::loadQString(item.textId));
            const int command = item.command;
            connect(action, &QAction::triggered, this, [this, command] { choose(command); });
            actions_[command] = action;
        }
    }
    apply(states_);
    return bar;
}

void InformationMenu::apply(const MenuStates& states) {
    states_ = states;
    for (const auto& [command, action] : actions_) {
        // A disabled item looks like an enabled one; choosing it does nothing.
        const auto found = states_.find(command);
        action->setEnabled(found == states_.end() || found->second != MenuItemState::Grayed);
    }
}

QAction* InformationMenu::action(int command) const {
    const auto found = actions_.find(command);
    return found == actions_.end() ? nullptr : found->second;
}

MenuItemState InformationMenu::state(int command) const {
    const auto found = states_.find(command);
    return found == states_.end() ? MenuItemState::Enabled : found->second;
}

void InformationMenu::choose(int command) {
    if (state(command) == MenuItemState::Enabled && handler_) handler_(command);
}

}  // namespace lmx::tray
