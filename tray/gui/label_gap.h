#pragma once
// Right-aligned labels that end at the value box they name: a gap of a few pixels between the
// text and the box where the text leaves room for it, none where the text needs the whole width.

class QLabel;

namespace lmx::tray {

void keepGapBeforeValue(QLabel& label, int gapPixels = 4);

}  // namespace lmx::tray
