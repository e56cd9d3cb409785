#pragma once
// A progress bar that paints itself through an off-screen image: a solid or vertically shaded
// bar and, centred on the whole bar, a text whose colour changes exactly where the bar ends.
// The range and position are QProgressBar's (owners keep 0..100); the text is set with
// setBarText.

#include <QColor>
#include <QFont>
#include <QProgressBar>
#include <QRect>
#include <QString>

#include <cstdint>

class QPainter;

namespace lmx::gui {

class InfoProgressBar : public QProgressBar {
    Q_OBJECT
public:
    explicit InfoProgressBar(QWidget* parent = nullptr);

    // Store only; the next paint uses them.
    virtual void setColors(const QColor& textOnBar, const QColor& textOnEmpty, const QColor& bar);
    virtual void setGradientStep(std::uint8_t step);
    virtual void setBandWidth(std::uint8_t width);

    void setBarText(const QString& text);
    QString barText() const { return barText_; }
    QString text() const override { return barText_; }

    QColor textOnBarColour() const { return textOnBarColour_; }
    QColor textOnEmptyColour() const { return textOnEmptyColour_; }
    QColor barColour() const { return barColour_; }
    std::uint8_t gradientStep() const { return gradientStep_; }
    std::uint8_t bandWidth() const { return bandWidth_; }

    // Width in pixels of the filled part for the current range and position.
    int filledWidth() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    virtual void drawContents(QPainter& painter);
    virtual void drawBar(QPainter& painter, const QRect& rect);

private:
    QFont font_;
    QColor textOnBarColour_;
    QColor textOnEmptyColour_;
    QColor barColour_;
    std::uint8_t gradientStep_ = 8;
    std::uint8_t bandWidth_ = 1;
    QRect drawRect_;
    QString barText_;
};

}  // namespace lmx::gui
