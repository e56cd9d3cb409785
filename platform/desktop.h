#pragma once
// Whether this process can show windows: a desktop session to draw on.

namespace platform {

// True when the process has a desktop to show windows on (on Linux: an X or Wayland display,
// or a Qt platform chosen explicitly, such as offscreen).
bool desktopAvailable();

}  // namespace platform
