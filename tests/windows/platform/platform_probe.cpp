// The other process of the Windows platform tests:
//   platform_probe service          a service run by the service control manager: it records
//                                   each control it handles in controls.txt in its root
//   platform_probe sleep            waits half a minute (to be listed and ended)
//   platform_probe window <title>   a window that answers kProbeAdd with wParam + 1 and ends
//                                   the program on kProbeQuit
//   <word> (its whole command line) writes the word to word.txt in LMXDUOWATCH_ROOT: a program
//                                   started in a session

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <thread>

#include "platform/service_dispatcher.h"
#include "platform/system_root.h"
#include "platform/window_directory.h"
#include "tests/windows/platform/platform_probe.h"

namespace {

using namespace std::chrono_literals;

int runService() {
    std::atomic<bool> stopping{false};
    const bool ran = platform::startServiceCtrlDispatcher(lmx::probe::kServiceName, [&] {
        // The root the service was started under is known from here on.
        const std::string root = platform::systemRoot().string();
        std::optional<platform::ServiceStatusHandle> handle;
        handle = platform::registerServiceCtrlHandler(lmx::probe::kServiceName, [&](std::uint32_t control) {
            std::ofstream(root + "\\controls.txt", std::ios::app) << control << "\n";
            if (control == platform::kServiceControlStop) {
                platform::ServiceStatus status;
                status.currentState = platform::kServiceStopPending;
                status.waitHint = 5000;
                platform::setServiceStatus(*handle, status);
                stopping = true;
            }
        });
        if (!handle) return;
        platform::ServiceStatus status;
        status.currentState = platform::kServiceRunning;
        status.controlsAccepted = platform::kServiceAcceptStop;
        platform::setServiceStatus(*handle, status);
        while (!stopping) std::this_thread::sleep_for(10ms);
        status.currentState = platform::kServiceStopped;
        status.controlsAccepted = 0;
        platform::setServiceStatus(*handle, status);
    });
    return ran ? 0 : 1;
}

int runWindow(const std::string& title) {
    std::atomic<bool> quit{false};
    const auto window = platform::windows::WindowThread::start(title, [&](std::uint32_t message, std::uintptr_t wParam, std::intptr_t) -> std::intptr_t {
        if (message == lmx::probe::kProbeAdd) return static_cast<std::intptr_t>(wParam + 1);
        if (message == lmx::probe::kProbeQuit) quit = true;
        return 0;
    });
    if (!window) return 1;
    for (int waited = 0; !quit && waited < 60'000; waited += 10) std::this_thread::sleep_for(10ms);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string_view mode = argc > 1 ? argv[1] : "";
    if (mode == "service") return runService();
    if (mode == "sleep") {
        std::this_thread::sleep_for(30s);
        return 0;
    }
    if (mode == "window" && argc > 2) return runWindow(argv[2]);
    if (const char* root = std::getenv("LMXDUOWATCH_ROOT"); root && argc == 1) {
        std::ofstream(std::string(root) + "\\word.txt") << argv[0];
        return 0;
    }
    return 2;
}
