#pragma once
// The RAID information window's menu bar, built once per form from the menu's layout: each
// item's text from the string table, and its state as the menu-state rules set it. A chosen
// item reaches the form's command handler only while it is enabled.

#include <QObject>

#include <functional>
#include <map>

#include "tray/core/info_menu.h"

class QAction;
class QMenuBar;

namespace lmx::tray {

class InformationMenu : public QObject {
    Q_OBJECT
public:
    using CommandHandler = std::function<void(int command)>;

    explicit InformationMenu(CommandHandler handler);

    // A new menu bar with every menu and item; the caller attaches it to its window.
    QMenuBar* build();
    void apply(const MenuStates& states);

    QAction* action(int command) const;
    MenuItemState state(int command) const;
    // The command of an item chosen by the user: carried out only while the item is enabled.
    void choose(int command);

private:
    CommandHandler handler_;
    std::map<int, QAction*> actions_;
    MenuStates states_;
};

}  // namespace lmx::tray
