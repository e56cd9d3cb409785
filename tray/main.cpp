// LMXDuowatch: the tray application. One instance per session: a second one hands over to the
// first (which shows its information window) and ends.

#include <cstdio>
#include <memory>

#include "common/product_version.h"
#include "common/tray_messages.h"
#include "gui/dialog_window.h"
#include "gui/frame_window.h"
#include "platform/named_mutex.h"
#include "platform/system_info.h"
#include "platform/version_record.h"
#include "platform/win_error.h"
#include "platform/window_directory.h"
#include "tray/gui/main_frame.h"

LMX_DEFINE_VERSION_RECORD("LMX Duowatch", LMX_PRODUCT_VERSION, LMX_LEGAL_COPYRIGHT);

namespace {

constexpr std::uint32_t kBroadcastTimeoutMilliseconds = 500;

// Another instance runs: ask its frame to show the information window, and find it among the
// session's windows by its answer to the registered message.
void handOverToRunningInstance() {
    if (const auto frame = platform::windows::findWindow(lmx::tray::kMainWindowTitle)) {
        platform::debugOutput("hwnd != NULL");
        platform::windows::postMessage(*frame, lmx::tray::UWM_SHOW_INFO, 0, 0);
    }
    const std::uint32_t message = platform::windows::registerWindowMessage(lmx::tray::kSingleInstanceMessageName);
    bool found = false;
    platform::windows::broadcastMessage(message, 0, 0, kBroadcastTimeoutMilliseconds,
                                        [&](const platform::windows::WindowRef&, std::intptr_t reply) {
                                            found = reply == static_cast<std::intptr_t>(message);
                                            return !found;  // stop at the first that answers
                                        });
    if (found) platform::debugOutput("hOther");
}

}  // namespace

int main(int, char** argv) {
    bool alreadyExists = false;
    const auto instance = platform::NamedMutex::create(lmx::tray::kSingleInstanceMutexName, alreadyExists);
    if (alreadyExists) {
        handOverToRunningInstance();
        return 0;
    }
    // Without its guard the program could run twice in the session; it says why and ends.
    if (!instance) {
        const auto error = platform::lastError();
        std::fprintf(stderr,
                     "LMXDuowatch: cannot make sure that only one copy runs in this session: its lock cannot be "
                     "taken (error %u; this user has no folder of their own for it: no runtime folder such as "
                     "/run/user/UID). Not started.\n",
                     static_cast<unsigned>(error));
        platform::debugOutput("single-instance guard unavailable");
        return 1;
    }
    const lmx::gui::GuiApplication application(argv[0]);
    lmx::tray::MainFrame frame({});
    if (!frame.create()) return 0;
    return lmx::gui::runMessageLoop();
}
