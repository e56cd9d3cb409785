#include "gui/template_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <optional>
#include <vector>

#include "gui/info_progress_bar.h"
#include "tests/gui/test_application.h"

namespace lmx::gui {
namespace {

DialogTemplate settingsLike(KeyPolicy keys) {
    DialogTemplate dialog;
    dialog.id = 140;
    dialog.caption = "インターバル設定";
    dialog.width = 152;
    dialog.height = 49;
    dialog.keys = keys;
    dialog.controls = {
        {1077, ControlKind::Label, {5, 11, 72, 8}, "label", TextAlign::Right, false, std::nullopt},
        {1041, ControlKind::DropDownList, {82, 9, 62, 58}, "", TextAlign::Left, false, std::nullopt},
        {1038, ControlKind::PushButton, {25, 30, 50, 14}, "set", TextAlign::Left, false, 1},
        {1039, ControlKind::PushButton, {80, 30, 50, 14}, "cancel", TextAlign::Left, false, 2},
        {1098, ControlKind::CheckBox, {28, 22, 48, 10}, "box", TextAlign::Left, false, std::nullopt},
        {1001, ControlKind::ReadOnlyEdit, {2, 2, 40, 12}, "value", TextAlign::Left, false, std::nullopt},
        {1032, ControlKind::ProgressBar, {2, 16, 40, 8}, "", TextAlign::Left, false, std::nullopt},
    };
    return dialog;
}

class TemplateDialogTest : public ::testing::Test {
protected:
    void SetUp() override { testing::testApplication(); }
};

TEST(DialogUnitsTest, ConvertsLikeMapDialogRectWithRounding) {
    const DialogBaseUnits units{6, 13};
    // Left and top map on their own; width and height follow from the mapped far edges.
    EXPECT_EQ(toPixels(DialogRect{90, 53, 50, 14}, units), QRect(135, 86, 75, 23));
    EXPECT_EQ(toPixels(DialogRect{0, 0, 1, 1}, units), QRect(0, 0, 2, 2));  // 1.5 → 2, 1.625 → 2
    EXPECT_EQ(toPixels(234, 71, units), QSize(351, 115));
    EXPECT_EQ(mulDiv(3, 6, 4), 5);    // 4.5 rounds away from zero
    EXPECT_EQ(mulDiv(-3, 6, 4), -5);
    EXPECT_EQ(mulDiv(8, 96, 72), 11);  // 8 pt at 96 dpi
}

TEST_F(TemplateDialogTest, SizesDialogAndControlsFromTheDialogFont) {
    TemplateDialog dialog(settingsLike(KeyPolicy::settings()));
    const DialogBaseUnits units = dialog.units();
    EXPECT_GT(units.width, 0);
    EXPECT_GT(units.height, units.width);
    EXPECT_EQ(units.width, baseUnits(dialogFont(DialogFont{})).width);
    EXPECT_EQ(dialog.size(), toPixels(152, 49, units));
    EXPECT_EQ(dialog.control(1038)->geometry(), toPixels(DialogRect{25, 30, 50, 14}, units));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("インターバル設定"));
}

TEST_F(TemplateDialogTest, FindsControlsByIdWithTheirKinds) {
    TemplateDialog dialog(settingsLike(KeyPolicy::settings()));
    EXPECT_NE(dialog.controlAs<QLabel>(1077), nullptr);
    EXPECT_NE(dialog.controlAs<QComboBox>(1041), nullptr);
    EXPECT_NE(dialog.controlAs<QPushButton>(1038), nullptr);
    EXPECT_NE(dialog.controlAs<QCheckBox>(1098), nullptr);
    auto* edit = dialog.controlAs<QLineEdit>(1001);
    ASSERT_NE(edit, nullptr);
    EXPECT_TRUE(edit->isReadOnly());
    EXPECT_NE(dialog.controlAs<InfoProgressBar>(1032), nullptr);
    EXPECT_EQ(dialog.control(4242), nullptr);
    EXPECT_EQ(dialog.controlAs<QPushButton>(1077), nullptr);  // a label is no button
    EXPECT_EQ(dialog.controlAs<QLabel>(1077)->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);

    dialog.setControlText(1077, QStringLiteral("ステータス取得間隔"));
    dialog.setControlText(1001, QStringLiteral("abc"));
    dialog.setControlText(1038, QStringLiteral("設定(&S)"));
    dialog.setControlText(1032, QStringLiteral("50%"));
    EXPECT_EQ(dialog.controlText(1077), QStringLiteral("ステータス取得間隔"));
    EXPECT_EQ(dialog.controlText(1001), QStringLiteral("abc"));
    EXPECT_EQ(dialog.controlText(1038), QStringLiteral("設定(&S)"));
    EXPECT_EQ(dialog.controlText(1032), QStringLiteral("50%"));
}

// Shows `dialog` modelessly, applies `action`, and returns the result it ended with, if any.
template <typename Action>
std::optional<int> endedWith(TemplateDialog& dialog, Action action) {
    std::optional<int> result;
    QObject::connect(&dialog, &QDialog::finished, [&](int value) { result = value; });
    dialog.showModeless();
    action(dialog);
    return result;
}

void press(QWidget& target, int key) {
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(&target, &event);
}

TEST_F(TemplateDialogTest, StandardPolicyEndsWithOkOnEnterAndCancelOnEscOrClose) {
    TemplateDialog enter(settingsLike(KeyPolicy::standard()));
    EXPECT_EQ(endedWith(enter, [](auto& d) { press(d, Qt::Key_Return); }), 1);
    EXPECT_FALSE(enter.isVisible());
    TemplateDialog esc(settingsLike(KeyPolicy::standard()));
    EXPECT_EQ(endedWith(esc, [](auto& d) { press(d, Qt::Key_Escape); }), 2);
    TemplateDialog close(settingsLike(KeyPolicy::standard()));
    EXPECT_EQ(endedWith(close, [](auto& d) { d.close(); }), 2);
}

TEST_F(TemplateDialogTest, EnterSendsTheDefaultButtonsCommand) {
    DialogTemplate withDefault = settingsLike(KeyPolicy::standard());
    withDefault.controls[3].defaultButton = true;  // 1039, which ends with 2
    TemplateDialog cancelByEnter(withDefault);
    EXPECT_EQ(endedWith(cancelByEnter, [](auto& d) { press(d, Qt::Key_Enter); }), 2);

    TemplateDialog handled(withDefault);
    int commands = 0;
    handled.onCommand(1039, [&] { ++commands; });
    EXPECT_EQ(endedWith(handled, [](auto& d) { press(d, Qt::Key_Return); }), std::nullopt);
    EXPECT_EQ(commands, 1);

    // Without a marked default button Enter is IDOK, which a handler may take.
    TemplateDialog okHandled(settingsLike(KeyPolicy::standard()));
    okHandled.onCommand(1, [&] { commands += 10; });
    EXPECT_EQ(endedWith(okHandled, [](auto& d) { press(d, Qt::Key_Return); }), std::nullopt);
    EXPECT_EQ(commands, 11);
}

TEST_F(TemplateDialogTest, MessagesReachTheProcedureOfTheWindow) {
    TemplateDialog dialog(settingsLike(KeyPolicy::standard()));
    EXPECT_EQ(dialog.sendMessage(0x800A), 0);  // no procedure yet
    std::vector<std::uint32_t> seen;
    dialog.setWindowProcedure([&](std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) -> std::intptr_t {
        seen.push_back(message);
        return static_cast<std::intptr_t>(wParam) + lParam;
    });
    EXPECT_EQ(dialog.sendMessage(0x8029, 3, 4), 7);
    EXPECT_EQ(seen, std::vector<std::uint32_t>{0x8029});
}

TEST_F(TemplateDialogTest, SettingsPolicyIgnoresEnterAndEndsWithZeroOnEscOrClose) {
    TemplateDialog enter(settingsLike(KeyPolicy::settings()));
    EXPECT_EQ(endedWith(enter, [](auto& d) { press(d, Qt::Key_Return); }), std::nullopt);
    EXPECT_TRUE(enter.isVisible());
    TemplateDialog esc(settingsLike(KeyPolicy::settings()));
    EXPECT_EQ(endedWith(esc, [](auto& d) { press(d, Qt::Key_Escape); }), 0);
    TemplateDialog close(settingsLike(KeyPolicy::settings()));
    EXPECT_EQ(endedWith(close, [](auto& d) { d.close(); }), 0);
}

TEST_F(TemplateDialogTest, CloseBoxOnlyPolicySwallowsEscAndEnter) {
    TemplateDialog dialog(settingsLike(KeyPolicy::closeBoxOnly()));
    EXPECT_EQ(endedWith(dialog, [](auto& d) {
                  press(d, Qt::Key_Escape);
                  press(d, Qt::Key_Enter);
              }),
              std::nullopt);
    EXPECT_TRUE(dialog.isVisible());
    dialog.close();
    EXPECT_EQ(dialog.result(), 0);
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(TemplateDialogTest, ButtonsEndWithTheirResultUnlessAHandlerTakesTheCommand) {
    TemplateDialog set(settingsLike(KeyPolicy::settings()));
    EXPECT_EQ(endedWith(set, [](auto& d) { d.template controlAs<QPushButton>(1038)->click(); }), 1);
    TemplateDialog cancel(settingsLike(KeyPolicy::settings()));
    EXPECT_EQ(endedWith(cancel, [](auto& d) { d.template controlAs<QPushButton>(1039)->click(); }), 2);

    TemplateDialog handled(settingsLike(KeyPolicy::settings()));
    int commands = 0;
    handled.onCommand(1038, [&] { ++commands; });
    handled.onCommand(1098, [&] { commands += 10; });
    EXPECT_EQ(endedWith(handled,
                        [](auto& d) {
                            d.template controlAs<QPushButton>(1038)->click();
                            d.template controlAs<QCheckBox>(1098)->click();
                        }),
              std::nullopt);
    EXPECT_EQ(commands, 11);
}

TEST_F(TemplateDialogTest, DoModalReturnsTheEndDialogResult) {
    TemplateDialog dialog(settingsLike(KeyPolicy::settings()));
    // The key waits in the queue until the modal loop runs; the guard ends a loop that the key
    // failed to end, so the test fails instead of hanging.
    QApplication::postEvent(&dialog, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    QTimer::singleShot(20000, &dialog, [&] { dialog.endDialog(-99); });
    EXPECT_EQ(dialog.doModal(), 0);

    dialog.onCommand(1038, [&] { dialog.endDialog(7); });
    QTimer::singleShot(0, &dialog, [&] { dialog.controlAs<QPushButton>(1038)->click(); });
    EXPECT_EQ(dialog.doModal(), 7);
}

TEST_F(TemplateDialogTest, ModelessShowAndHide) {
    TemplateDialog dialog(settingsLike(KeyPolicy::standard()));
    dialog.showModeless();
    EXPECT_TRUE(dialog.isVisible());
    dialog.hideModeless();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_FALSE(dialog.isModal());
}

}  // namespace
}  // namespace lmx::gui
