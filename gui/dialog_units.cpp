#include "gui/dialog_units.h"

#include <QFontMetrics>
#include <QStringList>

#include <cstdlib>

namespace lmx::gui {

QFont dialogFont(const DialogFont& font) {
    QFont qfont(QStringLiteral("IPAGothic"));
    qfont.setFamilies(QStringList{QStringLiteral("IPAGothic"), QStringLiteral("IPAPGothic"), QString::fromStdString(font.face)});
    qfont.setStyleHint(QFont::SansSerif);
    // Points to pixels at 96 dpi, as a Windows dialog template's font is created.
    qfont.setPixelSize(mulDiv(font.pointSize, 96, 72));
    return qfont;
}

DialogBaseUnits baseUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    // (letters / 26 + 1) / 2: the average over 52 letters, rounded.
    return {(letters / 26 + 1) / 2, metrics.height()};
}

int mulDiv(int value, int numerator, int denominator) {
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = std::llabs(static_cast<long long>(denominator)) / 2;
    const long long rounded = (product >= 0) == (denominator >= 0) ? (std::llabs(product) + half) / std::llabs(denominator)
                                                                  : -((std::llabs(product) + half) / std::llabs(denominator));
    return static_cast<int>(rounded);
}

QRect toPixels(const DialogRect& rect, const DialogBaseUnits& units) {
    const int left = mulDiv(rect.x, units.width, 4);
    const int top = mulDiv(rect.y, units.height, 8);
    const int right = mulDiv(rect.x + rect.width, units.width, 4);
    const int bottom = mulDiv(rect.y + rect.height, units.height, 8);
    return QRect(left, top, right - left, bottom - top);
}

QSize toPixels(int width, int height, const DialogBaseUnits& units) {
    return QSize(mulDiv(width, units.width, 4), mulDiv(height, units.height, 8));
}

}  // namespace lmx::gui
