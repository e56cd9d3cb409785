#include "gui/info_progress_bar.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPixmap>

#include "tests/gui/test_application.h"

namespace lmx::gui {
namespace {

const QColor kTextOnBar(255, 0, 0);
const QColor kTextOnEmpty(0, 0, 255);
const QColor kBar(0, 160, 0);

bool isRedText(QRgb pixel) {
    return qRed(pixel) > 150 && qGreen(pixel) < 110 && qBlue(pixel) < 110;
}
bool isBlueText(QRgb pixel) {
    return qBlue(pixel) > 150 && qRed(pixel) < 110 && qGreen(pixel) < 110;
}

struct TextColumns {
    int redCount = 0;
    int blueCount = 0;
    int lastRedX = -1;
    int firstBlueX = 1 << 30;
};

TextColumns scan(const QImage& image) {
    TextColumns columns;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (isRedText(pixel)) {
                ++columns.redCount;
                columns.lastRedX = std::max(columns.lastRedX, x);
            }
            if (isBlueText(pixel)) {
                ++columns.blueCount;
                columns.firstBlueX = std::min(columns.firstBlueX, x);
            }
        }
    }
    return columns;
}

class InfoProgressBarTest : public ::testing::Test {
protected:
    void SetUp() override {
        bar_.resize(202, 22);
        bar_.setColors(kTextOnBar, kTextOnEmpty, kBar);
        bar_.setGradientStep(0);
    }
    QImage paintAt(int position, const QString& text) {
        bar_.setValue(position);
        bar_.setBarText(text);
        return bar_.grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
    QApplication& application_ = testing::testApplication();  // before any widget exists
    InfoProgressBar bar_;
};

const QString kWideText = QStringLiteral("MMMMMMMMMMMMMMMMMMMM");

TEST_F(InfoProgressBarTest, TextChangesColourExactlyWhereTheBarEnds) {
    const TextColumns empty = scan(paintAt(0, kWideText));
    EXPECT_EQ(empty.redCount, 0);
    EXPECT_GT(empty.blueCount, 20);

    const TextColumns full = scan(paintAt(100, kWideText));
    EXPECT_GT(full.redCount, 20);
    EXPECT_EQ(full.blueCount, 0);

    // Drawn area 200 pixels from x = 1: half of it is filled up to x = 100 (exclusive).
    const TextColumns half = scan(paintAt(50, kWideText));
    EXPECT_EQ(bar_.filledWidth(), 100);
    EXPECT_GT(half.redCount, 20);
    EXPECT_GT(half.blueCount, 20);
    EXPECT_LT(half.lastRedX, 101);
    EXPECT_GE(half.firstBlueX, 101);
}

TEST_F(InfoProgressBarTest, SolidBarIsOneFlatColourOverTheFilledPartOnly) {
    const QImage image = paintAt(50, QString());
    EXPECT_EQ(QColor(image.pixel(1, 1)), kBar);
    EXPECT_EQ(QColor(image.pixel(100, 20)), kBar);
    EXPECT_NE(QColor(image.pixel(101, 10)), kBar);
    EXPECT_NE(QColor(image.pixel(0, 10)), kBar);  // the one-pixel margin keeps the background
    EXPECT_EQ(QColor(image.pixel(101, 10)), QColor(image.pixel(150, 10)));
}

TEST_F(InfoProgressBarTest, ShadedBarRunsFromDarkAtTheTopToLightAtTheBottom) {
    bar_.setColors(kTextOnBar, kTextOnEmpty, QColor(128, 128, 128));
    bar_.setGradientStep(8);
    bar_.setBandWidth(1);
    const QImage image = paintAt(100, QString());
    // 20 rows drawn: 10 bands to mid-height darken the start by 80; each row adds 8.
    EXPECT_EQ(QColor(image.pixel(5, 1)), QColor(56, 56, 56));
    EXPECT_EQ(QColor(image.pixel(5, 10)), QColor(128, 128, 128));
    EXPECT_EQ(QColor(image.pixel(5, 20)), QColor(208, 208, 208));
}

TEST_F(InfoProgressBarTest, DefaultsAndStoredSettings) {
    InfoProgressBar fresh;
    EXPECT_EQ(fresh.gradientStep(), 8);
    EXPECT_EQ(fresh.bandWidth(), 1);
    EXPECT_EQ(fresh.minimum(), 0);
    EXPECT_EQ(fresh.maximum(), 100);
    EXPECT_EQ(fresh.barColour(), fresh.palette().color(QPalette::Highlight));
    EXPECT_TRUE(fresh.barText().isEmpty());
}

}  // namespace
}  // namespace lmx::gui
