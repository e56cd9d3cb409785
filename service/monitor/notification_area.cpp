#include "service/monitor/notification_area.h"

#include "platform/shell_windows.h"
#include "platform/system_info.h"

namespace dwsvc {

namespace {

constexpr int kSweepStep = 5;

void sweepToolbar(platform::shell::WindowRef toolbar) {
    const auto size = platform::shell::clientSize(toolbar);
    for (int x = 0; x < size.width; x += kSweepStep) {
        for (int y = 0; y < size.height; y += kSweepStep) platform::shell::sendMouseMove(toolbar, x, y);
    }
}

std::optional<platform::shell::WindowRef> toolbarTitled(platform::shell::WindowRef parent, std::string_view title) {
    return platform::shell::findChildWindow(parent, "ToolbarWindow32", title);
}

}  // namespace

void sweepNotificationArea() {
    using platform::debugOutput;
    const auto overflowWindow = platform::shell::findWindow("NotifyIconOverflowWindow", "");
    debugOutput(overflowWindow ? "notifyIconOverflowWindowHandle != NULL" : "Cannot get handle for notifyIconOverFlow");

    const auto tray = platform::shell::findWindow("Shell_TrayWnd", "");
    const auto notify = tray ? platform::shell::findChildWindow(*tray, "TrayNotifyWnd", "") : std::nullopt;
    const auto pager = notify ? platform::shell::findChildWindow(*notify, "SysPager", "") : std::nullopt;
    if (!pager) return;

    auto promoted = toolbarTitled(*pager, "User Promoted Notification Area");
    if (!promoted) promoted = toolbarTitled(*pager, "ユーザーによって昇格された通知領域");
    if (promoted) sweepToolbar(*promoted);

    if (!overflowWindow) {
        debugOutput("(1)hOverFlowNotificationArea is NULL");
        debugOutput("(2)hOverFlowNotificationArea is NULL");
        return;
    }
    if (const auto overflow = toolbarTitled(*overflowWindow, "Overflow Notification Area")) {
        debugOutput("hOverFlowNotificationArea != NULL");
        sweepToolbar(*overflow);
        debugOutput("SendMessage for hOverFlowNotificationArea done");
        return;
    }
    debugOutput("(1)hOverFlowNotificationArea is NULL");
    if (const auto overflow = toolbarTitled(*overflowWindow, "オーバーフロー通知領域")) {
        sweepToolbar(*overflow);
    } else {
        debugOutput("(2)hOverFlowNotificationArea is NULL");
    }
}

}  // namespace dwsvc
