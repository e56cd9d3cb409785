#include "tray/gui/progress_view.h"

#include "tray/core/raid_display.h"

namespace lmx::tray {

void showProgress(gui::DialogWindow& window, int bar, const ControllerStatusRecord& record, const StringSource& texts) {
    const ProgressDisplay display = progressDisplay(record, texts);
    if (display.kind == ProgressDisplay::Kind::None) {
        window.setProgress(bar, {});
        window.showControl(bar, false);
        return;
    }
    window.setProgress(bar, {display.position, display.barRgb, display.text});
    window.showControl(bar, true);
}

}  // namespace lmx::tray
