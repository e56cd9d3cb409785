// The firmware tool's dialog on Qt's offscreen platform, over simulated drives: the list it
// opens with, the enable states through an update, the result messages, cancel and close during
// a download, Browse, the command line's direct start, and the keys that do nothing.

#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "fwup/gui/about_box.h"
#include "fwup/gui/file_open.h"
#include "fwup/gui/fwup_templates.h"
#include "fwup/gui/fwup_tool_app.h"
#include "fwup/gui/fwup_tool_dialog.h"
#include "gui/message_box.h"
#include "platform/system_info.h"
#include "tests/fwup/fwup_test_root.h"
#include "tests/gui/test_application.h"
#include "tests/support/eventually.h"

// Texts in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace fwup::gui {
namespace {

using lmx::gui::MessageBoxIcon;

class FwupDialog : public fwup::testing::FwupTestRoot {
protected:
    void SetUp() override { lmx::gui::testing::testApplication(); }

    static QTreeWidget& list(CZARKEL_fwupToolDlg& dialog) { return *dialog.controlAs<QTreeWidget>(kDeviceList); }
    static std::vector<QString> row(CZARKEL_fwupToolDlg& dialog, int index) {
        std::vector<QString> cells;
        QTreeWidgetItem* item = list(dialog).topLevelItem(index);
        for (int i = 0; item && i < item->columnCount(); ++i) cells.push_back(item->text(i));
        return cells;
    }
    static std::optional<int> selectedRow(CZARKEL_fwupToolDlg& dialog) {
        const auto rows = list(dialog).selectionModel()->selectedRows();
        if (rows.isEmpty()) return std::nullopt;
        return rows.front().row();
    }
    // Enabled: list, Browse, Update, Cancel.
    static std::vector<bool> enabled(CZARKEL_fwupToolDlg& dialog) {
        return {dialog.control(kDeviceList)->isEnabled(), dialog.control(kBrowseButton)->isEnabled(),
                dialog.control(kUpdateButton)->isEnabled(), dialog.control(kCancelButton)->isEnabled()};
    }
    static std::vector<bool> idle() { return {true, true, true, false}; }
    static std::vector<bool> running() { return {false, false, false, true}; }

    // Serves the dialog's events until its update has ended and its result has been shown.
    static bool finishes(CZARKEL_fwupToolDlg& dialog) {
        return lmx::testing::eventually(
            [&] {
                QApplication::processEvents();
                return !dialog.updateRunning();
            },
            std::chrono::seconds(60), std::chrono::milliseconds(2));
    }
    static bool serveUntil(const std::function<bool()>& condition) {
        return lmx::testing::eventually(
            [&] {
                QApplication::processEvents();
                return condition();
            },
            std::chrono::seconds(20), std::chrono::milliseconds(2));
    }
    void pressUpdate(CZARKEL_fwupToolDlg& dialog) { dialog.controlAs<QPushButton>(kUpdateButton)->click(); }
    std::vector<QString> texts() const {
        std::vector<QString> shown;
        for (const auto& request : answers.asked()) shown.push_back(request.text);
        return shown;
    }

    lmx::gui::MessageBoxAnswers answers;
};

TEST_F(FwupDialog, OpensWithEveryDriveListedTheFirstControllerSelectedAndTheDefaultPath) {
    disk(0, "WDC WD40EFRX-68N32N0");
    controller(2, "Lumavex ZDAP-RS482");
    controller(4, "ZDA-JW100");
    CZARKEL_fwupToolDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("LMX Duocard Firmware Update Tool"));

