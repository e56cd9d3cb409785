// The tray application under Windows with the service: dwsvc.exe installed and started on a
// simulated controller, LMXDuowatch.exe started in the session. A rebuild on the controller
// reaches the tray through the service's notifier, the alert pops up, and its "show
// information" button opens the RAID information window, which shows the rebuild.

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "common/pipe_request.h"
#include "common/tray_messages.h"
#include "platform/named_pipe.h"
#include "platform/service_manager.h"
#include "platform/window_directory.h"
#include "platform/windows/wide_text.h"
#include "tests/support/eventually.h"
#include "tests/support/temp_root.h"
#include "tests/windows/support/installed_programs.h"

namespace {

namespace fs = std::filesystem;
using lmx::testing::eventually;
using lmx::testing::runInstalled;
using platform::win32::narrow;
using platform::win32::widen;

constexpr int kPopupText = 1033;
constexpr int kPageStatus = 1018;
constexpr int kCommandExit = 107;

// A control's text in another process: WM_GETTEXT itself (GetWindowText reads only the caption
// the system keeps, which an edit box's text is not).
std::string textOf(HWND window) {
    std::wstring text(1024, L'\0');
    text.resize(static_cast<std::size_t>(
        SendMessageW(window, WM_GETTEXT, static_cast<WPARAM>(text.size()), reinterpret_cast<LPARAM>(text.data()))));
    return narrow(text);
}

// A shown dialog window of the session with this caption.
HWND shownDialog(const std::string& caption) {
    HWND window = FindWindowW(L"#32770", widen(caption).c_str());
    return window && IsWindowVisible(window) ? window : nullptr;
}

// The shown control with this id anywhere inside the window (in its pages too).
HWND shownControl(HWND window, int id) {
    struct Search {
        int id;
        HWND found = nullptr;
    } search{id};
    EnumChildWindows(
        window,
        [](HWND child, LPARAM context) -> BOOL {
            auto* wanted = reinterpret_cast<Search*>(context);
            if (GetDlgCtrlID(child) != wanted->id || !IsWindowVisible(child)) return TRUE;
            wanted->found = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// LMXDuowatch.exe started as the desktop starts it, without waiting.
HANDLE startTray(const fs::path& programs) {
    std::wstring commandLine = L"\"" + (programs / "LMXDuowatch.exe").wstring() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, programs.wstring().c_str(),
                        &startup, &process)) {
        return nullptr;
    }
    CloseHandle(process.hThread);
    return process.hProcess;
}

void refresh() {
    const auto request = lmx::makePipeRequest(lmx::kRequestRefresh);
    std::vector<std::uint8_t> reply(lmx::kPipeMessageSize);
    platform::pipes::callNamedPipe(lmx::kServicePipeName, {reinterpret_cast<const std::uint8_t*>(&request), sizeof request},
                                   reply, lmx::kPipeWaitMilliseconds);
}

TEST(TrayEndToEnd, ARebuildRaisesTheAlertAndTheInformationWindowShowsIt) {
    lmx::testing::TempRoot root;
    const lmx::testing::ServiceRemover remover;
    const fs::path programs = root.path() / "programs";
    lmx::testing::copyPrograms(programs, {"dwsvc.exe", "TXTRES_EN.dll", "monswitch.exe", "lmxsim.exe", "traysignal.exe",
                                          "LMXDuowatch.exe"});
    ASSERT_EQ(0, runInstalled(programs, "lmxsim", "create 0 controller \"Lumavex ZDAP-RS482\"").exitCode);
    ASSERT_EQ(0, runInstalled(programs, "dwsvc", "install").exitCode);
    const auto started = runInstalled(programs, "monswitch", "start LMXDuowatch");
    ASSERT_EQ(0, started.exitCode) << started.output;
    ASSERT_TRUE(lmx::testing::serviceReaches(platform::kServiceRunning));

    const HANDLE tray = startTray(programs);
    ASSERT_NE(nullptr, tray) << GetLastError();
    std::optional<platform::windows::WindowRef> frame;
    ASSERT_TRUE(eventually([&] { return (frame = platform::windows::findWindow(lmx::tray::kMainWindowTitle)).has_value(); }));

    const auto rebuilding = runInstalled(programs, "lmxsim", "set 0 raid.status=2 raid.rebuildProgress=128 members.1.rebuilding=true");
    ASSERT_EQ(0, rebuilding.exitCode) << rebuilding.output;
    refresh();
    HWND alert = nullptr;
    EXPECT_TRUE(eventually([&] { return (alert = shownDialog("Duowatch")) != nullptr; }, std::chrono::seconds(30)));
    if (alert) {
        const std::string text = textOf(GetDlgItem(alert, kPopupText));
        EXPECT_NE(std::string::npos, text.find("RAID No.1")) << text;
        EXPECT_NE(std::string::npos, text.find("リビルド中")) << text;
        // "Show information", as a click sends it.
        PostMessageW(alert, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(alert, IDOK)));
        HWND information = nullptr;
        EXPECT_TRUE(eventually([&] { return (information = shownDialog("RAID情報")) != nullptr; }));
        HWND status = nullptr;
        EXPECT_TRUE(eventually([&] { return information && (status = shownControl(information, kPageStatus)) != nullptr; }));
        if (status) {
            EXPECT_EQ("リビルド中", textOf(status));
        }
    }

    platform::windows::postMessage(*frame, 0x0111 /* WM_COMMAND */, kCommandExit, 0);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(tray, 30'000));
    CloseHandle(tray);
    EXPECT_EQ(0, runInstalled(programs, "monswitch", "stop LMXDuowatch").exitCode);
    EXPECT_TRUE(lmx::testing::serviceReaches(platform::kServiceStopped));
    EXPECT_EQ(0, runInstalled(programs, "dwsvc", "delete").exitCode);
}

}  // namespace
