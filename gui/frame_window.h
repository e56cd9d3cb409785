#pragma once
// The hidden top-level frame of a GUI program: a window that is never shown and whose window
// procedure (message, wParam, lParam → result) handles the program's window messages. It is
// reached
//   - from its own thread: sendMessage calls the procedure directly;
//   - from other threads of the process: sendMessage blocks until the frame's thread has run
//     the procedure, and returns its result; postMessage queues and returns;
//   - from other processes: once registered in the window directory under its title, through
//     platform::windows::findWindow / sendMessage / postMessage.
// Window timers by id deliver WM_TIMER (wParam = id) to the procedure until killed.

#include <QString>
#include <QWidget>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>

#include "platform/window_directory.h"

class QSocketNotifier;
class QTimer;

namespace lmx::gui {

inline constexpr std::uint32_t WM_NULL = 0x0000;
inline constexpr std::uint32_t WM_COMMAND = 0x0111;
inline constexpr std::uint32_t WM_TIMER = 0x0113;

class FrameWindow : public QWidget {
    Q_OBJECT
public:
    FrameWindow(const QString& title, platform::windows::WindowProcedure procedure);
    ~FrameWindow() override;

    // Registers the frame in the window directory under its title, so that other processes
    // find it; messages from there are handled on the frame's thread by its event loop.
    // False, with the platform's last error, when the directory cannot be used.
    bool registerInDirectory();
    std::optional<platform::windows::WindowRef> directoryRef() const;

    // SendMessage from any thread of the process: returns the procedure's result.
    std::intptr_t sendMessage(std::uint32_t message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);
    // PostMessage from any thread: the procedure runs later on the frame's thread.
    void postMessage(std::uint32_t message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);

    // SetTimer / KillTimer on the frame's thread. Setting an id that runs restarts it with the
    // new period.
    void setWindowTimer(std::uintptr_t id, int milliseconds);
    bool killWindowTimer(std::uintptr_t id);
    bool hasWindowTimer(std::uintptr_t id) const;

private:
    std::intptr_t dispatch(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);

    platform::windows::WindowProcedure procedure_;
    std::unique_ptr<platform::windows::Window> directoryWindow_;
    QSocketNotifier* notifier_ = nullptr;
    std::map<std::uintptr_t, QTimer*> timers_;
};

}  // namespace lmx::gui
