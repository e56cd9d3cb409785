#pragma once
// The one QApplication of the GUI tests, on the offscreen platform so that no display is needed.

class QApplication;

namespace lmx::gui::testing {

QApplication& testApplication();

}  // namespace lmx::gui::testing
