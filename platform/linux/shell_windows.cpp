#include "platform/shell_windows.h"

// Linux desktops keep their status icons in their own processes (StatusNotifierItem or XEmbed
// trays) and have no notification-area toolbar windows that another program could sweep: a
// search for them finds none.

namespace platform::shell {

std::optional<WindowRef> findWindow(std::string_view, std::string_view) { return std::nullopt; }

std::optional<WindowRef> findChildWindow(WindowRef, std::string_view, std::string_view) { return std::nullopt; }

ClientSize clientSize(WindowRef) { return {}; }

void sendMouseMove(WindowRef, int, int) {}

}  // namespace platform::shell
