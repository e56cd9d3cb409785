#pragma once
// The one QApplication of the GUI tests, on the offscreen platform so that no display is needed.

class QApplication;

namespace lmx::gui::testing {

QApplication& testApplication();

// The window toolkit of the tests, started once, headless where the platform allows: what tests
// of windows written against the dialog layer alone call.
void startGuiForTests();

}  // namespace lmx::gui::testing
