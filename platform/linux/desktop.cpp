#include "platform/desktop.h"

#include <cstdlib>
#include <initializer_list>

namespace platform {

bool desktopAvailable() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value && *value) return true;
    }
    return false;
}

}  // namespace platform

namespace platform {

void releaseOwnConsoleWindow() {}

}  // namespace platform
