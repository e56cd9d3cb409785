#pragma once
// The shell's notification-area windows, which the uninstaller sweeps with mouse moves so that
// the shell drops icons of programs that are gone. Desktops without such windows find none.

#include <cstdint>
#include <optional>
#include <string_view>

namespace platform::shell {

struct WindowRef {
    std::uintptr_t id = 0;
};

struct ClientSize {
    int width = 0;
    int height = 0;
};

// A top-level window by class (and title, when not empty).
std::optional<WindowRef> findWindow(std::string_view className, std::string_view title);
// A child window of `parent` by class (and title, when not empty).
std::optional<WindowRef> findChildWindow(WindowRef parent, std::string_view className, std::string_view title);
ClientSize clientSize(WindowRef window);
// WM_MOUSEMOVE with wParam 0 at (x, y) of the client area, sent synchronously.
void sendMouseMove(WindowRef window, int x, int y);

}  // namespace platform::shell
