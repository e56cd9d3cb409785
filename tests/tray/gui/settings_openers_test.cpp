// The settings dialogs' openers in the RAID information window: what they read and what they
// send, with the dialogs answered from inside their modal loops.

#include <gtest/gtest.h>

#include "common/tray_messages.h"
#include "gui/modal_answer.h"
#include "service/monitor/settings_store.h"
#include "tests/support/eventually.h"
#include "tests/tray/core/packets.h"
#include "tests/tray/gui/served_frame.h"
#include "tray/gui/dialog_setting_dialog.h"
#include "tray/gui/interval_setting_dialog.h"
#include "tray/gui/temperature_setting_dialog.h"

namespace lmx::tray {
namespace {

using gui::ModalAnswer;

// ---- the openers in the information window

class SettingsOpenerTest : public testing::ServedFrameTest {};

TEST_F(SettingsOpenerTest, SetSendsTheSettingAndCancelEscAndCloseSendNothing) {
    serve(0, testing::presentPacket(0, kRaidNormal, "Lumavex ZDA-RS481"));
    MainFrame& frame = load();
    InformationWindowCommands& commands = frame.tabForm()->commands();

    {
        ModalAnswer cancel([](gui::DialogWindow& dialog) {
            dialog.selectItem(kIntervalList, 0);
            dialog.click(kIntervalCancel);
        });
        commands.openIntervalSetting();
        EXPECT_TRUE(cancel.answered());
    }
    {
        ModalAnswer escape([](gui::DialogWindow& dialog) { dialog.pressKey(gui::DialogKey::Escape); });
        commands.openTemperatureSetting();
        EXPECT_TRUE(escape.answered());
    }
    {
        ModalAnswer close([](gui::DialogWindow& dialog) { dialog.close(); });
        commands.openPatrolSetting();
        EXPECT_TRUE(close.answered());
    }
    EXPECT_EQ(16u, dwsvc::readSetting(kIntervalSetting, 16));
    EXPECT_EQ(16u, frame.settings().interval);

    {
        ModalAnswer set([](gui::DialogWindow& dialog) {
            dialog.selectItem(kIntervalList, 7);
            dialog.click(kIntervalSet);
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
    std::string shownThreshold;
    ModalAnswer look([&](gui::DialogWindow& dialog) {
        if (const auto index = dialog.selectedItem(kTemperatureList)) {
            shownThreshold = dialog.items(kTemperatureList).at(static_cast<std::size_t>(*index));
        }
        dialog.close();
    });
    frame.tabForm()->commands().openTemperatureSetting();
    EXPECT_EQ("65 C", shownThreshold);
    EXPECT_EQ(0x4101u, frame.settings().temperature);
}

TEST_F(SettingsOpenerTest, DisplaySettingSwitchesTheFormAtOnce) {
    serve(0, testing::presentPacket(0, kRaidNormal, "Lumavex ZDA-RS481"));
    MainFrame& frame = load();
    frame.showInfoDialog();
    ASSERT_TRUE(frame.tabForm()->window().isVisible());
    ModalAnswer tick([](gui::DialogWindow& dialog) {
        dialog.check(kDialogSettingBox, true);
        dialog.click(kDialogSettingSet);
    });
    frame.tabForm()->commands().openDialogSetting();
    EXPECT_TRUE(tick.answered());
    EXPECT_EQ(1u, frame.settings().dialog);
    EXPECT_TRUE(lmx::testing::eventually([] { return dwsvc::readSetting(kDialogSetting, 0) == 1u; }));
    EXPECT_FALSE(frame.tabForm()->window().isVisible());
    EXPECT_TRUE(frame.treeForm()->window().isVisible());
}

}  // namespace
}  // namespace lmx::tray
