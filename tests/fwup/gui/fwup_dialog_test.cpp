// The firmware tool's dialog over simulated drives, through the dialog layer (Qt's offscreen
// platform on Linux, the dialog manager under Wine): the list it opens with, the enable states
// through an update, the result messages, cancel and close during a download, Browse, the
// command line's direct start, and the keys that do nothing.

#include <gtest/gtest.h>

#include "fwup/gui/about_box.h"
#include "fwup/gui/fwup_templates.h"
#include "fwup/gui/fwup_tool_app.h"
#include "fwup/gui/fwup_tool_dialog.h"
#include "gui/file_open_dialog.h"
#include "gui/message_box.h"
#include "platform/system_info.h"
#include "tests/fwup/fwup_test_root.h"
#include "tests/gui/test_application.h"
#include "tests/support/eventually.h"

namespace fwup::gui {
namespace {

using lmx::gui::DialogKey;
using lmx::gui::MessageBoxIcon;

class FwupDialog : public fwup::testing::FwupTestRoot {
protected:
    void SetUp() override { lmx::gui::testing::startGuiForTests(); }

    // Enabled: list, Browse, Update, Cancel.
    static std::vector<bool> enabled(CZARKEL_fwupToolDlg& dialog) {
        auto& window = dialog.window();
        return {window.isEnabled(kDeviceList), window.isEnabled(kBrowseButton), window.isEnabled(kUpdateButton),
                window.isEnabled(kCancelButton)};
    }
    static std::vector<bool> idle() { return {true, true, true, false}; }
    static std::vector<bool> running() { return {false, false, false, true}; }

