// The RAID information window against the real service: dwsvc installed and started by
// monswitch in the test's root, watching simulated controllers. Every menu command reaches the
// service (the controllers' command logs, the registry), the patrol schedule set in its dialog
// comes back with the next run time the service computed, and the mirror log saves from both
// forms.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <regex>

#include "common/pipe_request.h"
#include "common/tray_messages.h"
#include "gui/about_dialog.h"
#include "gui/file_dialog.h"
#include "gui/message_box.h"
#include "gui/modal_answer.h"
#include "platform/named_pipe.h"
#include "platform/system_info.h"
#include "service/monitor/settings_store.h"
#include "simulator/command_log.h"
#include "simulator/drive_store.h"
#include "tests/gui/test_application.h"
#include "tests/support/eventually.h"
#include "tests/support/temp_root.h"
#include "tests/tools/program_run.h"
#include "tests/tray/gui/served_frame.h"
#include "tray/core/setting_choices.h"
#include "tray/gui/dialog_setting_dialog.h"
#include "tray/gui/interval_setting_dialog.h"
#include "tray/gui/patrol_setting_dialog.h"
#include "tray/gui/popup_setting_dialog.h"
#include "tray/gui/temperature_setting_dialog.h"

namespace lmx::tray {
namespace {

namespace fs = std::filesystem;
using lmx::testing::eventually;
using State = MenuItemState;

std::vector<std::uint8_t> fileBytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The simulator's default mirror-log page: byte i is (page code + i) mod 256.
std::vector<std::uint8_t> defaultLogPage(std::uint8_t code) {
    std::vector<std::uint8_t> page(512);
    for (std::size_t i = 0; i < page.size(); ++i) page[i] = static_cast<std::uint8_t>(code + i);
    return page;
}

class LiveServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        gui::testing::startGuiForTests();
        fs::create_directories(programs);
        for (const char* file : {"dwsvc", "monswitch", "traysignal", "TXTRES_EN.so"}) {
            fs::copy_file(lmx::testing::programsFolder() / file, programs / file);
        }
        ASSERT_EQ(0, lmx::testing::runProgram(programs / "dwsvc", "dwsvc", {"install"}).exitCode);
        simulator::createController(drive(0), "Lumavex ZDAP-RS482");
        simulator::createController(drive(1), "Lumavex ZDA-RS481");
        ASSERT_EQ(0, startService());
        frame_ = std::make_unique<MainFrame>(testing::quietFrameOptions());
        ASSERT_TRUE(frame_->create());
        frame_->window().sendMessage(UWM_INIT_DATA);
        ASSERT_TRUE(frame_->core().dataInitialized());
        ASSERT_EQ(1, frame_->keptPackets()[0].present);
        ASSERT_EQ(1, frame_->keptPackets()[1].present);
    }

    void TearDown() override {
        frame_.reset();
        lmx::testing::runProgram(programs / "monswitch", "monswitch", {"stop", "LMXDuowatch"});
    }

    int startService() {
        const int started = lmx::testing::runProgram(programs / "monswitch", "monswitch", {"start", "LMXDuowatch"}).exitCode;
        // Ready, with both controllers polled.
        const bool polled = eventually([] {
            std::vector<std::uint8_t> reply(6 * kStatusRecordSize);
            const auto request = makePipeRequest(kRequestStatusTable);
            const auto received = platform::pipes::callNamedPipe(
                kServicePipeName, {reinterpret_cast<const std::uint8_t*>(&request), sizeof request}, reply, kPipeWaitMilliseconds);
            return received == reply.size() && reply[2] == 1 && reply[kStatusRecordSize + 2] == 1;
        });
        return polled ? started : -1;
    }

    fs::path drive(int n) const { return simulator::driveFilePath(root.path(), n); }

    int countActions(int n, const std::string& action) const {
        const auto log = simulator::readCommandLog(drive(n));
        return static_cast<int>(std::count_if(log.begin(), log.end(), [&](const auto& line) { return line.action == action; }));
    }

    // Notifications until the kept record of `slot` satisfies `condition` (the service polls
    // and publishes in its own time; the notifier cannot reach a frame inside a test).
    template <typename Condition>
    bool keptBecomes(int slot, Condition condition) {
        return eventually([&] {
            frame_->window().sendMessage(UWM_SVC_NOTIFY);
            return condition(frame_->keptPackets()[static_cast<std::size_t>(slot)]);
        });
    }

