// The RAID information window's two forms driven with records in the frame's kept table: what
// each shows, its keys, its menu states, and the tree's selection across rebuilds.

#include <gtest/gtest.h>

#include "common/tray_messages.h"
#include "gui/message_box.h"
#include "service/monitor/settings_store.h"
#include "tests/support/eventually.h"
#include "tests/tray/core/packets.h"
#include "tests/tray/gui/served_frame.h"

namespace lmx::tray {
namespace {

using testing::presentPacket;
using State = MenuItemState;

std::string text(RaidInfoDlg& page, int id) { return page.window().text(id); }
std::string text(InformationForm& form, int id) { return form.window().text(id); }

class InfoWindowTest : public testing::ServedFrameTest {
protected:
    // The tab form, shown: it reads the settings again and rebuilds.
    CZarkelInfoDlg& shownTabForm() {
        CZarkelInfoDlg& form = *load().tabForm();
        form.window().hide();
        form.window().show();
        return form;
    }
    CZarkelInfoNewDlg& shownTreeForm() {
        CZarkelInfoNewDlg& form = *load().treeForm();
        form.window().hide();
        form.window().show();
        return form;
    }
};

TEST_F(InfoWindowTest, SixControllersGiveSixTabsAndEachTabShowsItsOwnPage) {
    for (int slot = 0; slot < 6; ++slot) serve(slot, presentPacket(slot, kRaidNormal, "ZDA-GX460", static_cast<std::uint8_t>(slot)));
    CZarkelInfoDlg& form = shownTabForm();
    gui::DialogWindow& window = form.window();
    const auto tabs = window.tabs(kTabControl);
    ASSERT_EQ(6u, tabs.size());
    for (int index = 0; index < 6; ++index) {
        EXPECT_EQ("RAID No." + std::to_string(index + 1), tabs[static_cast<std::size_t>(index)].text);
    }
    EXPECT_EQ(0, window.selectedTab(kTabControl));
    EXPECT_TRUE(form.page(0)->window().isVisible());

    window.chooseTab(kTabControl, 3);  // the user picks RAID No.4
    EXPECT_EQ(3, frame().currentSlot());
    for (int slot = 0; slot < 6; ++slot) EXPECT_EQ(slot == 3, form.page(slot)->window().isVisible()) << slot;

    // A refresh keeps the selected tab; a show or hide starts again at slot 0 but keeps the tab.
    window.sendMessage(UWM_INFO_REFRESH);
    EXPECT_EQ(3, window.selectedTab(kTabControl));
    EXPECT_TRUE(form.page(3)->window().isVisible());
    window.hide();
    EXPECT_EQ(3, window.selectedTab(kTabControl));
}

TEST_F(InfoWindowTest, TabsFollowRaidNumbersNotSlots) {
    serve(1, presentPacket(1, kRaidNormal, "ZDA-GX460", 1));
    serve(4, presentPacket(4, kRaidError, "ZDA-GX460", 0));
    CZarkelInfoDlg& form = shownTabForm();
    EXPECT_EQ("RAID No.2", form.window().tabs(kTabControl).at(0).text);  // slot 1 first
    // Tab 0 shows the slot whose RAID number is 0.
    EXPECT_TRUE(form.page(4)->window().isVisible());
    EXPECT_FALSE(form.page(1)->window().isVisible());
    EXPECT_EQ(4, frame().currentSlot());
    EXPECT_EQ(nullptr, form.page(0));
}

TEST_F(InfoWindowTest, PageShowsTheControllerAndTwoDrives) {
    auto record = presentPacket(2, kRaidNormal, "Lumavex ZDA-RS481");
    record.errorSkipped = 1;
    setRaidCapacity(record, 1'953'525'168);
    setFpgaVersion(record, 0x20240115);
    setField(record.drive[0].model, "  Lumavex LHD-1000   ");
    setField(record.drive[0].serial, "LHD01");
    setField(record.drive[0].firmware, "LH10");
    setDriveCapacity(record.drive[0], 976'773'168);
    record.drive[0].temperatureValid = 1;
    record.drive[0].temperature = 35;
    record.drive[1].status = 0;
    record.drive[1].statusExtra = kDriveSpareBit;
    record.drive[2].status = kDrivePresentBit;  // a third drive: the tab form shows two
    serve(2, record);
    RaidInfoDlg& page = *shownTabForm().page(2);

    EXPECT_EQ("Lumavex ZDA-RS481", text(page, page::kModel));
    EXPECT_EQ("SN0042", text(page, page::kSerial));
    EXPECT_EQ("1.20", text(page, page::kFirmware));
    EXPECT_EQ("正常 (エラースキップ発生)", text(page, page::kStatus));
    EXPECT_EQ("1000.0 GB", text(page, page::kCapacity));
    EXPECT_EQ("20240115", text(page, page::kFpga));
    EXPECT_EQ("ドライブ 0", text(page, page::kDriveGroup[0]));
    EXPECT_EQ("ドライブ 1", text(page, page::kDriveGroup[1]));
    EXPECT_EQ("正常", text(page, page::kDriveStatus[0]));
    EXPECT_EQ("Lumavex LHD-1000", text(page, page::kDriveModel[0]));
    EXPECT_EQ("LHD01", text(page, page::kDriveSerial[0]));
    EXPECT_EQ("LH10", text(page, page::kDriveFirmware[0]));
    EXPECT_EQ("500.0 GB", text(page, page::kDriveCapacity[0]));
    EXPECT_EQ("35 C (正常)", text(page, page::kDriveTemperature[0]));
    EXPECT_EQ("検出不可（スペア）", text(page, page::kDriveStatus[1]));
    EXPECT_EQ("0.0 GB", text(page, page::kDriveCapacity[1]));
    EXPECT_EQ("-- C", text(page, page::kDriveTemperature[1]));
    EXPECT_TRUE(page.window().isShown(page::kDriveTemperatureLabel[1]));

    // Status 7 is undefined; a model outside the temperature class hides both rows.
    record.raidStatus = 7;
    setField(record.raidModel, "ZDA-JW100");
    serve(2, record);
    load();
    RaidInfoDlg& again = *frame().tabForm()->page(2);
    EXPECT_EQ("未定義", text(again, page::kStatus));
    for (int drive = 0; drive < 2; ++drive) {
        EXPECT_FALSE(again.window().isShown(page::kDriveTemperature[drive]));
        EXPECT_FALSE(again.window().isShown(page::kDriveTemperatureLabel[drive]));
    }
}

TEST_F(InfoWindowTest, TemperatureAtTheThresholdIsRedAndMarksTheTabOnlyWhileTheAlarmIsOn) {
    auto record = presentPacket(0, kRaidNormal, "Lumavex ZDA-RS481");
    record.drive[0].temperatureValid = 1;
    record.drive[0].temperature = 60;
    record.drive[1].temperatureValid = 1;
    record.drive[1].temperature = 59;
    serve(0, record);
    serve(1, presentPacket(1, kRaidNormal, "Lumavex ZDA-RS481", 1));
    dwsvc::writeSetting(kTemperatureSetting, 0x3C01);  // on at 60 °C
    CZarkelInfoDlg& form = shownTabForm();
    RaidInfoDlg& page = *form.page(0);
    EXPECT_EQ("60 C (異常)", text(page, page::kDriveTemperature[0]));
    EXPECT_EQ("59 C (正常)", text(page, page::kDriveTemperature[1]));
    EXPECT_EQ(kAlarmRed, page.window().background(page::kDriveTemperature[0]));
    EXPECT_EQ(std::nullopt, page.window().background(page::kDriveTemperature[1]));
    EXPECT_EQ(kAlarmIcon, form.window().tabs(kTabControl).at(0).iconId);
    EXPECT_EQ(0, form.window().tabs(kTabControl).at(1).iconId);

    dwsvc::writeSetting(kTemperatureSetting, 0x3C00);  // off: the next show reads it
    form.window().hide();
    form.window().show();
    RaidInfoDlg& calm = *form.page(0);
    EXPECT_EQ("60 C (正常)", text(calm, page::kDriveTemperature[0]));
    EXPECT_EQ(std::nullopt, calm.window().background(page::kDriveTemperature[0]));
    EXPECT_EQ(0, form.window().tabs(kTabControl).at(0).iconId);
}

TEST_F(InfoWindowTest, ProgressBarForRebuildsAndPatrols) {
    auto record = presentPacket(0, kRaidRebuilding);
    setProgress(record, 128);
    serve(0, record);
    CZarkelInfoDlg& form = shownTabForm();
    const auto bar = [&] { return form.page(0)->window().progress(page::kProgress); };
    const auto barShown = [&] { return form.page(0)->window().isShown(page::kProgress); };
    EXPECT_TRUE(barShown());
    EXPECT_EQ((gui::ProgressView{50, 0xFF6500, "リビルド中 50.0%"}), bar());

    record.raidStatus = kRaidNormal;
    record.patrolState = 1;
    setProgress(record, 32768);
    serve(0, record);
    load();
    EXPECT_TRUE(barShown());
    EXPECT_EQ((gui::ProgressView{50, 0x008000, "パトロール中 50.0%"}), bar());

    record.raidStatus = kRaidError;  // abnormal: no bar, whatever the patrol state says
    serve(0, record);
    load();
    EXPECT_FALSE(barShown());
    EXPECT_EQ("", bar().text);
}

TEST_F(InfoWindowTest, KeysOfTheTabForm) {
    serve(0, presentPacket(0, kRaidNormal, "ZDA-GX460", 0));
    serve(3, presentPacket(3, kRaidNormal, "ZDA-GX460", 1));
    CZarkelInfoDlg& form = shownTabForm();
    gui::DialogWindow& window = form.window();

    // Ctrl+Tab from inside a page goes to the next tab, and from the last back to the first.
    form.page(0)->window().pressKey(gui::DialogKey::CtrlTab);
    EXPECT_EQ(1, window.selectedTab(kTabControl));
    EXPECT_TRUE(form.page(3)->window().isVisible());
    EXPECT_EQ(3, frame().currentSlot());
    window.pressKey(gui::DialogKey::CtrlTab);
    EXPECT_EQ(0, window.selectedTab(kTabControl));
    EXPECT_EQ(0, frame().currentSlot());

    // Esc and Enter leave the window open, in the container and in a page.
    for (gui::DialogWindow* target : {&window, &form.page(0)->window()}) {
        target->pressKey(gui::DialogKey::Escape);
        target->pressKey(gui::DialogKey::Enter);
        EXPECT_TRUE(window.isVisible());
    }

    // F5 asks the service for fresh data.
    runtime.notifyRequested = false;
    form.page(0)->window().pressKey(gui::DialogKey::F5);
    EXPECT_TRUE(lmx::testing::eventually([&] { return runtime.notifyRequested.load(); }));

    EXPECT_TRUE(window.close());  // the close box hides it
    EXPECT_FALSE(window.isVisible());
}

TEST_F(InfoWindowTest, CtrlTabWithOneTabDoesNothing) {
    serve(2, presentPacket(2, kRaidNormal));
    CZarkelInfoDlg& form = shownTabForm();
    form.window().pressKey(gui::DialogKey::CtrlTab);
    EXPECT_EQ(0, form.window().selectedTab(kTabControl));
    EXPECT_TRUE(form.page(2)->window().isVisible());
}

// A tab form whose second page cannot be made.
class FailingTabForm final : public CZarkelInfoDlg {
public:
    using CZarkelInfoDlg::CZarkelInfoDlg;
    int pagesMade = 0;

protected:
    std::unique_ptr<RaidInfoDlg> createPage() override {
        return ++pagesMade == 2 ? nullptr : CZarkelInfoDlg::createPage();
    }
};

TEST_F(InfoWindowTest, APageThatCannotBeMadeIsReportedAndTheTabsBeforeItStay) {
    for (int slot : {0, 1, 2}) serve(slot, presentPacket(slot, kRaidNormal, "ZDA-GX460", static_cast<std::uint8_t>(slot)));
    load();
    FailingTabForm form(frame());
    gui::MessageBoxAnswers answers;
    form.window().sendMessage(UWM_INFO_REFRESH);
    ASSERT_EQ(1u, answers.asked().size());
    EXPECT_EQ("RaidInfoDlg Tab Control Error.", answers.asked()[0].text);
    EXPECT_EQ("Program Error", answers.asked()[0].caption);
    EXPECT_EQ(gui::MessageBoxIcon::Error, answers.asked()[0].icon);
    EXPECT_EQ(1u, form.window().tabs(kTabControl).size());
    EXPECT_NE(nullptr, form.page(0));
    EXPECT_EQ(nullptr, form.page(1));
    EXPECT_EQ(nullptr, form.page(2));
}

TEST_F(InfoWindowTest, MenuFollowsTheControllerOnViewAndTheStoppedService) {
    auto abnormal = presentPacket(0, kRaidError, "ZDA-JW100", 0);
    abnormal.patrolState = 1;
    serve(0, abnormal);
    auto patrolling = presentPacket(1, kRaidNormal, "ZDA-JW100", 1);
    patrolling.patrolState = 1;
    patrolling.raidOptionFlags = 0x10;
    serve(1, patrolling);
    CZarkelInfoDlg& form = shownTabForm();
    InformationMenu& menu = form.menu();

    // No service process runs here: its items are grayed.
    for (int command : {commands::kRefresh, commands::kPopupSettings, commands::kIntervalSettings, commands::kPatrolSettings}) {
        EXPECT_EQ(State::Grayed, menu.state(command)) << command;
        EXPECT_FALSE(form.window().isMenuItemEnabled(command));
    }
    // Only models outside both classes: temperature and display settings stay grayed.
    EXPECT_EQ(State::Grayed, menu.state(commands::kTemperatureSettings));
    EXPECT_EQ(State::Grayed, menu.state(commands::kDisplaySettings));
    // RAID No.1 is abnormal: no verify items.
    for (int command : {commands::kStartVerify, commands::kStopVerify, commands::kEndVerify}) {
        EXPECT_EQ(State::Grayed, menu.state(command)) << command;
    }
    EXPECT_EQ(State::Enabled, menu.state(commands::kStopBuzzer));

    form.window().chooseTab(kTabControl, 1);  // RAID No.2: patrolling, buzzer flag set
    EXPECT_EQ(State::Grayed, menu.state(commands::kStartVerify));
    EXPECT_EQ(State::Enabled, menu.state(commands::kStopVerify));
    EXPECT_EQ(State::Enabled, menu.state(commands::kEndVerify));
    EXPECT_TRUE(form.window().isMenuItemEnabled(commands::kStopVerify));
    EXPECT_EQ(State::Grayed, menu.state(commands::kStopBuzzer));

    // A grayed item does nothing when chosen.
    runtime.notifyRequested = false;
    form.window().chooseMenuItem(commands::kRefresh);
    EXPECT_FALSE(runtime.notifyRequested.load());
}

TEST_F(InfoWindowTest, ModelClassItemsAreEnabledByThePresentControllers) {
    serve(0, presentPacket(0, kRaidNormal, "ZDA-GX460-TT3"));
    CZarkelInfoDlg& form = shownTabForm();
    EXPECT_EQ(State::Enabled, form.menu().state(commands::kTemperatureSettings));
    EXPECT_EQ(State::Grayed, form.menu().state(commands::kDisplaySettings));
    serve(1, presentPacket(1, kRaidNormal, "Lumavex ZDAP-RS481", 1));
    load();
    EXPECT_EQ(State::Enabled, form.menu().state(commands::kDisplaySettings));
}

TEST_F(InfoWindowTest, NoControllerNoTabsAndTheControllerItemsGrayed) {
    CZarkelInfoDlg& form = shownTabForm();
    EXPECT_TRUE(form.window().tabs(kTabControl).empty());
    for (int slot = 0; slot < 6; ++slot) EXPECT_EQ(nullptr, form.page(slot));
    for (int command : {commands::kStartVerify, commands::kStopVerify, commands::kEndVerify, commands::kStopBuzzer}) {
        EXPECT_EQ(State::Grayed, form.menu().state(command)) << command;
    }
}

// ---- the tree form

using Position = gui::TreePosition;

class InfoTreeTest : public InfoWindowTest {
protected:
    void SetUp() override {
        InfoWindowTest::SetUp();
        dwsvc::writeSetting(kDialogSetting, 1);
    }
};

TEST_F(InfoTreeTest, RootsPerRaidAndThreeDrivesForThreeDriveModels) {
    serve(0, presentPacket(0, kRaidNormal, "ZDA-JY100", 0));
    serve(2, presentPacket(2, kRaidNormal, "Lumavex ZDA-RS482", 1));
    serve(5, presentPacket(5, kRaidNormal, "Lumavex ZDA-RS481", 2));
    CZarkelInfoNewDlg& form = shownTreeForm();
    ASSERT_EQ(&form, frame().currentForm());
    const auto roots = form.window().tree(tree::kTree);
    ASSERT_EQ(3u, roots.size());
    EXPECT_EQ("RAID No.1", roots[0].text);
    EXPECT_EQ(3u, roots[0].children.size());
    EXPECT_EQ(3u, roots[1].children.size());
    EXPECT_EQ(2u, roots[2].children.size());
    EXPECT_EQ("ドライブ 2", roots[1].children[2]);
    EXPECT_EQ((Position{0, -1}), form.window().selectedTreeItem(tree::kTree));
}

TEST_F(InfoTreeTest, PanelShowsTheRaidOrTheDriveSelected) {
    auto record = presentPacket(3, kRaidRebuilding, "Lumavex ZDA-RS481", 0);
    setRaidCapacity(record, 1'953'525'168);
    setFpgaVersion(record, 0xABCDEF01);
    setProgress(record, 64);
    record.drive[1].status = kDrivePresentBit | kDriveRebuildingBit;
    setField(record.drive[1].model, "Lumavex LHD-2000");
    setDriveCapacity(record.drive[1], 976'773'168);
    record.drive[1].temperatureValid = 1;
    record.drive[1].temperature = 75;  // far above the threshold: no judgement here
    dwsvc::writeSetting(kTemperatureSetting, 0x3C01);
    serve(3, record);
    CZarkelInfoNewDlg& form = shownTreeForm();
    EXPECT_EQ(3, frame().currentSlot());
    EXPECT_EQ("リビルド中", text(form, tree::kStatus));
    EXPECT_EQ("Lumavex ZDA-RS481", text(form, tree::kModel));
    EXPECT_EQ("SN0042", text(form, tree::kSerial));
    EXPECT_EQ("1.20", text(form, tree::kFirmware));
    EXPECT_EQ("ABCDEF01", text(form, tree::kFpga));
    EXPECT_EQ("1000.0 GB", text(form, tree::kCapacity));
    EXPECT_EQ("N/A", text(form, tree::kTemperature));
    EXPECT_TRUE(form.window().isShown(tree::kProgress));
    EXPECT_EQ("リビルド中 25.0%", text(form, tree::kProgress));

    form.window().selectTreeItem(tree::kTree, Position{0, 1});
    EXPECT_EQ("リビルド中", text(form, tree::kStatus));
    EXPECT_EQ("Lumavex LHD-2000", text(form, tree::kModel));
    EXPECT_EQ("N/A", text(form, tree::kFpga));
    EXPECT_EQ("500.0 GB", text(form, tree::kCapacity));
    EXPECT_EQ("75 C", text(form, tree::kTemperature));
    EXPECT_EQ("リビルド中 25.0%", text(form, tree::kProgress));  // the RAID's progress
    form.window().selectTreeItem(tree::kTree, Position{0, 0});
    EXPECT_EQ("-- C", text(form, tree::kTemperature));
    EXPECT_EQ("正常", text(form, tree::kStatus));
}

TEST_F(InfoTreeTest, ARefreshPutsTheSelectionBackOnTheRaid) {
    serve(0, presentPacket(0, kRaidNormal, "ZDA-GX460", 0));
    serve(1, presentPacket(1, kRaidNormal, "ZDA-GX460", 1));
    CZarkelInfoNewDlg& form = shownTreeForm();
    form.window().selectTreeItem(tree::kTree, Position{1, 1});  // drive 1 of RAID No.2
    EXPECT_EQ("N/A", text(form, tree::kFpga));

    auto changed = presentPacket(1, kRaidRebuilding, "ZDA-GX460", 1);
    serve(1, changed);
    load();  // the change reaches the tree form, which rebuilds
    ASSERT_EQ(2u, form.window().tree(tree::kTree).size());
    EXPECT_EQ((Position{1, -1}), form.window().selectedTreeItem(tree::kTree));
    EXPECT_EQ("リビルド中", text(form, tree::kStatus));
    EXPECT_EQ("N/A", text(form, tree::kTemperature));  // the RAID's panel
    EXPECT_EQ(1, frame().currentSlot());
}

TEST_F(InfoTreeTest, WithoutControllersOrWithoutARaidNumberThePanelIsBlank) {
    serve(0, presentPacket(0, kRaidNormal, "ZDA-GX460", 0));
    CZarkelInfoNewDlg& form = shownTreeForm();
    EXPECT_FALSE(text(form, tree::kModel).empty());

    // Two controllers both numbered 0 (as before the service's first poll): the second root
    // stands for no controller, and selecting it reads no record.
    serve(4, presentPacket(4, kRaidRebuilding, "ZDA-GX460", 0));
    load();
    ASSERT_EQ(2u, form.window().tree(tree::kTree).size());
    form.window().selectTreeItem(tree::kTree, Position{1, -1});
    EXPECT_EQ(kNoSlotOnView, frame().currentSlot());
    for (int id : tree::kValues) EXPECT_EQ("", text(form, id)) << id;
    EXPECT_FALSE(form.window().isShown(tree::kProgress));
    EXPECT_EQ(State::Grayed, form.menu().state(commands::kStartVerify));
    EXPECT_EQ(State::Grayed, form.menu().state(commands::kStopBuzzer));

    serve(0, testing::absentPacket(0));
    serve(4, testing::absentPacket(4));
    load();
    EXPECT_TRUE(form.window().tree(tree::kTree).empty());
    EXPECT_EQ(std::nullopt, form.window().selectedTreeItem(tree::kTree));
    for (int id : tree::kValues) EXPECT_EQ("", text(form, id)) << id;
}

TEST_F(InfoTreeTest, EnterAndEscHideTheTreeForm) {
    serve(0, presentPacket(0, kRaidNormal));
    CZarkelInfoNewDlg& form = shownTreeForm();
    form.window().focus(tree::kTree);
    form.window().pressKey(gui::DialogKey::Enter);
    EXPECT_FALSE(form.window().isVisible());
    form.window().show();
    form.window().pressKey(gui::DialogKey::Escape);
    EXPECT_FALSE(form.window().isVisible());
}

}  // namespace
}  // namespace lmx::tray