    // Serves the dialog's events until its update has ended and its result has been shown.
    static bool finishes(CZARKEL_fwupToolDlg& dialog) {
        return lmx::testing::eventually(
            [&] {
                lmx::gui::processPendingEvents();
                return !dialog.updateRunning();
            },
            std::chrono::seconds(60), std::chrono::milliseconds(2));
    }
    static bool serveUntil(const std::function<bool()>& condition) {
        return lmx::testing::eventually(
            [&] {
                lmx::gui::processPendingEvents();
                return condition();
            },
            std::chrono::seconds(20), std::chrono::milliseconds(2));
    }
    static void pressUpdate(CZARKEL_fwupToolDlg& dialog) { dialog.window().click(kUpdateButton); }
    static std::string progress(CZARKEL_fwupToolDlg& dialog) { return dialog.window().text(kProgressText); }
    std::vector<std::string> texts() const {
        std::vector<std::string> shown;
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
    auto& window = dialog.window();
    EXPECT_EQ(window.caption(), "LMX Duocard Firmware Update Tool");

    EXPECT_EQ(window.columnTitles(kDeviceList),
              (std::vector<std::string>{"Phy No", "Model", "Serial", "F/W", "FPGA", "B/L", "Capacity"}));
    ASSERT_EQ(window.rowCount(kDeviceList), 3);
    EXPECT_EQ(window.row(kDeviceList, 0), (std::vector<std::string>{"0", "WDC WD40EFRX-68N32N0", "DSK0000000000001",
                                                                     "1.0", "----", "--------", "0x00003A386030"}));
    EXPECT_EQ(window.row(kDeviceList, 1)[0], "2");
    EXPECT_EQ(window.row(kDeviceList, 2)[1], "ZDA-JW100");
    EXPECT_EQ(window.selectedRow(kDeviceList), 1);
    EXPECT_TRUE(window.columnsShowTextWhole(kDeviceList));

    EXPECT_EQ(window.text(kPathBox), "C:\\");
    EXPECT_EQ(window.textLimit(kPathBox), 260);
    EXPECT_TRUE(window.isReadOnly(kPathBox));
    EXPECT_EQ(enabled(dialog), idle());
    EXPECT_TRUE(progress(dialog).empty());
    EXPECT_TRUE(answers.asked().empty());
}

TEST_F(FwupDialog, AnUpdateRunsWithTheControlsLockedAndEndsWithItsMessageAndTheIdleState) {
    controller(1);
    CZARKEL_fwupToolDlg dialog;
    dialog.window().setText(kPathBox, image(1000).string());
    pressUpdate(dialog);
    EXPECT_EQ(enabled(dialog), running());
    ASSERT_TRUE(finishes(dialog));

    ASSERT_EQ(answers.asked().size(), 1u);
    EXPECT_EQ(answers.asked()[0].text, std::string("Update Success."));
    EXPECT_EQ(answers.asked()[0].caption, platform::systemInfo().programPath()->stem().string());  // the program's name
    EXPECT_EQ(answers.asked()[0].icon, MessageBoxIcon::Information);
    EXPECT_EQ(enabled(dialog), idle());
    EXPECT_TRUE(progress(dialog).empty());
    EXPECT_EQ(simulator::readFirmware(drive(1)).size(), 1024u);
}

TEST_F(FwupDialog, TheDefaultPathAndAMissingSelectionEndWithTheirMessages) {
    controller(0);
    CZARKEL_fwupToolDlg dialog;
    pressUpdate(dialog);  // "C:\" names no file
    ASSERT_TRUE(finishes(dialog));
    dialog.window().selectRow(kDeviceList, std::nullopt);
    pressUpdate(dialog);
    EXPECT_FALSE(dialog.updateRunning());
    EXPECT_EQ(texts(), (std::vector<std::string>{"Specified Invalid File.", "Please Select Device"}));
    EXPECT_EQ(answers.asked()[0].icon, MessageBoxIcon::Warning);
    EXPECT_EQ(enabled(dialog), idle());
    EXPECT_EQ(simulator::readCommandLog(drive(0)).size(), 1u);  // IDENTIFY only
}

TEST_F(FwupDialog, TheFirmwareGoesToTheSelectedRowsDriveNotToTheRowsNumber) {
    controller(0);
    controller(2);
    CZARKEL_fwupToolDlg dialog;
    dialog.window().selectRow(kDeviceList, 1);
    dialog.window().setText(kPathBox, image(512).string());
    pressUpdate(dialog);
    ASSERT_TRUE(finishes(dialog));
    EXPECT_EQ(simulator::readFirmware(drive(2)).size(), 512u);
    EXPECT_TRUE(simulator::readFirmware(drive(0)).empty());
}

TEST_F(FwupDialog, CancelStopsAfterTheBlockInFlightAndANewUpdateIsNotCancelledByAnOldRequest) {
    controller(0);
    CZARKEL_fwupToolDlg dialog;
    dialog.window().setText(kPathBox, image(8 * 512).string());
    faults(0, {{"faults.delayMs", "100"}, {"faults.rejectDirect", "50"}, {"faults.rejectSat", "50"}});

    // Cancel pressed while the first block is in flight, and that block fails: the run ends as a
    // failure without acting on the request.
    pressUpdate(dialog);
    dialog.window().click(kCancelButton);
    EXPECT_FALSE(dialog.window().isEnabled(kCancelButton));
    ASSERT_TRUE(finishes(dialog));
    EXPECT_EQ(texts(), (std::vector<std::string>{"Update Failure."}));

    // The next run goes through to its end.
    faults(0, {{"faults.delayMs", "0"}, {"faults.rejectDirect", "0"}, {"faults.rejectSat", "0"}});
    pressUpdate(dialog);
    ASSERT_TRUE(finishes(dialog));
    EXPECT_EQ(texts(), (std::vector<std::string>{"Update Failure.", "Update Success."}));
    EXPECT_EQ(simulator::readFirmware(drive(0)).size(), 8u * 512);

    // A cancel during a run that goes on: the block in flight completes, then it stops.
    simulator::clearFirmware(drive(0));
    faults(0, {{"faults.delayMs", "50"}});
    pressUpdate(dialog);
    ASSERT_TRUE(serveUntil([&] { return progress(dialog) == "2 / 8"; }));
    dialog.window().click(kCancelButton);
    ASSERT_TRUE(finishes(dialog));
    EXPECT_EQ(texts().back(), std::string("Update Canceled."));
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
    dialog.window().show();
    dialog.window().setText(kPathBox, image(20 * 512).string());
    pressUpdate(dialog);
    ASSERT_TRUE(serveUntil([&] { return progress(dialog) == "3 / 20"; }));

    EXPECT_FALSE(dialog.window().close());  // the dialog stays until the block in flight is done
    EXPECT_TRUE(dialog.window().isVisible());
    EXPECT_FALSE(dialog.window().isEnabled(kCancelButton));
    ASSERT_TRUE(finishes(dialog));
    EXPECT_EQ(texts(), (std::vector<std::string>{"Update Canceled."}));
    EXPECT_FALSE(dialog.window().isVisible());
    EXPECT_EQ(dialog.window().result(), 2);
    const auto blocks = commands(0, "92").size();
    EXPECT_EQ(simulator::readFirmware(drive(0)).size(), blocks * 512);
    EXPECT_LT(blocks, 20u);
}

TEST_F(FwupDialog, DestroyingTheDialogDuringADownloadStopsItAfterTheBlockInFlight) {
    controller(0);
    faults(0, {{"faults.delayMs", "30"}});
    {
        CZARKEL_fwupToolDlg dialog;
        dialog.window().setText(kPathBox, image(50 * 512).string());
        pressUpdate(dialog);
        ASSERT_TRUE(serveUntil([&] { return progress(dialog) == "2 / 50"; }));
    }
    const auto blocks = commands(0, "92").size();
    EXPECT_EQ(simulator::readFirmware(drive(0)).size(), blocks * 512);
    EXPECT_LT(blocks, 50u);
}

TEST_F(FwupDialog, EnterAndEscapeDoNothing) {
    controller(0);
    CZARKEL_fwupToolDlg dialog;
    dialog.window().show();
    for (const DialogKey key : {DialogKey::Enter, DialogKey::Escape}) {
        dialog.window().pressKey(key);
        EXPECT_TRUE(dialog.window().isVisible()) << static_cast<int>(key);
    }
    EXPECT_FALSE(dialog.updateRunning());
    EXPECT_TRUE(answers.asked().empty());
    EXPECT_TRUE(dialog.window().close());
}

TEST_F(FwupDialog, BrowseStartsInTheProgramsFolderAndReplacesThePathOnlyWhenAFileIsChosen) {
    CZARKEL_fwupToolDlg dialog;
    lmx::gui::FileOpenAnswers files;
    files.answer(std::string("/srv/firmware/zda.bin"));
    files.answer(std::nullopt);
    dialog.window().click(kBrowseButton);
    EXPECT_EQ(dialog.window().text(kPathBox), std::string("/srv/firmware/zda.bin"));
    dialog.window().click(kBrowseButton);
    EXPECT_EQ(dialog.window().text(kPathBox), std::string("/srv/firmware/zda.bin"));

    ASSERT_EQ(files.asked().size(), 2u);
    EXPECT_EQ(files.asked()[0].folder, platform::programFolder());
    EXPECT_EQ(lmx::gui::fileTypes(files.asked()[0].filter),
              (std::vector<std::pair<std::string, std::string>>{{"BIN形式(*.bin)", "*.bin"}, {"全て(*.*)", "*.*"}}));
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
              std::string("コマンドライン引数の入力が正しくありません.\n第一引数: F/W Direct Path"));

