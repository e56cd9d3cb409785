// The RAID information window's two forms driven with records in the frame's kept table: what
// each shows, its keys, its menu states, and the tree's selection across rebuilds.

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QTabWidget>
#include <QTreeWidget>

#include "common/tray_messages.h"
#include "gui/info_progress_bar.h"
#include "gui/message_box.h"
#include "service/monitor/settings_store.h"
#include "tests/support/eventually.h"
#include "tests/tray/core/packets.h"
#include "tests/tray/gui/served_frame.h"

namespace lmx::tray {
namespace {

using testing::presentPacket;
using State = MenuItemState;

QString text(const gui::TemplateDialog& dialog, int id) { return dialog.controlText(id); }

void press(QWidget* widget, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent event(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(widget, &event);
}

// The colour in the middle of a box's right end, where its text does not reach.
QColor boxColour(QWidget* box) {
    const QImage image = box->grab().toImage();
    return image.pixelColor(image.width() - 5, image.height() / 2);
}

class InfoWindowTest : public testing::ServedFrameTest {
protected:
    // The tab form, shown: it reads the settings again and rebuilds.
    CZarkelInfoDlg& shownTabForm() {
        CZarkelInfoDlg& form = *load().tabForm();
        form.hide();
        form.show();
        return form;
    }
    CZarkelInfoNewDlg& shownTreeForm() {
        CZarkelInfoNewDlg& form = *load().treeForm();
        form.hide();
        form.show();
        return form;
    }
};

TEST_F(InfoWindowTest, SixControllersGiveSixTabsAndEachTabShowsItsOwnPage) {
    for (int slot = 0; slot < 6; ++slot) serve(slot, presentPacket(slot, kRaidNormal, "ZDA-GX460", static_cast<std::uint8_t>(slot)));
    CZarkelInfoDlg& form = shownTabForm();
    QTabWidget* tabs = form.tabControl();
    ASSERT_EQ(6, tabs->count());
    for (int index = 0; index < 6; ++index) EXPECT_EQ(QStringLiteral("RAID No.%1").arg(index + 1), tabs->tabText(index));
    EXPECT_EQ(0, tabs->currentIndex());
    EXPECT_TRUE(form.page(0)->isVisible());

    tabs->setCurrentIndex(3);  // the user picks RAID No.4
    EXPECT_EQ(3, frame().currentSlot());
    for (int slot = 0; slot < 6; ++slot) EXPECT_EQ(slot == 3, form.page(slot)->isVisible()) << slot;

    // A refresh keeps the selected tab; a show or hide starts again at slot 0 but keeps the tab.
    frame().tabForm()->sendMessage(UWM_INFO_REFRESH);
    EXPECT_EQ(3, tabs->currentIndex());
    EXPECT_TRUE(form.page(3)->isVisible());
    form.hide();
    EXPECT_EQ(3, tabs->currentIndex());
}

TEST_F(InfoWindowTest, TabsFollowRaidNumbersNotSlots) {
    serve(1, presentPacket(1, kRaidNormal, "ZDA-GX460", 1));
    serve(4, presentPacket(4, kRaidError, "ZDA-GX460", 0));
    CZarkelInfoDlg& form = shownTabForm();
    EXPECT_EQ(QStringLiteral("RAID No.2"), form.tabControl()->tabText(0));  // slot 1 first
    // Tab 0 shows the slot whose RAID number is 0.
    EXPECT_TRUE(form.page(4)->isVisible());
    EXPECT_FALSE(form.page(1)->isVisible());
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

    EXPECT_EQ(QStringLiteral("Lumavex ZDA-RS481"), text(page, page::kModel));
    EXPECT_EQ(QStringLiteral("SN0042"), text(page, page::kSerial));
    EXPECT_EQ(QStringLiteral("1.20"), text(page, page::kFirmware));
    EXPECT_EQ(QStringLiteral("正常 (エラースキップ発生)"), text(page, page::kStatus));
    EXPECT_EQ(QStringLiteral("1000.0 GB"), text(page, page::kCapacity));
    EXPECT_EQ(QStringLiteral("20240115"), text(page, page::kFpga));
    EXPECT_EQ(QStringLiteral("ドライブ 0"), text(page, page::kDriveGroup[0]));
    EXPECT_EQ(QStringLiteral("ドライブ 1"), text(page, page::kDriveGroup[1]));
    EXPECT_EQ(QStringLiteral("正常"), text(page, page::kDriveStatus[0]));
    EXPECT_EQ(QStringLiteral("Lumavex LHD-1000"), text(page, page::kDriveModel[0]));
    EXPECT_EQ(QStringLiteral("LHD01"), text(page, page::kDriveSerial[0]));
    EXPECT_EQ(QStringLiteral("LH10"), text(page, page::kDriveFirmware[0]));
    EXPECT_EQ(QStringLiteral("500.0 GB"), text(page, page::kDriveCapacity[0]));
    EXPECT_EQ(QStringLiteral("35 C (正常)"), text(page, page::kDriveTemperature[0]));
    EXPECT_EQ(QStringLiteral("検出不可（スペア）"), text(page, page::kDriveStatus[1]));
    EXPECT_EQ(QStringLiteral("0.0 GB"), text(page, page::kDriveCapacity[1]));
    EXPECT_EQ(QStringLiteral("-- C"), text(page, page::kDriveTemperature[1]));
    EXPECT_TRUE(page.control(page::kDriveTemperatureLabel[1])->isVisible());

    // Status 7 is undefined; a model outside the temperature class hides both rows.
    record.raidStatus = 7;
    setField(record.raidModel, "ZDA-JW100");
    serve(2, record);
    load();
    RaidInfoDlg& again = *frame().tabForm()->page(2);
    EXPECT_EQ(QStringLiteral("未定義"), text(again, page::kStatus));
    for (int drive = 0; drive < 2; ++drive) {
        EXPECT_FALSE(again.control(page::kDriveTemperature[drive])->isVisible());
        EXPECT_FALSE(again.control(page::kDriveTemperatureLabel[drive])->isVisible());
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
    EXPECT_EQ(QStringLiteral("60 C (異常)"), text(page, page::kDriveTemperature[0]));
    EXPECT_EQ(QStringLiteral("59 C (正常)"), text(page, page::kDriveTemperature[1]));
    EXPECT_EQ(QColor(255, 0, 0), boxColour(page.temperatureBox(0)));
    EXPECT_NE(QColor(255, 0, 0), boxColour(page.temperatureBox(1)));
    EXPECT_FALSE(form.tabControl()->tabIcon(0).isNull());
    EXPECT_TRUE(form.tabControl()->tabIcon(1).isNull());

    dwsvc::writeSetting(kTemperatureSetting, 0x3C00);  // off: the next show reads it
    form.hide();
    form.show();
    RaidInfoDlg& calm = *form.page(0);
    EXPECT_EQ(QStringLiteral("60 C (正常)"), text(calm, page::kDriveTemperature[0]));
    EXPECT_NE(QColor(255, 0, 0), boxColour(calm.temperatureBox(0)));
    EXPECT_TRUE(form.tabControl()->tabIcon(0).isNull());
}

TEST_F(InfoWindowTest, ProgressBarForRebuildsAndPatrols) {
    auto record = presentPacket(0, kRaidRebuilding);
    setProgress(record, 128);
    serve(0, record);
    CZarkelInfoDlg& form = shownTabForm();
    gui::InfoProgressBar* bar = form.page(0)->progressBar();
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(50, bar->value());
    EXPECT_EQ(QStringLiteral("リビルド中 50.0%"), bar->barText());
    EXPECT_EQ(QColor(255, 101, 0), bar->barColour());
    EXPECT_EQ(0, bar->gradientStep());

    record.raidStatus = kRaidNormal;
    record.patrolState = 1;
    setProgress(record, 32768);
    serve(0, record);
    load();
    bar = form.page(0)->progressBar();
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(50, bar->value());
    EXPECT_EQ(QStringLiteral("パトロール中 50.0%"), bar->barText());
    EXPECT_EQ(QColor(0, 128, 0), bar->barColour());

    record.raidStatus = kRaidError;  // abnormal: no bar, whatever the patrol state says
    serve(0, record);
    load();
    bar = form.page(0)->progressBar();
    EXPECT_FALSE(bar->isVisible());
    EXPECT_EQ(QString(), bar->barText());
}

TEST_F(InfoWindowTest, KeysOfTheTabForm) {
    serve(0, presentPacket(0, kRaidNormal, "ZDA-GX460", 0));
    serve(3, presentPacket(3, kRaidNormal, "ZDA-GX460", 1));
    CZarkelInfoDlg& form = shownTabForm();
    QTabWidget* tabs = form.tabControl();

    // Ctrl+Tab from inside a page goes to the next tab, and from the last back to the first.
    press(form.page(0)->control(page::kModel), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(1, tabs->currentIndex());
    EXPECT_TRUE(form.page(3)->isVisible());
    EXPECT_EQ(3, frame().currentSlot());
    press(&form, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(0, tabs->currentIndex());
    EXPECT_EQ(0, frame().currentSlot());

    // Esc and Enter leave the window open, in the container and in a page.
    for (QWidget* target : {static_cast<QWidget*>(&form), form.page(0)->control(page::kStatus)}) {
        press(target, Qt::Key_Escape);
        press(target, Qt::Key_Return);
        EXPECT_TRUE(form.isVisible());
    }

    // F5 asks the service for fresh data.
    runtime.notifyRequested = false;
    press(form.page(0), Qt::Key_F5);
    EXPECT_TRUE(lmx::testing::eventually([&] { return runtime.notifyRequested.load(); }));

    form.close();  // the close box hides it
    EXPECT_FALSE(form.isVisible());
}

TEST_F(InfoWindowTest, CtrlTabWithOneTabDoesNothing) {
    serve(2, presentPacket(2, kRaidNormal));
    CZarkelInfoDlg& form = shownTabForm();
    press(&form, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(0, form.tabControl()->currentIndex());
    EXPECT_TRUE(form.page(2)->isVisible());
}

// A tab form whose second page cannot be made.
class FailingTabForm final : public CZarkelInfoDlg {
public:
    using CZarkelInfoDlg::CZarkelInfoDlg;
    int pagesMade = 0;

protected:
    RaidInfoDlg* createPage() override { return ++pagesMade == 2 ? nullptr : CZarkelInfoDlg::createPage(); }
};

TEST_F(InfoWindowTest, APageThatCannotBeMadeIsReportedAndTheTabsBeforeItStay) {
    for (int slot : {0, 1, 2}) serve(slot, presentPacket(slot, kRaidNormal, "ZDA-GX460", static_cast<std::uint8_t>(slot)));
    load();
    FailingTabForm form(frame());
    gui::MessageBoxAnswers answers;
    form.sendMessage(UWM_INFO_REFRESH);
    ASSERT_EQ(1u, answers.asked().size());
    EXPECT_EQ("RaidInfoDlg Tab Control Error.", answers.asked()[0].text);
    EXPECT_EQ("Program Error", answers.asked()[0].caption);
    EXPECT_EQ(gui::MessageBoxIcon::Error, answers.asked()[0].icon);
    EXPECT_EQ(1, form.tabControl()->count());
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
    ASSERT_NE(nullptr, form.menuBar());
    EXPECT_EQ(4, form.menuBar()->actions().size());

    // No service process runs here: its items are grayed.
    for (int command : {commands::kRefresh, commands::kPopupSettings, commands::kIntervalSettings, commands::kPatrolSettings}) {
        EXPECT_EQ(State::Grayed, menu.state(command)) << command;
        EXPECT_FALSE(menu.action(command)->isEnabled());
    }
    // Only models outside both classes: temperature and display settings stay grayed.
    EXPECT_EQ(State::Grayed, menu.state(commands::kTemperatureSettings));
    EXPECT_EQ(State::Grayed, menu.state(commands::kDisplaySettings));
    // RAID No.1 is abnormal: no verify items.
    for (int command : {commands::kStartVerify, commands::kStopVerify, commands::kEndVerify}) {
        EXPECT_EQ(State::Grayed, menu.state(command)) << command;
    }
    EXPECT_EQ(State::Enabled, menu.state(commands::kStopBuzzer));

    form.tabControl()->setCurrentIndex(1);  // RAID No.2: patrolling, buzzer flag set
    EXPECT_EQ(State::Grayed, menu.state(commands::kStartVerify));
    EXPECT_EQ(State::Enabled, menu.state(commands::kStopVerify));
    EXPECT_EQ(State::Enabled, menu.state(commands::kEndVerify));
    EXPECT_TRUE(menu.action(commands::kStopVerify)->isEnabled());
    EXPECT_EQ(State::Grayed, menu.state(commands::kStopBuzzer));

    // A grayed item does nothing when chosen.
    runtime.notifyRequested = false;
    menu.choose(commands::kRefresh);
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
    EXPECT_EQ(0, form.tabControl()->count());
    for (int slot = 0; slot < 6; ++slot) EXPECT_EQ(nullptr, form.page(slot));
    for (int command : {commands::kStartVerify, commands::kStopVerify, commands::kEndVerify, commands::kStopBuzzer}) {
        EXPECT_EQ(State::Grayed, form.menu().state(command)) << command;
    }
}

// ---- the tree form

struct TreeText {
    QString label;
    int children = 0;
};

std::vector<TreeText> treeOf(QTreeWidget* tree) {
    std::vector<TreeText> roots;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        roots.push_back({tree->topLevelItem(i)->text(0), tree->topLevelItem(i)->childCount()});
    }
    return roots;
}

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
    QTreeWidget* tree = form.treeControl();
    const auto roots = treeOf(tree);
    ASSERT_EQ(3u, roots.size());
    EXPECT_EQ(QStringLiteral("RAID No.1"), roots[0].label);
    EXPECT_EQ(3, roots[0].children);
    EXPECT_EQ(3, roots[1].children);
    EXPECT_EQ(2, roots[2].children);
    EXPECT_EQ(QStringLiteral("ドライブ 2"), tree->topLevelItem(1)->child(2)->text(0));
    EXPECT_TRUE(tree->topLevelItem(2)->isExpanded());
    EXPECT_EQ(tree->topLevelItem(0), tree->currentItem());
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
    EXPECT_EQ(QStringLiteral("リビルド中"), text(form, tree::kStatus));
    EXPECT_EQ(QStringLiteral("Lumavex ZDA-RS481"), text(form, tree::kModel));
    EXPECT_EQ(QStringLiteral("SN0042"), text(form, tree::kSerial));
    EXPECT_EQ(QStringLiteral("1.20"), text(form, tree::kFirmware));
    EXPECT_EQ(QStringLiteral("ABCDEF01"), text(form, tree::kFpga));
    EXPECT_EQ(QStringLiteral("1000.0 GB"), text(form, tree::kCapacity));
    EXPECT_EQ(QStringLiteral("N/A"), text(form, tree::kTemperature));
    EXPECT_TRUE(form.progressBar()->isVisible());
    EXPECT_EQ(QStringLiteral("リビルド中 25.0%"), form.progressBar()->barText());

    QTreeWidget* tree = form.treeControl();
    tree->setCurrentItem(tree->topLevelItem(0)->child(1));
    EXPECT_EQ(QStringLiteral("リビルド中"), text(form, tree::kStatus));
    EXPECT_EQ(QStringLiteral("Lumavex LHD-2000"), text(form, tree::kModel));
    EXPECT_EQ(QStringLiteral("N/A"), text(form, tree::kFpga));
    EXPECT_EQ(QStringLiteral("500.0 GB"), text(form, tree::kCapacity));
    EXPECT_EQ(QStringLiteral("75 C"), text(form, tree::kTemperature));
    EXPECT_EQ(QStringLiteral("リビルド中 25.0%"), form.progressBar()->barText());  // the RAID's progress
    tree->setCurrentItem(tree->topLevelItem(0)->child(0));
    EXPECT_EQ(QStringLiteral("-- C"), text(form, tree::kTemperature));
    EXPECT_EQ(QStringLiteral("正常"), text(form, tree::kStatus));
}

TEST_F(InfoTreeTest, ARefreshPutsTheSelectionBackOnTheRaid) {
    serve(0, presentPacket(0, kRaidNormal, "ZDA-GX460", 0));
    serve(1, presentPacket(1, kRaidNormal, "ZDA-GX460", 1));
    CZarkelInfoNewDlg& form = shownTreeForm();
    QTreeWidget* tree = form.treeControl();
    tree->setCurrentItem(tree->topLevelItem(1)->child(1));  // drive 1 of RAID No.2
    EXPECT_EQ(QStringLiteral("N/A"), text(form, tree::kFpga));

    auto changed = presentPacket(1, kRaidRebuilding, "ZDA-GX460", 1);
    serve(1, changed);
    load();  // the change reaches the tree form, which rebuilds
    ASSERT_EQ(2, tree->topLevelItemCount());
    EXPECT_EQ(tree->topLevelItem(1), tree->currentItem());
    EXPECT_EQ(QStringLiteral("リビルド中"), text(form, tree::kStatus));
    EXPECT_EQ(QStringLiteral("N/A"), text(form, tree::kTemperature));  // the RAID's panel
    EXPECT_EQ(1, frame().currentSlot());
}

TEST_F(InfoTreeTest, WithoutControllersOrWithoutARaidNumberThePanelIsBlank) {
    serve(0, presentPacket(0, kRaidNormal, "ZDA-GX460", 0));
    CZarkelInfoNewDlg& form = shownTreeForm();
    EXPECT_FALSE(text(form, tree::kModel).isEmpty());

    // Two controllers both numbered 0 (as before the service's first poll): the second root
    // stands for no controller, and selecting it reads no record.
    serve(4, presentPacket(4, kRaidRebuilding, "ZDA-GX460", 0));
    load();
    QTreeWidget* tree = form.treeControl();
    ASSERT_EQ(2, tree->topLevelItemCount());
    tree->setCurrentItem(tree->topLevelItem(1));
    EXPECT_EQ(kNoSlotOnView, frame().currentSlot());
    for (int id : tree::kValues) EXPECT_EQ(QString(), text(form, id)) << id;
    EXPECT_FALSE(form.progressBar()->isVisible());
    EXPECT_EQ(State::Grayed, form.menu().state(commands::kStartVerify));
    EXPECT_EQ(State::Grayed, form.menu().state(commands::kStopBuzzer));

    serve(0, testing::absentPacket(0));
    serve(4, testing::absentPacket(4));
    load();
    EXPECT_EQ(0, tree->topLevelItemCount());
    EXPECT_EQ(nullptr, tree->currentItem());
    for (int id : tree::kValues) EXPECT_EQ(QString(), text(form, id)) << id;
}

TEST_F(InfoTreeTest, EnterAndEscHideTheTreeForm) {
    serve(0, presentPacket(0, kRaidNormal));
    CZarkelInfoNewDlg& form = shownTreeForm();
    press(form.treeControl(), Qt::Key_Return);
    EXPECT_FALSE(form.isVisible());
    form.show();
    press(form.treeControl(), Qt::Key_Escape);
    EXPECT_FALSE(form.isVisible());
}

}  // namespace
}  // namespace lmx::tray
