// A process can show windows when its window station is the interactive one (visible): a
// service in session 0 runs on one that is not.

#include "platform/desktop.h"

#include <windows.h>

namespace platform {

bool desktopAvailable() {
    const HWINSTA station = ::GetProcessWindowStation();
    USEROBJECTFLAGS flags{};
    DWORD needed = 0;
    if (!station || !::GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, &needed)) return false;
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}

}  // namespace platform

namespace platform {

void releaseOwnConsoleWindow() {
    DWORD processes[2] = {};
    if (::GetConsoleProcessList(processes, 2) == 1) ::FreeConsole();
}

}  // namespace platform
