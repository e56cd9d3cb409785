// The tray application's frame and tray icon: the icon and its menu, the language the frame
// takes, and the frame driven by a real pipe server.

#include <gtest/gtest.h>

#include <thread>

#include "common/tray_messages.h"
#include "gui/message_box.h"
#include "platform/named_pipe.h"
#include "service/monitor/monitoring_threads.h"
#include "service/monitor/settings_store.h"
#include "gui/string_table.h"
#include "platform/system_info.h"
#include "tests/gui/test_application.h"
#include "tests/support/idle_service_workers.h"
#include "tests/support/temp_root.h"
#include "tray/gui/main_frame.h"
#include "tray/gui/sys_tray.h"

namespace lmx::tray {
namespace {

// A notification area that refuses the first `refusals` requests, counting all in `*calls` when given.
class CountingShell final : public TrayShell {
public:
    explicit CountingShell(int refusals, int* calls) : refusals_(refusals), calls_(calls) {}
    bool add(int, std::string_view) override { return answer(); }
    bool modify(int) override { return shown_ && answer(); }
    void remove() override { shown_ = false; }
    void setMenu(const std::vector<gui::MenuItem>&) override {}
    void enableMenuItem(int, bool) override {}

private:
    bool answer() {
        if (calls_) ++*calls_;
        if (refusals_-- > 0) return false;
        shown_ = true;
        return true;
    }
    int refusals_;
    int* calls_;
    bool shown_ = false;
};

// A frame without its worker thread, on a notification area that takes the icon at once.
MainFrame::Options quietFrameOptions() {
    MainFrame::Options options;
    options.shell = std::make_unique<CountingShell>(0, nullptr);
    options.startWorker = false;
    return options;
}

TEST(SysTray, RefusedIconIsAskedForAgainEveryFiveSeconds) {
    gui::testing::startGuiForTests();
    int calls = 0;
    std::vector<int> pauses;
    const auto sleep = [&](int milliseconds) { pauses.push_back(milliseconds); };
    SysTray late(std::make_unique<CountingShell>(3, &calls), [](int) {}, [] { return true; });
    EXPECT_EQ(0, late.createIcon(130, sleep));
    // The first add and two more after a pause each are refused; the third pause brings it.
    EXPECT_EQ(std::vector<int>(3, 5000), pauses);

    pauses.clear();
    SysTray never(std::make_unique<CountingShell>(1'000, &calls), [](int) {}, [] { return true; });
    EXPECT_NE(0, never.createIcon(130, sleep));
    EXPECT_EQ(60u, pauses.size());
}

TEST(SysTray, MenuFollowsTheServiceAndOpensOnlyWhenItRuns) {
    gui::testing::startGuiForTests();
    int calls = 0;
    bool running = false;
    std::vector<int> commands;
    SysTray tray(std::make_unique<CountingShell>(0, &calls), [&](int command) { commands.push_back(command); },
                 [&] { return running; });
    ASSERT_EQ(0, tray.createIcon(130, [](int) {}));
    const auto& items = tray.menuItems();
    ASSERT_EQ(6u, items.size());
    EXPECT_EQ(0, items[2].command);  // separators
    EXPECT_EQ(0, items[4].command);
    EXPECT_EQ(kCommandShowInformation, items[3].command);

    tray.notified(true);  // a double-click while the service is stopped
    EXPECT_TRUE(commands.empty());
    EXPECT_FALSE(tray.isMenuItemEnabled(kCommandShowInformation));
    tray.menuCommand(kCommandShowInformation);  // a grayed item sends nothing
    EXPECT_TRUE(commands.empty());
    running = true;
    tray.notified(true);
    EXPECT_TRUE(tray.isMenuItemEnabled(kCommandShowInformation));
    EXPECT_EQ(std::vector<int>{kCommandShowInformation}, commands);
    tray.menuCommand(items[5].command);
    EXPECT_EQ(kCommandExit, commands.back());
}

// The frame as created for a Language setting: its texts and its help file.
struct LanguageChoice {
    std::string helpFile;  // file name, empty for the bare folder
    std::string startItem;  // the tray menu's first item
};

LanguageChoice createdWithLanguage(std::optional<std::uint32_t> language) {
    lmx::testing::TempRoot root;
    gui::resetLanguageForTesting();
    if (language) dwsvc::writeSetting(dwsvc::kLanguage, *language);
    MainFrame frame(quietFrameOptions());
    EXPECT_TRUE(frame.create());
    LanguageChoice choice{frame.helpFile() == platform::programFolder() ? "" : frame.helpFile().filename().string(),
                          gui::loadString(197)};
    if (choice.helpFile.empty()) {
        EXPECT_FALSE(frame.openHelp());  // no file to open
    }
    gui::resetLanguageForTesting();
    return choice;
}

TEST(MainFrameLanguage, TextsAndHelpFileFollowTheLanguageSetting) {
    gui::testing::startGuiForTests();
    const LanguageChoice absent = createdWithLanguage(std::nullopt);
    EXPECT_EQ("LMXDuowatchHelp_jp.chm", absent.helpFile);
    EXPECT_EQ("監視を開始する", absent.startItem);

    const LanguageChoice english = createdWithLanguage(1);  // TXTRES_EN.so lies beside the tests
    EXPECT_EQ("LMXDuowatchHelp_en.chm", english.helpFile);
    EXPECT_NE(absent.startItem, english.startItem);

    const LanguageChoice unknown = createdWithLanguage(2);
    EXPECT_EQ("", unknown.helpFile);
    EXPECT_EQ(absent.startItem, unknown.startItem);
}

// The frame against a real pipe server holding two controllers, one of them abnormal.
class MainFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        gui::testing::startGuiForTests();
        for (int n = 0; n < 6; ++n) {
            lmx::ControllerStatusRecord record;
            lmx::clearRecord(record);
            record.physicalNumber = static_cast<std::uint8_t>(n);
            if (n == 1 || n == 4) {
                record.present = 1;
                record.ordinal = n == 1 ? 0 : 1;
                record.raidStatus = n == 4 ? 1 : 0;
                lmx::setField(record.raidModel, "ZDA-GX460");
                record.drive[0].status = 1;
                record.drive[1].status = n == 4 ? 0 : 1;
            }
            runtime.table.setRecord(n, record);
        }
        runtime.ready = true;
        server = platform::pipes::PipeServer::create(lmx::kServicePipeName, dwsvc::servicePipeOptions());
        ASSERT_TRUE(server);
        serving = std::thread([this] { dwsvc::servePipe(runtime, *server, actions); });
    }
    void TearDown() override {
        server->stop();
        serving.join();
    }

    lmx::testing::TempRoot root;
    lmx::testing::IdleServiceWorkers workers;
    dwsvc::ServiceRuntime runtime{workers};
    dwsvc::DriveActions actions;
    std::unique_ptr<platform::pipes::PipeServer> server;
    std::thread serving;
};

TEST_F(MainFrameTest, FirstLoadRaisesAlertsForAbnormalControllersAndStopClosesThem) {
    MainFrame frame(quietFrameOptions());
    ASSERT_TRUE(frame.create());
    EXPECT_EQ(130, frame.trayIcon());

    frame.window().sendMessage(tray::UWM_SVC_NOTIFY);  // before the first load: ignored
    EXPECT_FALSE(frame.core().dataInitialized());
    frame.window().sendMessage(tray::UWM_INIT_DATA);
    ASSERT_TRUE(frame.core().dataInitialized());
    EXPECT_FALSE(frame.popupOpen(1));  // normal: no alert at the first load
    EXPECT_TRUE(frame.popupOpen(4));

    // Another process reaches the frame by its title, as traysignal does.
    const auto found = platform::windows::findWindow(tray::kMainWindowTitle);
    ASSERT_TRUE(found.has_value());

    // Stopping monitoring with no service running: "already stopped", icon 130, alerts closed.
    gui::MessageBoxAnswers answers;
    frame.window().sendMessage(gui::kCommandMessage, kCommandStopMonitoring);
    ASSERT_EQ(1u, answers.asked().size());
    EXPECT_EQ(gui::loadString(307), answers.asked()[0].text);
    EXPECT_EQ("LMX Duowatch Service Control", answers.asked()[0].caption);
    EXPECT_FALSE(frame.popupOpen(4));
    EXPECT_EQ(130, frame.trayIcon());
}

// Records the messages a form of the information window receives from the frame.
void recordMessages(InformationForm& form, std::vector<std::uint32_t>& into) {
    form.window().setWindowProcedure([&into](std::uint32_t message, std::uintptr_t, std::intptr_t) -> std::intptr_t {
        into.push_back(message);
        return 0;
    });
}

TEST_F(MainFrameTest, LostControllerRaisesAnErrorAlertAndTheCurrentFormIsToldOfTheChange) {
    MainFrame frame(quietFrameOptions());
    ASSERT_TRUE(frame.create());
    std::vector<std::uint32_t> tabMessages, treeMessages;
    recordMessages(*frame.tabForm(), tabMessages);
    recordMessages(*frame.treeForm(), treeMessages);
    EXPECT_EQ("RAID情報", frame.tabForm()->window().caption());
    ASSERT_EQ(frame.tabForm(), frame.currentForm());  // DialogSetting 0: the tab form

    frame.window().sendMessage(tray::UWM_INIT_DATA);
    ASSERT_FALSE(frame.popupOpen(1));
    frame.window().sendMessage(tray::UWM_SVC_NOTIFY);  // nothing changed: the forms hear nothing
    EXPECT_TRUE(tabMessages.empty());

    lmx::ControllerStatusRecord gone;
    lmx::clearRecord(gone);
    gone.physicalNumber = 1;
    runtime.table.setRecord(1, gone);
    frame.window().sendMessage(tray::UWM_SVC_NOTIFY);
    EXPECT_TRUE(frame.popupOpen(1));
    EXPECT_EQ((std::vector<std::uint32_t>{tray::UWM_INFO_REFRESH, tray::UWM_STATUS_CHANGED}), tabMessages);
    EXPECT_TRUE(treeMessages.empty());
    frame.window().sendMessage(tray::UWM_POPUP_CLOSED, 1, 0);
    EXPECT_FALSE(frame.popupOpen(1));

    // A mirror-log request the service cannot answer with a page still tells the tab form.
    tabMessages.clear();
    frame.window().sendMessage(tray::UWM_GET_LOG_B, 2);
    EXPECT_EQ(std::vector<std::uint32_t>{tray::UWM_LOG_ARRIVED}, tabMessages);
    EXPECT_EQ(0, frame.core().logPages()[1].ok);
    EXPECT_TRUE(treeMessages.empty());
}

}  // namespace
}  // namespace lmx::tray