    QTreeWidget& devices = list(dialog);
    ASSERT_EQ(devices.columnCount(), 7);
    const QStringList titles = {"Phy No", "Model", "Serial", "F/W", "FPGA", "B/L", "Capacity"};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(devices.headerItem()->text(i), titles[i]);
    ASSERT_EQ(devices.topLevelItemCount(), 3);
    EXPECT_EQ(row(dialog, 0), (std::vector<QString>{"0", "WDC WD40EFRX-68N32N0", "DSK0000000000001", "1.0", "----",
                                                     "--------", "0x00003A386030"}));
    EXPECT_EQ(row(dialog, 1)[0], "2");
    EXPECT_EQ(row(dialog, 2)[1], "ZDA-JW100");
    EXPECT_EQ(selectedRow(dialog), 1);
    // Every column shows its title and its widest cell whole.
    const QFontMetrics metrics(devices.font());
    for (int i = 0; i < 7; ++i) {
        EXPECT_GE(devices.columnWidth(i), metrics.horizontalAdvance(titles[i])) << i;
        EXPECT_GE(devices.columnWidth(i), metrics.horizontalAdvance(row(dialog, 0)[static_cast<std::size_t>(i)])) << i;
    }

    EXPECT_EQ(dialog.controlText(kPathBox), QStringLiteral("C:\\"));
    EXPECT_EQ(dialog.controlAs<QLineEdit>(kPathBox)->maxLength(), 260);
    EXPECT_TRUE(dialog.controlAs<QLineEdit>(kPathBox)->isReadOnly());
    EXPECT_EQ(enabled(dialog), idle());
    EXPECT_TRUE(dialog.controlText(kProgressText).isEmpty());
    EXPECT_TRUE(answers.asked().empty());
}

TEST_F(FwupDialog, AnUpdateRunsWithTheControlsLockedAndEndsWithItsMessageAndTheIdleState) {
    controller(1);
    CZARKEL_fwupToolDlg dialog;
    dialog.setControlText(kPathBox, QString::fromStdString(image(1000).string()));
    pressUpdate(dialog);
    EXPECT_EQ(enabled(dialog), running());
    ASSERT_TRUE(finishes(dialog));

    ASSERT_EQ(answers.asked().size(), 1u);
    EXPECT_EQ(answers.asked()[0].text, QStringLiteral("Update Success."));
    EXPECT_EQ(answers.asked()[0].caption, QStringLiteral("fwup_gui_tests"));  // the program's name
    EXPECT_EQ(answers.asked()[0].icon, MessageBoxIcon::Information);
    EXPECT_EQ(enabled(dialog), idle());
    EXPECT_TRUE(dialog.controlText(kProgressText).isEmpty());
    EXPECT_EQ(simulator::readFirmware(drive(1)).size(), 1024u);
}

TEST_F(FwupDialog, TheDefaultPathAndAMissingSelectionEndWithTheirMessages) {
    controller(0);
    CZARKEL_fwupToolDlg dialog;
    pressUpdate(dialog);  // "C:\" names no file
    ASSERT_TRUE(finishes(dialog));
    list(dialog).clearSelection();
    pressUpdate(dialog);
    EXPECT_FALSE(dialog.updateRunning());
    EXPECT_EQ(texts(), (std::vector<QString>{"Specified Invalid File.", "Please Select Device"}));
    EXPECT_EQ(answers.asked()[0].icon, MessageBoxIcon::Warning);
    EXPECT_EQ(enabled(dialog), idle());
    EXPECT_EQ(simulator::readCommandLog(drive(0)).size(), 1u);  // IDENTIFY only
}

