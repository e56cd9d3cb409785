// The settings dialogs' openers in the RAID information window: what they read and what they
// send, with the dialogs answered from inside their modal loops.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include "common/tray_messages.h"
#include "service/monitor/settings_store.h"
#include "tests/gui/test_application.h"
#include "tests/support/eventually.h"
#include "tests/tray/core/packets.h"
#include "tests/tray/gui/modal_answer.h"
#include "tests/tray/gui/served_frame.h"
#include "tray/gui/dialog_setting_dialog.h"
#include "tray/gui/interval_setting_dialog.h"
#include "tray/gui/qt_string_source.h"
#include "tray/gui/temperature_setting_dialog.h"

namespace lmx::tray {
namespace {

void press(QWidget* widget, int key) {
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// ---- the openers in the information window

class SettingsOpenerTest : public testing::ServedFrameTest {};

TEST_F(SettingsOpenerTest, SetSendsTheSettingAndCancelEscAndCloseSendNothing) {
    serve(0, testing::presentPacket(0, kRaidNormal, "Lumavex ZDA-RS481"));
    MainFrame& frame = load();
    InformationWindowCommands& commands = frame.tabForm()->commands();

    {
        testing::ModalAnswer cancel([](QDialog& dialog) {
            static_cast<gui::TemplateDialog&>(dialog).controlAs<QComboBox>(kIntervalList)->setCurrentIndex(0);
            static_cast<gui::TemplateDialog&>(dialog).controlAs<QPushButton>(kIntervalCancel)->click();
        });
        commands.openIntervalSetting();
        EXPECT_TRUE(cancel.answered());
    }
    {
        testing::ModalAnswer escape([](QDialog& dialog) { press(&dialog, Qt::Key_Escape); });
        commands.openTemperatureSetting();
        EXPECT_TRUE(escape.answered());
    }
    {
        testing::ModalAnswer close([](QDialog& dialog) { dialog.close(); });
        commands.openPatrolSetting();
        EXPECT_TRUE(close.answered());
    }
    EXPECT_EQ(16u, dwsvc::readSetting(kIntervalSetting, 16));
    EXPECT_EQ(16u, frame.settings().interval);

    {
        testing::ModalAnswer set([](QDialog& dialog) {
            static_cast<gui::TemplateDialog&>(dialog).controlAs<QComboBox>(kIntervalList)->setCurrentIndex(7);
            static_cast<gui::TemplateDialog&>(dialog).controlAs<QPushButton>(kIntervalSet)->click();
        });
        commands.openIntervalSetting();
        EXPECT_TRUE(set.answered());
    }
    EXPECT_EQ(0x80u, frame.settings().interval);
    // The served pipe writes what the frame sent.
    EXPECT_TRUE(lmx::testing::eventually([] { return dwsvc::readSetting(kIntervalSetting, 16) == 0x80u; }));
}

TEST_F(SettingsOpenerTest, EachOpeningStartsFromTheRegistry) {
    serve(0, testing::presentPacket(0, kRaidNormal, "Lumavex ZDA-RS481"));
    MainFrame& frame = load();
    frame.settings().temperature = 0x1234;  // a copy the registry does not hold
    dwsvc::writeSetting(kTemperatureSetting, 0x4101);
    QString shownThreshold;
    testing::ModalAnswer look([&](QDialog& dialog) {
        shownThreshold = static_cast<gui::TemplateDialog&>(dialog).controlAs<QComboBox>(kTemperatureList)->currentText();
        dialog.close();
    });
    frame.tabForm()->commands().openTemperatureSetting();
    EXPECT_EQ(QStringLiteral("65 C"), shownThreshold);
    EXPECT_EQ(0x4101u, frame.settings().temperature);
}

TEST_F(SettingsOpenerTest, DisplaySettingSwitchesTheFormAtOnce) {
    serve(0, testing::presentPacket(0, kRaidNormal, "Lumavex ZDA-RS481"));
    MainFrame& frame = load();
    frame.showInfoDialog();
    ASSERT_TRUE(frame.tabForm()->isVisible());
    testing::ModalAnswer tick([](QDialog& dialog) {
        auto& setting = static_cast<gui::TemplateDialog&>(dialog);
        setting.controlAs<QCheckBox>(kDialogSettingBox)->setChecked(true);
        setting.controlAs<QPushButton>(kDialogSettingSet)->click();
    });
    frame.tabForm()->commands().openDialogSetting();
    EXPECT_TRUE(tick.answered());
    EXPECT_EQ(1u, frame.settings().dialog);
    EXPECT_TRUE(lmx::testing::eventually([] { return dwsvc::readSetting(kDialogSetting, 0) == 1u; }));
    EXPECT_FALSE(frame.tabForm()->isVisible());
    EXPECT_TRUE(frame.treeForm()->isVisible());
}

}  // namespace
}  // namespace lmx::tray
