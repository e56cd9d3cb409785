// The alert pop-up through the dialog layer: what its buttons, keys and close box report, and
// how it grows for a long alert.

#include <gtest/gtest.h>

#include "gui/message_box.h"
#include "tests/gui/test_application.h"
#include "tray/gui/popup_dialog.h"

namespace lmx::tray {
namespace {

class PopupDialogTest : public ::testing::Test {
protected:
    void SetUp() override { gui::testing::startGuiForTests(); }
};

TEST_F(PopupDialogTest, ButtonsEnterAndCloseBoxReportEscDoesNot) {
    std::vector<std::pair<int, bool>> closed;
    const auto record = [&](int slot, bool info) { closed.emplace_back(slot, info); };

    PopupDialog info(3, "line one\r\nline two", 48, record);
    info.window().show();
    info.window().pressKey(gui::DialogKey::Escape);
    EXPECT_TRUE(info.window().isVisible());
    EXPECT_TRUE(closed.empty());
    EXPECT_EQ("line one\nline two", info.window().text(kPopupText));
    EXPECT_TRUE(info.window().showsIcon(kPopupIcon));
    info.window().click(gui::IdOk);
    EXPECT_FALSE(info.window().isVisible());

    PopupDialog dismissed(4, "text", 64, record);
    dismissed.window().show();
    EXPECT_TRUE(dismissed.window().close());
    PopupDialog entered(5, "text", 64, record);  // Enter is the default button "show information"
    entered.window().show();
    entered.window().pressKey(gui::DialogKey::Enter);
    EXPECT_FALSE(entered.window().isVisible());
    ASSERT_EQ(3u, closed.size());
    EXPECT_EQ(std::make_pair(3, true), closed[0]);
    EXPECT_EQ(std::make_pair(4, false), closed[1]);
    EXPECT_EQ(std::make_pair(5, true), closed[2]);
}

TEST_F(PopupDialogTest, GrowsSoThatNoLineOfALongAlertIsCutOff) {
    const auto ignore = [](int, bool) {};
    PopupDialog shortAlert(0, "\r\nLMX Duowatch Service\r\n\r\nRAID 1", 16, ignore);
    const gui::PixelRect templateSize = shortAlert.window().toPixels({0, 0, 230, 118});
    EXPECT_EQ(shortAlert.window().clientRect(), (gui::PixelRect{0, 0, templateSize.width, templateSize.height}));

    std::string text = "\r\nLMX Duowatch Service\r\n\r\n";
    for (int line = 0; line < 14; ++line) text += "Drive " + std::to_string(line) + " status: Normal Temperature: Normal\r\n";
    PopupDialog longAlert(1, text, 16, ignore);
    gui::DialogWindow& window = longAlert.window();
    const gui::PixelRect label = window.controlRect(kPopupText);
    EXPECT_GE(label.height, window.textHeight(kPopupText));
    const gui::PixelRect ok = window.controlRect(gui::IdOk);
    EXPECT_GE(ok.y, label.y + label.height);  // the buttons moved below the text
    EXPECT_LE(ok.y + ok.height, window.clientRect().height);
    EXPECT_EQ(shortAlert.window().clientRect().width, window.clientRect().width);
}

}  // namespace
}  // namespace lmx::tray