TEST_F(FwupDialog, TheFirmwareGoesToTheSelectedRowsDriveNotToTheRowsNumber) {
    controller(0);
    controller(2);
    CZARKEL_fwupToolDlg dialog;
    list(dialog).selectionModel()->select(list(dialog).model()->index(1, 0),
                                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    dialog.setControlText(kPathBox, QString::fromStdString(image(512).string()));
    pressUpdate(dialog);
    ASSERT_TRUE(finishes(dialog));
    EXPECT_EQ(simulator::readFirmware(drive(2)).size(), 512u);
    EXPECT_TRUE(simulator::readFirmware(drive(0)).empty());
}

TEST_F(FwupDialog, CancelStopsAfterTheBlockInFlightAndANewUpdateIsNotCancelledByAnOldRequest) {
    controller(0);
    CZARKEL_fwupToolDlg dialog;
    dialog.setControlText(kPathBox, QString::fromStdString(image(8 * 512).string()));
    faults(0, {{"faults.delayMs", "100"}, {"faults.rejectDirect", "50"}, {"faults.rejectSat", "50"}});

    // Cancel pressed while the first block is in flight, and that block fails: the run ends as a
    // failure without acting on the request.
    pressUpdate(dialog);
    dialog.controlAs<QPushButton>(kCancelButton)->click();
    EXPECT_FALSE(dialog.control(kCancelButton)->isEnabled());
    ASSERT_TRUE(finishes(dialog));
    EXPECT_EQ(texts(), (std::vector<QString>{"Update Failure."}));

    // The next run goes through to its end.
    faults(0, {{"faults.delayMs", "0"}, {"faults.rejectDirect", "0"}, {"faults.rejectSat", "0"}});
    pressUpdate(dialog);
    ASSERT_TRUE(finishes(dialog));
    EXPECT_EQ(texts(), (std::vector<QString>{"Update Failure.", "Update Success."}));
    EXPECT_EQ(simulator::readFirmware(drive(0)).size(), 8u * 512);

    // A cancel during a run that goes on: the block in flight completes, then it stops.
    simulator::clearFirmware(drive(0));
    faults(0, {{"faults.delayMs", "50"}});
    pressUpdate(dialog);
    ASSERT_TRUE(serveUntil([&] { return dialog.controlText(kProgressText) == "2 / 8"; }));
    dialog.controlAs<QPushButton>(kCancelButton)->click();
    ASSERT_TRUE(finishes(dialog));
    EXPECT_EQ(texts().back(), QStringLiteral("Update Canceled."));
    EXPECT_EQ(answers.asked().back().icon, MessageBoxIcon::Information);
    const auto received = simulator::readFirmware(drive(0)).size();
    EXPECT_GE(received, 2u * 512);
    EXPECT_LT(received, 8u * 512);
    EXPECT_EQ(received % 512, 0u);
}

TEST_F(FwupDialog, ClosingDuringADownloadWaitsForTheBlockInFlightAndEndsAsACancel) {
    controller(0);
    faults(0, {{"faults.delayMs", "50"}});
    CZARKEL_fwupToolDlg dialog;
    dialog.show();
    dialog.setControlText(kPathBox, QString::fromStdString(image(20 * 512).string()));
    pressUpdate(dialog);
    ASSERT_TRUE(serveUntil([&] { return dialog.controlText(kProgressText) == "3 / 20"; }));

    EXPECT_FALSE(dialog.close());  // the dialog stays until the block in flight is done
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(dialog.control(kCancelButton)->isEnabled());
    ASSERT_TRUE(finishes(dialog));
    EXPECT_EQ(texts(), (std::vector<QString>{"Update Canceled."}));
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), 2);
    const auto blocks = commands(0, "92").size();
    EXPECT_EQ(simulator::readFirmware(drive(0)).size(), blocks * 512);
    EXPECT_LT(blocks, 20u);
}

TEST_F(FwupDialog, DestroyingTheDialogDuringADownloadStopsItAfterTheBlockInFlight) {
    controller(0);
    faults(0, {{"faults.delayMs", "30"}});
    {
        CZARKEL_fwupToolDlg dialog;
        dialog.setControlText(kPathBox, QString::fromStdString(image(50 * 512).string()));
        pressUpdate(dialog);
        ASSERT_TRUE(serveUntil([&] { return dialog.controlText(kProgressText) == "2 / 50"; }));
    }
    const auto blocks = commands(0, "92").size();
    EXPECT_EQ(simulator::readFirmware(drive(0)).size(), blocks * 512);
    EXPECT_LT(blocks, 50u);
}

TEST_F(FwupDialog, EnterAndEscapeDoNothing) {
    controller(0);
    CZARKEL_fwupToolDlg dialog;
    dialog.show();
    for (const int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(&dialog, &press);
        EXPECT_TRUE(dialog.isVisible()) << key;
    }
    EXPECT_FALSE(dialog.updateRunning());
    EXPECT_TRUE(answers.asked().empty());
    EXPECT_TRUE(dialog.close());
}

