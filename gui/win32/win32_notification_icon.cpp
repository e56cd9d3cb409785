#include <windows.h>
#include <shellapi.h>

#include <map>
#include <mutex>

#include "gui/notification_icon.h"
#include "gui/win32/win32_dialog_window.h"
#include "platform/windows/wide_text.h"

namespace lmx::gui {

namespace {

constexpr const wchar_t* kIconWindowClass = L"LmxNotificationIcon";
// The message the shell sends about the icon; lParam is the mouse message.
constexpr UINT kIconMessage = WM_APP + 0x40;
constexpr UINT kIconId = 1;

// The icon's owner: a hidden window that hears the shell's notifications and shows the menu.
class Win32NotificationIcon final : public NotificationIcon {
public:
    explicit Win32NotificationIcon(Events events) : events_(std::move(events)) {
        static std::once_flag registered;
        std::call_once(registered, [] {
            WNDCLASSEXW windowClass{};
            windowClass.cbSize = sizeof windowClass;
            windowClass.lpfnWndProc = &Win32NotificationIcon::windowProcedure;
            windowClass.hInstance = GetModuleHandleW(nullptr);
            windowClass.lpszClassName = kIconWindowClass;
            RegisterClassExW(&windowClass);
        });
        window_ = CreateWindowExW(WS_EX_TOOLWINDOW, kIconWindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), this);
    }

    ~Win32NotificationIcon() override {
        remove();
        if (window_) {
            SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
            DestroyWindow(window_);
        }
    }

    bool add(int iconId, std::string_view tooltip) override {
        NOTIFYICONDATAW data = iconData(iconId);
        data.uFlags |= NIF_TIP | NIF_MESSAGE;
        data.uCallbackMessage = kIconMessage;
        const std::wstring tip = platform::win32::widen(tooltip);
        lstrcpynW(data.szTip, tip.c_str(), static_cast<int>(std::size(data.szTip)));
        added_ = Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
        return added_;
    }

    bool modify(int iconId) override {
        if (!added_) return false;
        NOTIFYICONDATAW data = iconData(iconId);
        return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
    }

    void remove() override {
        if (!added_) return;
        NOTIFYICONDATAW data = iconData(0);
        data.uFlags = 0;
        Shell_NotifyIconW(NIM_DELETE, &data);
        added_ = false;
    }

    void setMenu(const std::vector<MenuItem>& items) override {
        items_ = items;
        enabled_.clear();
    }

    void enableMenuItem(int command, bool enabled) override { enabled_[command] = enabled; }

private:
    NOTIFYICONDATAW iconData(int iconId) const {
        NOTIFYICONDATAW data{};
        data.cbSize = sizeof data;
        data.hWnd = window_;
        data.uID = kIconId;
        if (iconId != 0) {
            data.uFlags = NIF_ICON;
            data.hIcon = win32::programIcon(iconId, GetSystemMetrics(SM_CXSMICON));
        }
        return data;
    }

    void showMenu() {
        if (events_.menuOpening) events_.menuOpening();
        HMENU menu = CreatePopupMenu();
        for (const MenuItem& item : items_) {
            if (item.command == 0) {
                AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
                continue;
            }
            const auto found = enabled_.find(item.command);
            const UINT grayed = found != enabled_.end() && !found->second ? MF_GRAYED : 0;
            AppendMenuW(menu, MF_STRING | grayed, static_cast<UINT_PTR>(item.command),
                        platform::win32::widen(item.text).c_str());
        }
        POINT at{};
        GetCursorPos(&at);
        // The menu closes when the user clicks elsewhere only while its owner is in front.
        SetForegroundWindow(window_);
        const int chosen = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, window_, nullptr);
        PostMessageW(window_, WM_NULL, 0, 0);
        DestroyMenu(menu);
        if (chosen != 0 && events_.menuCommand) events_.menuCommand(chosen);
    }

    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
        }
        auto* self = reinterpret_cast<Win32NotificationIcon*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self && message == kIconMessage) {
            switch (LOWORD(lParam)) {
                case WM_LBUTTONDBLCLK:
                    if (self->events_.activated) self->events_.activated(true);
                    break;
                case WM_RBUTTONUP:
                case WM_CONTEXTMENU: self->showMenu(); break;
                default: break;
            }
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    Events events_;
    HWND window_ = nullptr;
    bool added_ = false;
    std::vector<MenuItem> items_;
    std::map<int, bool> enabled_;
};

}  // namespace

std::unique_ptr<NotificationIcon> createNotificationIcon(NotificationIcon::Events events) {
    return std::make_unique<Win32NotificationIcon>(std::move(events));
}

}  // namespace lmx::gui