    MainFrame& frame() { return *frame_; }

    lmx::testing::TempRoot root;
    const fs::path programs = root.path() / "programs";
    std::unique_ptr<MainFrame> frame_;
};

TEST_F(LiveServiceTest, EveryControllerCommandOfTheMenuReachesTheController) {
    frame().showInfoDialog();
    CZarkelInfoDlg& form = *frame().tabForm();
    ASSERT_TRUE(form.window().isVisible());
    InformationMenu& menu = form.menu();
    ASSERT_EQ(0, frame().currentSlot());
    // The service runs: its items are enabled.
    for (int command : {commands::kRefresh, commands::kPopupSettings, commands::kIntervalSettings, commands::kPatrolSettings,
                        commands::kTemperatureSettings, commands::kDisplaySettings}) {
        EXPECT_EQ(State::Enabled, menu.state(command)) << command;
    }

    const int readsBefore = countActions(0, "page E5");
    form.window().chooseMenuItem(commands::kRefresh);
    EXPECT_TRUE(eventually([&] { return countActions(0, "page E5") > readsBefore; }));

    ASSERT_EQ(State::Enabled, menu.state(commands::kStartVerify));
    form.window().chooseMenuItem(commands::kStartVerify);
    EXPECT_TRUE(eventually([&] { return countActions(0, "start verify") == 1; }));
    ASSERT_TRUE(keptBecomes(0, [](const ControllerStatusRecord& record) { return record.patrolState == 1; }));
    ASSERT_EQ(State::Enabled, menu.state(commands::kStopVerify));
    form.window().chooseMenuItem(commands::kStopVerify);
    EXPECT_TRUE(eventually([&] { return countActions(0, "stop verify") == 1; }));
    ASSERT_TRUE(keptBecomes(0, [](const ControllerStatusRecord& record) { return record.patrolState == 2; }));
    ASSERT_EQ(State::Enabled, menu.state(commands::kEndVerify));
    form.window().chooseMenuItem(commands::kEndVerify);
    EXPECT_TRUE(eventually([&] { return countActions(0, "end verify") == 1; }));

    // The buzzer of the controller on view: RAID No.2 after Ctrl+Tab's way of changing tabs.
    form.selectNextTab();
    ASSERT_EQ(1, frame().currentSlot());
    form.window().chooseMenuItem(commands::kStopBuzzer);
    EXPECT_TRUE(eventually([&] { return countActions(1, "silence buzzer") == 1; }));
    EXPECT_EQ(0, countActions(0, "silence buzzer"));
    EXPECT_EQ(0, countActions(1, "start verify"));
}

TEST_F(LiveServiceTest, EverySettingOfTheMenuReachesTheServicesRegistry) {
    frame().showInfoDialog();
    const auto choose = [&](int command, std::function<void(gui::DialogWindow&)> work) {
        gui::ModalAnswer answer(work);
        frame().currentForm()->window().chooseMenuItem(command);
        EXPECT_TRUE(answer.answered()) << command;
    };

    choose(commands::kPopupSettings, [](gui::DialogWindow& dialog) {
        dialog.check(kPopupSettingShow[0], false);
        dialog.click(kPopupSettingAccept);
    });
    EXPECT_TRUE(eventually([] { return dwsvc::readSetting(kPopMsgSetting, 0) == 0x818101u; }));

    choose(commands::kIntervalSettings, [](gui::DialogWindow& dialog) {
        dialog.selectItem(kIntervalList, 7);
        dialog.click(kIntervalSet);
    });
    EXPECT_TRUE(eventually([] { return dwsvc::readSetting(kIntervalSetting, 0) == 0x80u; }));

    choose(commands::kTemperatureSettings, [](gui::DialogWindow& dialog) {
        dialog.check(kTemperatureBox, true);
        dialog.selectItem(kTemperatureList, 20);
        dialog.click(kTemperatureSet);
    });
    EXPECT_TRUE(eventually([] { return dwsvc::readSetting(kTemperatureSetting, 0) == 0x3201u; }));

    choose(commands::kDisplaySettings, [](gui::DialogWindow& dialog) {
        dialog.check(kDialogSettingBox, true);
        dialog.click(kDialogSettingSet);
    });
    EXPECT_TRUE(eventually([] { return dwsvc::readSetting(kDialogSetting, 0) == 1u; }));
    EXPECT_TRUE(frame().treeForm()->window().isVisible());
    EXPECT_FALSE(frame().tabForm()->window().isVisible());

    // The About box, from the tree form's menu this time.
    std::string title;
    choose(commands::kAbout, [&](gui::DialogWindow& dialog) {
        title = dialog.caption();
        dialog.click(gui::kAboutOkButton);
    });
    EXPECT_EQ("バージョン情報", title);
}

