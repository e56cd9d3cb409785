// The shell's notification-area windows, found by class (and title) and swept with mouse moves.
// The shell is another process: each move waits for it a moment only.

#include "platform/shell_windows.h"

#include <windows.h>

#include "platform/windows/wide_text.h"

namespace platform::shell {

namespace {

// A shell that does not answer within this time is passed by.
constexpr UINT kMouseMoveTimeoutMilliseconds = 1000;

HWND handleOf(WindowRef window) { return reinterpret_cast<HWND>(window.id); }

std::optional<WindowRef> refOf(HWND window) {
    if (!window) return std::nullopt;
    return WindowRef{reinterpret_cast<std::uintptr_t>(window)};
}

}  // namespace

std::optional<WindowRef> findWindow(std::string_view className, std::string_view title) {
    const std::wstring wideClass = win32::widen(className);
    const std::wstring wideTitle = win32::widen(title);
    return refOf(::FindWindowW(wideClass.c_str(), title.empty() ? nullptr : wideTitle.c_str()));
}

std::optional<WindowRef> findChildWindow(WindowRef parent, std::string_view className, std::string_view title) {
    const std::wstring wideClass = win32::widen(className);
    const std::wstring wideTitle = win32::widen(title);
    return refOf(::FindWindowExW(handleOf(parent), nullptr, wideClass.c_str(), title.empty() ? nullptr : wideTitle.c_str()));
}

ClientSize clientSize(WindowRef window) {
    RECT area{};
    if (!::GetClientRect(handleOf(window), &area)) return {};
    return {area.right - area.left, area.bottom - area.top};
}

void sendMouseMove(WindowRef window, int x, int y) {
    DWORD_PTR result = 0;
    ::SendMessageTimeoutW(handleOf(window), WM_MOUSEMOVE, 0, MAKELPARAM(x, y), SMTO_ABORTIFHUNG | SMTO_BLOCK,
                          kMouseMoveTimeoutMilliseconds, &result);
}

}  // namespace platform::shell
