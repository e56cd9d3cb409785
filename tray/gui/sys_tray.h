#pragma once
// CSysTray: the application's icon in the notification area, its tooltip and context menu, and
// the mouse actions on it turned into frame commands.

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "gui/notification_icon.h"

namespace lmx::tray {

inline constexpr int kCommandStartMonitoring = 101;
inline constexpr int kCommandStopMonitoring = 102;
inline constexpr int kCommandShowInformation = 103;
inline constexpr int kCommandExit = 107;

// The shell's side of the icon: add, modify, delete, and the menu it shows. A shell may refuse
// (no notification area yet).
using TrayShell = gui::NotificationIcon;

class SysTray {
public:
    using CommandSink = std::function<void(int command)>;
    using ServiceProbe = std::function<bool()>;
    using Sleeper = std::function<void(int milliseconds)>;

    // `shell` may be null: the desktop's notification area.
    SysTray(std::unique_ptr<TrayShell> shell, CommandSink commands, ServiceProbe serviceRunning);
    ~SysTray();
    SysTray(const SysTray&) = delete;
    SysTray& operator=(const SysTray&) = delete;

    // createIcon: the menu, then the icon; a refusing shell is asked again every 5 s, 60 times.
    // 0 on success, else a non-zero error.
    int createIcon(int iconId, const Sleeper& sleep);
    void setIcon(int iconId);  // modify, icon only
    void removeIcon();

    // The context menu as the shell shows it, and the items' states.
    const std::vector<gui::MenuItem>& menuItems() const { return menu_; }
    bool isMenuItemEnabled(int command) const;
    // What a notification does: the menu item 103 follows the service; a double-click (or, on
    // desktops that report no double-click, a click) opens the information window.
    void notified(bool openRequested);
    // A menu item chosen, as the shell reports it: its command, while the item is enabled.
    void menuCommand(int command);

private:
    void enableMenuItem(int command, bool enabled);

    std::unique_ptr<TrayShell> shell_;
    std::vector<gui::MenuItem> menu_;
    std::map<int, bool> enabled_;
    CommandSink commands_;
    ServiceProbe serviceRunning_;
};

inline constexpr int kTrayRetries = 60;
inline constexpr int kTrayRetryMilliseconds = 5000;
inline constexpr const char* kTrayTooltip = "LMX Duowatch Service Tray Control";

}  // namespace lmx::tray
