#include "tests/gui/test_application.h"

#include <QApplication>

namespace lmx::gui::testing {

QApplication& testApplication() {
    static QApplication* application = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "gui_tests";
        static char* argv[] = {name, nullptr};
        return new QApplication(argc, argv);
    }();
    return *application;
}

void startGuiForTests() {
    testApplication();
}

}  // namespace lmx::gui::testing

// Fontconfig keeps a few allocations for the life of the process; they are not leaks of ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n";
}