// Opens the verify schedule dialog from the menu and hands it to `work`; the next-time line
// as the dialog showed it.
std::string openPatrolDialog(InformationForm& form, const std::function<void(gui::DialogWindow&)>& work) {
    std::string nextTime;
    gui::ModalAnswer answer([&](gui::DialogWindow& dialog) {
        nextTime = dialog.text(kPatrolNextTime);
        work(dialog);
    });
    form.window().chooseMenuItem(commands::kPatrolSettings);
    EXPECT_TRUE(answer.answered());
    return nextTime;
}

TEST_F(LiveServiceTest, PatrolScheduleSetInTheDialogComesBackWithTheServicesNextRunTime) {
    frame().showInfoDialog();
    InformationForm& form = *frame().tabForm();
    const std::string before = openPatrolDialog(form, [](gui::DialogWindow& dialog) { dialog.close(); });
    EXPECT_EQ("次回の実行時間は設定されていません", before);

    // Monthly on the 20th at 04:45, enabled.
    openPatrolDialog(form, [](gui::DialogWindow& dialog) {
        dialog.click(kPatrolEnabled);
        dialog.chooseItem(kPatrolKind, kPatrolKindMonthly);
        dialog.selectItem(kPatrolDay, 19);
        dialog.selectItem(kPatrolHour, 4);
        dialog.selectItem(kPatrolMinute, 45);
        dialog.click(kPatrolSet);
    });
    EXPECT_EQ(0x2D041382u, frame().settings().patrol);
    ASSERT_TRUE(eventually([] { return dwsvc::readSetting(kPatrolSetting, 0) == 0x2D041382u; }));
    ASSERT_TRUE(eventually([] { return dwsvc::readSetting(kNextPatrolTimeLow, 0) != 0; }));
    const std::uint32_t high = dwsvc::readSetting(kNextPatrolTimeHigh, 0);
    const std::uint32_t low = dwsvc::readSetting(kNextPatrolTimeLow, 0);
    const platform::SystemTime next = platform::fileTimeToSystemTime(std::uint64_t{high} << 32 | low);
    EXPECT_EQ(20, next.day);
    EXPECT_EQ(4, next.hour);
    EXPECT_EQ(45, next.minute);

    std::optional<int> reopenedKind;
    const std::string after = openPatrolDialog(form, [&](gui::DialogWindow& dialog) {
        reopenedKind = dialog.selectedItem(kPatrolKind);
        dialog.close();
    });
    EXPECT_EQ(nextPatrolTimeText(high, low, frame().texts()), after);
    EXPECT_NE(std::string::npos, after.find("月20日")) << after;
    EXPECT_NE(std::string::npos, after.find("04時45分")) << after;
    EXPECT_EQ(kPatrolKindMonthly, reopenedKind);
}

class MirrorLogTest : public LiveServiceTest {
protected:
    // Saves through `form`'s command with the save dialog answering `path`; what the message
    // box said.
    gui::MessageBoxRequest save(InformationForm& form, const std::optional<std::string>& path) {
        gui::SaveFileAnswers files;
        files.answer(path);
        gui::MessageBoxAnswers messages;
        form.commands().saveMirrorLog();
        EXPECT_EQ(1u, files.asked().size());
        if (!files.asked().empty()) lastRequest = files.asked().front();
        return messages.asked().empty() ? gui::MessageBoxRequest{} : messages.asked().front();
    }

    void expectFile(const fs::path& path, int slot, bool secondPage) {
        const auto bytes = fileBytes(path);
        ASSERT_EQ(1664u, bytes.size());
        const auto record = toBytes(frame().keptPackets()[static_cast<std::size_t>(slot)]);
        EXPECT_TRUE(std::equal(record.begin(), record.end(), bytes.begin()));
        EXPECT_EQ(defaultLogPage(0xF4), std::vector<std::uint8_t>(bytes.begin() + 640, bytes.begin() + 1152));
        const auto last = std::vector<std::uint8_t>(bytes.begin() + 1152, bytes.end());
        EXPECT_EQ(secondPage ? defaultLogPage(0xF5) : std::vector<std::uint8_t>(512, 0), last);
    }

