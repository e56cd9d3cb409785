// traysignal: carries one signal from the monitoring service to the tray application. The
// service starts it in the user's session with the word "SVC_NOTIFY" or "SVC_STOP" as its whole
// command line; it finds the tray application's main window by title and sends it the
// matching message, waiting until the tray application has handled it, but no longer than a
// few seconds: a window that does not answer is given up, so that notifiers never pile up.

#include <cstdio>
#include <cstring>
#include <string>

#include "common/product_version.h"
#include "common/tray_messages.h"
#include "platform/command_line.h"
#include "platform/version_record.h"
#include "platform/window_directory.h"

LMX_DEFINE_VERSION_RECORD("LMX Duowatch Tray Signal", LMX_PRODUCT_VERSION, LMX_LEGAL_COPYRIGHT);

namespace {
// The tray application handles the message in moments: one exchange over the service pipe.
constexpr std::uint32_t kAnswerMilliseconds = 5000;
}  // namespace

int main(int argc, char** argv) {
    const platform::Utf8CommandLine utf8(argc, argv);
    const std::string title(lmx::tray::kMainWindowTitle);
    const auto window = platform::windows::findWindow(title);
    if (!window) {
        std::printf("%s not found.\n", title.c_str());
        return 0;
    }
    std::printf("Found %s.\n", title.c_str());
    std::fflush(stdout);
    // Argument 0 is the word the service passed; started by hand, it is the program's path,
    // which means the change signal.
    const char* word = (argc > 0 && argv[0]) ? argv[0] : "";
    const bool stopping = std::strncmp(word, "SVC_STOP", 8) == 0;
    const auto message = stopping ? lmx::tray::UWM_SVC_STOPPING : lmx::tray::UWM_SVC_NOTIFY;
    if (!platform::windows::sendMessageTimeout(*window, message, 0, 0, kAnswerMilliseconds)) {
        std::printf("%s did not answer.\n", title.c_str());
    }
    return 0;
}
