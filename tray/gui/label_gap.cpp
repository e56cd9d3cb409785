#include "tray/gui/label_gap.h"

#include <QLabel>

#include <algorithm>

namespace lmx::tray {

void keepGapBeforeValue(QLabel& label, int gapPixels) {
    const int room = label.width() - label.fontMetrics().horizontalAdvance(label.text());
    label.setContentsMargins(0, 0, std::clamp(room, 0, gapPixels), 0);
}

}  // namespace lmx::tray
