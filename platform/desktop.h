#pragma once
// Whether this process can show windows: a desktop session to draw on.

namespace platform {

// True when the process has a desktop to show windows on (on Linux: an X or Wayland display,
// or a Qt platform chosen explicitly, such as offscreen).
bool desktopAvailable();

}  // namespace platform

namespace platform {

// A dialog program that also has console modes is built for the console, so Windows gives it a
// console window of its own when it is started from the desktop. This closes that window when
// no other process (a command prompt) shares it. Elsewhere it does nothing.
void releaseOwnConsoleWindow();

}  // namespace platform