    CZARKEL_fwupToolDlg started(image(700).string());
    EXPECT_TRUE(started.updateRunning());
    EXPECT_EQ(enabled(started), running());
    ASSERT_TRUE(finishes(started));
    EXPECT_EQ(texts().back(), std::string("Update Success."));

    // Quotes are part of the path.
    CZARKEL_fwupToolDlg quoted("\"" + image(700).string() + "\"");
    ASSERT_TRUE(finishes(quoted));
    EXPECT_EQ(texts().back(), std::string("Specified Invalid File."));
    EXPECT_EQ(simulator::readFirmware(drive(0)).size(), 1024u);
}

TEST_F(FwupDialog, ADirectStartWithoutASupportedControllerAsksForADevice) {
    disk(0);
    CZARKEL_fwupToolDlg started(image(700).string());
    EXPECT_FALSE(started.updateRunning());
    EXPECT_EQ(texts(), (std::vector<std::string>{"Please Select Device"}));
    EXPECT_EQ(started.window().text(kPathBox), image(700).string());
}

TEST_F(FwupDialog, TheAboutBoxNamesTheToolAndItsVersion) {
    CAboutDlg about;
    EXPECT_EQ(about.window().caption(), "バージョン情報 LMXDuo_fwupTool");
    EXPECT_EQ(about.window().text(kAboutVersionText), "LMXDuo_fwupTool Version 1.5.1.1");
    EXPECT_TRUE(about.window().showsIcon(kAboutIcon));
}

}  // namespace
}  // namespace fwup::gui
