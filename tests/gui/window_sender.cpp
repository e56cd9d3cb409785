// Sends one window message to the window with the given title, as another process of the
// session would: window_sender TITLE MESSAGE WPARAM LPARAM. Prints the procedure's result and
// exits 0, or exits 1 when the window is not found or the send fails.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/window_directory.h"

int main(int argc, char** argv) {
    if (argc != 5) return 2;
    const auto window = platform::windows::findWindow(argv[1]);
    if (!window) return 1;
    const auto result = platform::windows::sendMessage(*window, static_cast<std::uint32_t>(std::stoul(argv[2], nullptr, 0)),
                                                       std::stoull(argv[3], nullptr, 0), std::stoll(argv[4], nullptr, 0));
    if (!result) return 1;
    std::printf("%lld\n", static_cast<long long>(*result));
    return 0;
}
