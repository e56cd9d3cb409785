#pragma once
// Dialog units → pixels, from the dialog font as Windows measures it: the base width is the
// average width of the 52 Latin letters, rounded, the base height the font's line height;
// x pixels = x · baseWidth / 4 and y pixels = y · baseHeight / 8, each rounded.

#include <QFont>
#include <QRect>

#include "gui/dialog_template.h"

namespace lmx::gui {

struct DialogBaseUnits {
    int width = 0;
    int height = 0;
};

// The Qt font for a template font. The Windows dialog faces ("MS Shell Dlg", "MS UI Gothic")
// map to a Japanese Gothic face; the size is set in pixels at 96 dots per inch, so that the
// layout does not depend on the screen.
QFont dialogFont(const DialogFont& font);

DialogBaseUnits baseUnits(const QFont& font);

// MulDiv: value · numerator / denominator, rounded half away from zero.
int mulDiv(int value, int numerator, int denominator);

QRect toPixels(const DialogRect& rect, const DialogBaseUnits& units);
QSize toPixels(int width, int height, const DialogBaseUnits& units);

}  // namespace lmx::gui
