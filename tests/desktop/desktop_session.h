#pragma once
// A desktop of its own for one test: an X server (Xvfb), a private session bus and a
// notification area on it (notification_area_host). While the session lives, programs this
// process starts use it: DISPLAY, DBUS_SESSION_BUS_ADDRESS and QT_QPA_PLATFORM=xcb are set.
// The test looks at the desktop the way a user would: which windows are shown, and it clicks
// the tray icon and its menu through the StatusNotifierItem and dbusmenu interfaces.

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/desktop/background_program.h"

namespace lmx::testing {

class DesktopSession {
public:
    DesktopSession();
    ~DesktopSession();
    DesktopSession(const DesktopSession&) = delete;
    DesktopSession& operator=(const DesktopSession&) = delete;

    // Empty when the desktop runs; else what failed.
    const std::string& failure() const { return failure_; }

    // The bus name of the next icon that registers in the notification area.
    std::optional<std::string> waitForTrayItem(std::chrono::milliseconds limit);

    // Whether a window with exactly this title is mapped and viewable.
    bool windowShown(const std::string& title) const;
    // A key press (xdotool's key names: "Return", "Escape") in the shown window of that title.
    bool pressKey(const std::string& title, const std::string& key) const;

    // A left click on the icon (StatusNotifierItem.Activate).
    bool clickTrayIcon(const std::string& item) const;
    // The icon's pictures as the notification area receives them (sizes and ARGB bytes, as
    // text); empty when the icon cannot be asked.
    std::string trayIconPixels(const std::string& item) const;
    // The icon's menu: each item's label (mnemonic marks removed) with its dbusmenu id.
    std::map<std::string, int> trayMenu(const std::string& item) const;
    bool clickTrayMenuItem(const std::string& item, int id) const;

private:
    void setEnvironment(const char* name, const std::string& value);
    std::vector<std::string> shownWindows(const std::string& title) const;

    std::unique_ptr<BackgroundProgram> xserver_;
    std::unique_ptr<BackgroundProgram> bus_;
    std::unique_ptr<BackgroundProgram> host_;
    std::map<std::string, std::optional<std::string>> savedEnvironment_;
    std::string failure_;
};

}  // namespace lmx::testing