TEST_F(FwupDialog, BrowseStartsInTheProgramsFolderAndReplacesThePathOnlyWhenAFileIsChosen) {
    CZARKEL_fwupToolDlg dialog;
    FileOpenAnswers files;
    files.answer(QStringLiteral("/srv/firmware/zda.bin"));
    files.answer(std::nullopt);
    dialog.controlAs<QPushButton>(kBrowseButton)->click();
    EXPECT_EQ(dialog.controlText(kPathBox), QStringLiteral("/srv/firmware/zda.bin"));
    dialog.controlAs<QPushButton>(kBrowseButton)->click();
    EXPECT_EQ(dialog.controlText(kPathBox), QStringLiteral("/srv/firmware/zda.bin"));

    ASSERT_EQ(files.asked().size(), 2u);
    EXPECT_EQ(files.asked()[0].folder, QString::fromStdString(platform::programFolder()));
    EXPECT_EQ(files.asked()[0].filter, QStringLiteral("BIN形式(*.bin);;全て(*.*)"));
    EXPECT_EQ(qtFileFilter(QStringLiteral("Images|*.bin;*.img||")), QStringLiteral("Images (*.bin *.img)"));
}

TEST_F(FwupDialog, TheCommandLinesPathStartsTheUpdateAtOnceAndATooLongOneIsRefused) {
    controller(0);
    EXPECT_EQ(directPathFromCommandLine(std::nullopt), std::nullopt);
    EXPECT_EQ(directPathFromCommandLine(std::string()), std::nullopt);
    const std::string longest(260, 'x');
    EXPECT_EQ(directPathFromCommandLine(longest), longest);
    const std::string japanese = std::string(253, 'x') + "ファームウェア";  // 260 characters, 274 bytes
    EXPECT_EQ(directPathFromCommandLine(japanese), japanese);
    EXPECT_TRUE(answers.asked().empty());
    EXPECT_EQ(directPathFromCommandLine(longest + "x"), std::nullopt);
    ASSERT_EQ(answers.asked().size(), 1u);
    EXPECT_EQ(answers.asked()[0].text,
              QStringLiteral("コマンドライン引数の入力が正しくありません.\n第一引数: F/W Direct Path"));

    CZARKEL_fwupToolDlg started(image(700).string());
    EXPECT_TRUE(started.updateRunning());
    EXPECT_EQ(enabled(started), running());
    ASSERT_TRUE(finishes(started));
    EXPECT_EQ(texts().back(), QStringLiteral("Update Success."));

    // Quotes are part of the path.
    CZARKEL_fwupToolDlg quoted("\"" + image(700).string() + "\"");
    ASSERT_TRUE(finishes(quoted));
    EXPECT_EQ(texts().back(), QStringLiteral("Specified Invalid File."));
    EXPECT_EQ(simulator::readFirmware(drive(0)).size(), 1024u);
}

TEST_F(FwupDialog, ADirectStartWithoutASupportedControllerAsksForADevice) {
    disk(0);
    CZARKEL_fwupToolDlg started(image(700).string());
    EXPECT_FALSE(started.updateRunning());
    EXPECT_EQ(texts(), (std::vector<QString>{"Please Select Device"}));
    EXPECT_EQ(started.controlText(kPathBox), QString::fromStdString(image(700).string()));
}

TEST_F(FwupDialog, TheAboutBoxNamesTheToolAndItsVersion) {
    CAboutDlg about;
    EXPECT_EQ(about.windowTitle(), QStringLiteral("バージョン情報 LMXDuo_fwupTool"));
    EXPECT_EQ(about.controlText(kAboutVersionText), QStringLiteral("LMXDuo_fwupTool Version 1.5.1.1"));
    ASSERT_NE(about.controlAs<QLabel>(kAboutIcon), nullptr);
    EXPECT_FALSE(about.controlAs<QLabel>(kAboutIcon)->pixmap().isNull());
    EXPECT_FALSE(toolIcon().isNull());
}

}  // namespace
}  // namespace fwup::gui
