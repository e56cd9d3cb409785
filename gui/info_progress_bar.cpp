#include "gui/info_progress_bar.h"

#include <QImage>
#include <QPainter>
#include <QPalette>

#include <algorithm>

namespace lmx::gui {

namespace {

int clampComponent(int value) {
    return std::clamp(value, 0, 255);
}

}  // namespace

InfoProgressBar::InfoProgressBar(QWidget* parent)
    : QProgressBar(parent),
      font_(font()),
      textOnBarColour_(palette().color(QPalette::HighlightedText)),
      textOnEmptyColour_(palette().color(QPalette::WindowText)),
      barColour_(palette().color(QPalette::Highlight)) {
    setRange(0, 100);
    setValue(0);
    setTextVisible(false);
}

void InfoProgressBar::setColors(const QColor& textOnBar, const QColor& textOnEmpty, const QColor& bar) {
    textOnBarColour_ = textOnBar;
    textOnEmptyColour_ = textOnEmpty;
    barColour_ = bar;
}

void InfoProgressBar::setGradientStep(std::uint8_t step) {
    gradientStep_ = step;
}

void InfoProgressBar::setBandWidth(std::uint8_t width) {
    bandWidth_ = width;
}

void InfoProgressBar::setBarText(const QString& text) {
    barText_ = text;
    update();
}

int InfoProgressBar::filledWidth() const {
    const QRect inner = rect().adjusted(1, 1, -1, -1);
    const long long span = static_cast<long long>(maximum()) - minimum();
    if (span <= 0 || inner.width() <= 0) return 0;
    // Truncated toward zero, as integer division does.
    return static_cast<int>(static_cast<long long>(inner.width()) * (static_cast<long long>(value()) - minimum()) / span);
}

void InfoProgressBar::paintEvent(QPaintEvent*) {
    drawRect_ = rect().adjusted(1, 1, -1, -1);
    // One off-screen image, copied to the window in one step, so bar and text never flicker.
    QImage buffer(size(), QImage::Format_ARGB32_Premultiplied);
    buffer.fill(palette().color(QPalette::Button));
    {
        QPainter offscreen(&buffer);
        offscreen.setFont(font_);
        drawContents(offscreen);
    }
    QPainter window(this);
    window.drawImage(0, 0, buffer);
}

void InfoProgressBar::drawContents(QPainter& painter) {
    const int filled = filledWidth();
    const QRect barRect(drawRect_.left(), drawRect_.top(), filled, drawRect_.height());
    drawBar(painter, barRect);

    const QRect emptyRect(drawRect_.left() + filled, drawRect_.top(), drawRect_.width() - filled, drawRect_.height());
    const int flags = Qt::AlignCenter | Qt::TextSingleLine;
    painter.save();
    painter.setClipRect(barRect);
    painter.setPen(textOnBarColour_);
    painter.drawText(drawRect_, flags, barText_);
    painter.setClipRect(emptyRect);
    painter.setPen(textOnEmptyColour_);
    painter.drawText(drawRect_, flags, barText_);
    painter.restore();
}

void InfoProgressBar::drawBar(QPainter& painter, const QRect& rect) {
    if (rect.width() <= 0 || rect.height() <= 0) return;
    if (gradientStep_ == 0) {
        painter.fillRect(rect, barColour_);
        return;
    }
    const int band = std::max<int>(bandWidth_, 1);
    // Start darker than the bar colour by as much as the bands up to mid-height add.
    const int bands = (rect.height() / 2) / band;
    const int darken = gradientStep_ * bands;
    int red = clampComponent(barColour_.red() - darken);
    int green = clampComponent(barColour_.green() - darken);
    int blue = clampComponent(barColour_.blue() - darken);
    painter.save();
    painter.setClipRect(drawRect_);
    for (int y = rect.top(); y <= rect.bottom(); y += band) {
        red = clampComponent(red + gradientStep_);
        green = clampComponent(green + gradientStep_);
        blue = clampComponent(blue + gradientStep_);
        painter.fillRect(QRect(rect.left(), y, rect.width(), band), QColor(red, green, blue));
    }
    painter.restore();
}

}  // namespace lmx::gui
