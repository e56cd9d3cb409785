// The window toolkit of the Windows window tests: the common controls, registered once.

#include "gui/dialog_window.h"
#include "tests/gui/test_application.h"

namespace lmx::gui::testing {

void startGuiForTests() {
    static const GuiApplication application("windows_gui_tests");
}

}  // namespace lmx::gui::testing
