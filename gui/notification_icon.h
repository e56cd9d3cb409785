#pragma once
// Shell_NotifyIcon: a program's icon in the desktop's notification area, with its tooltip and
// its context menu. The shell may refuse the icon (no notification area yet): add and modify
// then return false, and the caller tries again later.

#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "gui/dialog_window.h"

namespace lmx::gui {

class NotificationIcon {
public:
    // What the user does with the icon, as the notification area reports it.
    struct Events {
        std::function<void(int command)> menuCommand;  // a context-menu item chosen
        // A click on the icon: `openRequested` for a double-click (or, on desktops that report
        // no double-click, a click).
        std::function<void(bool openRequested)> activated;
        std::function<void()> menuOpening;  // the context menu is about to show
    };

    virtual ~NotificationIcon() = default;
    // NIM_ADD with the icon (a program icon by its resource number) and the tooltip.
    virtual bool add(int iconId, std::string_view tooltip) = 0;
    // NIM_MODIFY: the icon only.
    virtual bool modify(int iconId) = 0;
    // NIM_DELETE.
    virtual void remove() = 0;
    // The context menu (command 0: a separator); a disabled item is grayed.
    virtual void setMenu(const std::vector<MenuItem>& items) = 0;
    virtual void enableMenuItem(int command, bool enabled) = 0;
};

std::unique_ptr<NotificationIcon> createNotificationIcon(NotificationIcon::Events events);

}  // namespace lmx::gui
