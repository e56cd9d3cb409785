#include "tray/gui/progress_view.h"

#include <QPalette>

#include "gui/info_progress_bar.h"
#include "tray/core/raid_display.h"

namespace lmx::tray {

void showProgress(gui::InfoProgressBar& bar, const ControllerStatusRecord& record, const StringSource& texts) {
    bar.setGradientStep(0);
    const ProgressDisplay display = progressDisplay(record, texts);
    if (display.kind == ProgressDisplay::Kind::None) {
        bar.setBarText(QString());
        bar.hide();
        return;
    }
    const QPalette& colours = bar.palette();
    bar.setColors(colours.color(QPalette::HighlightedText), colours.color(QPalette::WindowText),
                  QColor::fromRgb(static_cast<QRgb>(display.barRgb)));
    bar.setValue(display.position);
    bar.setBarText(QString::fromStdString(display.text));
    bar.show();
    bar.update();
}

}  // namespace lmx::tray