    gui::SaveFileRequest lastRequest;
};

TEST_F(MirrorLogTest, TabFormSavesTheRecordAndBothPages) {
    const fs::path path = root.path() / "drive0.bin";
    const auto said = save(*frame().tabForm(), path.string());
    EXPECT_EQ("ログを保存しました", said.text);
    EXPECT_EQ("LMXDuowatch", said.caption);
    EXPECT_EQ(gui::MessageBoxIcon::Information, said.icon);
    expectFile(path, 0, true);
    EXPECT_EQ(1, countActions(0, "page F4"));
    EXPECT_EQ(1, countActions(0, "page F5"));

    EXPECT_TRUE(std::regex_match(lastRequest.fileName, std::regex("\\d{8}_\\d{6}_mirrorlog"))) << lastRequest.fileName;
    EXPECT_EQ("txt", lastRequest.defaultExtension);
    EXPECT_EQ((std::vector<std::string>{"Mirror Log (*.bin)", "Mirror Log (*.txt)"}), lastRequest.filters);
    EXPECT_EQ(platform::programFolder(), lastRequest.initialFolder);
}

TEST_F(MirrorLogTest, AFailingSecondPageLeavesZerosAndAnExistingFileIsReplacedWhole) {
    const fs::path path = root.path() / "drive0.txt";
    std::ofstream(path) << std::string(5000, 'x');
    simulator::setFields(drive(0), {{"faults.failPages", "F5"}});
    const auto said = save(*frame().tabForm(), path.string());
    EXPECT_EQ("ログを保存しました", said.text);
    expectFile(path, 0, false);
}

TEST_F(MirrorLogTest, TreeFormSavesTheControllerSelected) {
    dwsvc::writeSetting(kDialogSetting, 1);
    frame().settings().dialog = 1;
    frame().showInfoDialog();
    CZarkelInfoNewDlg& tree = *frame().treeForm();
    ASSERT_TRUE(tree.window().isVisible());
    tree.window().selectTreeItem(tree::kTree, gui::TreePosition{1, 0});  // a drive of RAID No.2
    ASSERT_EQ(1, frame().currentSlot());
    const fs::path path = root.path() / "drive1.bin";
    EXPECT_EQ("ログを保存しました", save(tree, path.string()).text);
    expectFile(path, 1, true);
    EXPECT_EQ(0, countActions(0, "page F4"));
}

TEST_F(MirrorLogTest, NothingIsFetchedWhenTheDialogIsCancelledOrWrittenWhenThePageFails) {
    EXPECT_EQ("", save(*frame().tabForm(), std::nullopt).text);
    EXPECT_EQ(0, countActions(0, "page F4"));

    simulator::setFields(drive(0), {{"faults.failPages", "F4"}});
    const fs::path path = root.path() / "never.bin";
    const auto said = save(*frame().tabForm(), path.string());
    EXPECT_EQ("ログの取得に失敗しました", said.text);
    EXPECT_EQ(gui::MessageBoxIcon::Warning, said.icon);
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(0, countActions(0, "page F5"));  // page 1 is not asked for

    simulator::setFields(drive(0), {{"faults.failPages", ""}});
    const auto unwritable = save(*frame().tabForm(), (root.path() / "missing" / "log.bin").string());
    EXPECT_EQ("ログを保存できませんでした", unwritable.text);
    EXPECT_EQ(gui::MessageBoxIcon::Warning, unwritable.icon);
}

TEST_F(MirrorLogTest, WithTheServiceStoppedTheSaveEndsWithoutAFile) {
    ASSERT_EQ(0, lmx::testing::runProgram(programs / "monswitch", "monswitch", {"stop", "LMXDuowatch"}).exitCode);
    const fs::path path = root.path() / "stopped.bin";
    const auto said = save(*frame().tabForm(), path.string());
    EXPECT_EQ("ログの取得に失敗しました", said.text);
    EXPECT_EQ("LMXDuowatch", said.caption);
    EXPECT_FALSE(fs::exists(path));
}

}  // namespace
}  // namespace lmx::tray
