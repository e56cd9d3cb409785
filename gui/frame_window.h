#pragma once
// The hidden top-level frame of a GUI program: a window that is never shown and whose window
// procedure (message, wParam, lParam → result) handles the program's window messages. It is
// reached
//   - from its own thread: sendMessage calls the procedure directly;
//   - from other threads of the process: sendMessage blocks until the frame's thread has run
//     the procedure, and returns its result; postMessage queues and returns;
//   - from other processes: once registered in the window directory under its title, through
//     platform::windows::findWindow / sendMessage / postMessage.
// Window timers by id deliver WM_TIMER (wParam = id) to the procedure until killed. The
// program's message loop runs the frame's messages with every window's.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

#include "platform/window_directory.h"

namespace lmx::gui {

// The window messages the frames' procedures take, by Windows' numbers (WM_COMMAND, WM_TIMER).
inline constexpr std::uint32_t kCommandMessage = 0x0111;
inline constexpr std::uint32_t kTimerMessage = 0x0113;

class FrameWindow {
public:
    virtual ~FrameWindow() = default;

    // Registers the frame in the window directory under its title, so that other processes
    // find it; messages from there are handled on the frame's thread by its message loop.
    // False, with the platform's last error, when the directory cannot be used.
    virtual bool registerInDirectory() = 0;
    virtual std::optional<platform::windows::WindowRef> directoryRef() const = 0;

    // SendMessage from any thread of the process: returns the procedure's result.
    virtual std::intptr_t sendMessage(std::uint32_t message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0) = 0;
    // PostMessage from any thread: the procedure runs later on the frame's thread.
    virtual void postMessage(std::uint32_t message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0) = 0;
    // From any thread: `task` runs later on the frame's thread; dropped when the frame goes first.
    virtual void post(std::function<void()> task) = 0;

    // SetTimer / KillTimer on the frame's thread. Setting an id that runs restarts it with the
    // new period.
    virtual void setWindowTimer(std::uintptr_t id, int milliseconds) = 0;
    virtual bool killWindowTimer(std::uintptr_t id) = 0;
    virtual bool hasWindowTimer(std::uintptr_t id) const = 0;
};

std::unique_ptr<FrameWindow> createFrameWindow(std::string_view title, platform::windows::WindowProcedure procedure);

// The program's message loop: runs until quitMessageLoop, and returns its exit code.
int runMessageLoop();
void quitMessageLoop(int exitCode);

// Opens a document with the desktop's handler for its kind (ShellExecute "open"); false when
// nothing could open it.
bool openDocument(const std::filesystem::path& document);

}  // namespace lmx::gui
