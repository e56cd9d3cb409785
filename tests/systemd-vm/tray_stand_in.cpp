// Stands in for the tray application in the guest: a window with the tray's title that writes
// the number of every message it is sent to a file, one line each, until its time is up. The
// guest checks start it in the seated user's session and look for the service's notifier there.
//
//   tray_stand_in FILE SECONDS

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <thread>

#include "common/tray_messages.h"
#include "platform/win_error.h"
#include "platform/window_directory.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: tray_stand_in FILE SECONDS\n");
        return 2;
    }
    std::ofstream out(argv[1], std::ios::app);
    if (!out) {
        std::fprintf(stderr, "tray_stand_in: cannot write %s\n", argv[1]);
        return 1;
    }
    std::mutex outLock;
    const auto window = platform::windows::WindowThread::start(
        lmx::tray::kMainWindowTitle, [&](std::uint32_t message, std::uintptr_t, std::intptr_t) -> std::intptr_t {
            const std::lock_guard lock(outLock);
            out << "0x" << std::hex << message << std::endl;
            return 0;
        });
    if (!window) {
        std::fprintf(stderr, "tray_stand_in: no window (error %u)\n", platform::lastError());
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::seconds(std::atoi(argv[2])));
    return 0;
}
