#include "gui/icons.h"

#include <gtest/gtest.h>

#include "tests/gui/test_application.h"

namespace lmx::gui {
namespace {

// Which pixels of a 16 × 16 icon are drawn (alpha at least half): the icon's shape.
std::vector<bool> shapeMask(const QImage& image) {
    std::vector<bool> mask;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) mask.push_back(qAlpha(image.pixel(x, y)) >= 128);
    }
    return mask;
}

TEST(IconsTest, EveryStateIconHasItsOwnShapeAt16Pixels) {
    testing::testApplication();
    EXPECT_EQ(iconIds(), (std::vector<int>{128, 129, 130, 131, 132, 133, 134, 149}));
    // The tray's icons; 128 is the firmware tool's.
    const std::vector<int> ids = {129, 130, 131, 132, 133, 134, 149};
    std::vector<std::vector<bool>> masks;
    for (const int id : ids) {
        const QImage image = renderIcon(id, 16);
        ASSERT_FALSE(image.isNull()) << id;
        ASSERT_EQ(image.size(), QSize(16, 16));
        const auto mask = shapeMask(image);
        EXPECT_GE(std::count(mask.begin(), mask.end(), true), 40) << "icon " << id << " is barely visible";
        masks.push_back(mask);
    }
    for (std::size_t a = 0; a < masks.size(); ++a) {
        for (std::size_t b = a + 1; b < masks.size(); ++b) {
            int differing = 0;
            for (std::size_t i = 0; i < masks[a].size(); ++i) differing += masks[a][i] != masks[b][i];
            // A clear difference in outline, so that the icons do not rely on colour alone.
            EXPECT_GE(differing, 12) << "icons " << ids[a] << " and " << ids[b];
        }
    }
}

TEST(IconsTest, LoadsIconsByNumberOnly) {
    testing::testApplication();
    EXPECT_FALSE(loadIcon(130).isNull());
    EXPECT_FALSE(loadIcon(130).pixmap(16, 16).isNull());
    EXPECT_FALSE(loadIcon(128).isNull());
    EXPECT_TRUE(loadIcon(127).isNull());
    EXPECT_TRUE(renderIcon(135, 16).isNull());
}

}  // namespace
}  // namespace lmx::gui
