#pragma once
// Top-level windows of the user's session that other processes find by title and send
// messages to (FindWindowA, EnumWindows, SendMessageA, SendMessageTimeoutA, PostMessageA,
// RegisterWindowMessageA). A window has a title and a window procedure; its messages are
// handled on the thread that owns it, one at a time, whenever that thread dispatches: either
// in its own loop or GUI toolkit (descriptor() becomes readable when messages wait, then call
// dispatchPending()), or on a WindowThread that does nothing else.
//
// The session is the user's: a process finds the windows of processes running as the same user.
// Their place is the user's own, which no other user can make or hold; where a user has none
// (no runtime folder, and none made by root), creating a window fails with 5 and no window is
// found.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/native_handle.h"

namespace platform::windows {

// The window procedure: message number, wParam, lParam → the result the sender receives.
using WindowProcedure = std::function<std::intptr_t(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam)>;

// A window as FindWindow and EnumWindows give it: valid until its owner destroys it.
struct WindowRef {
    std::filesystem::path endpoint;
    std::uint32_t processId = 0;
    friend bool operator==(const WindowRef&, const WindowRef&) = default;
};

// A window owned by the thread that created it.
class Window {
public:
    // CreateWindow: registers the window under its title in the session. Titles may hold any
    // characters, and several windows may share one. Fails with 5 when the session's folder
    // cannot be used.
    static std::unique_ptr<Window> create(std::string_view title, WindowProcedure procedure);
    ~Window();  // DestroyWindow: no longer found; senders still waiting get a failure
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    const std::string& title() const;
    WindowRef ref() const;

    // Ready to read while messages wait: for a wait, or a GUI toolkit's socket notifier.
    NativeHandle descriptor() const;
    // Runs the procedure for every message that has arrived, on the calling thread, which
    // must be the owner; returns how many ran. A procedure may dispatch again (a nested loop).
    std::size_t dispatchPending();

private:
    struct Impl;
    explicit Window(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

// A window on a thread of its own, for programs without a message loop and for tests: the
// thread creates the window and dispatches its messages until this object is destroyed.
class WindowThread {
public:
    // Returns once the window exists; empty, with the last error of Window::create, on failure.
    static std::unique_ptr<WindowThread> start(std::string_view title, WindowProcedure procedure);
    ~WindowThread();  // destroys the window on its thread and joins the thread
    WindowThread(const WindowThread&) = delete;
    WindowThread& operator=(const WindowThread&) = delete;

    const WindowRef& window() const { return window_; }

private:
    struct Impl;
    WindowThread(std::unique_ptr<Impl> impl, WindowRef window);
    std::unique_ptr<Impl> impl_;
    WindowRef window_;
};

// FindWindowA(any class, title): a live window whose title equals `title`, ignoring the case
// of ASCII letters. Windows whose owner ended without destroying them are never found (their
// traces are removed).
std::optional<WindowRef> findWindow(std::string_view title);
// EnumWindows: the session's live top-level windows, oldest first.
std::vector<WindowRef> enumWindows();
// GetWindowTextA; empty when the window is gone.
std::optional<std::string> windowTitle(const WindowRef& window);

// SendMessageA: returns after the window's procedure has run, with its result. Empty (1400)
// when the window is gone or was destroyed before answering. Sent from the window's own thread,
// the procedure is called directly.
std::optional<std::intptr_t> sendMessage(const WindowRef& window, std::uint32_t message, std::uintptr_t wParam = 0,
                                         std::intptr_t lParam = 0);
// SendMessageTimeoutA(SMTO_ABORTIFHUNG | SMTO_BLOCK): as sendMessage, but gives up (1460) when
// the procedure has not answered within the time-out.
std::optional<std::intptr_t> sendMessageTimeout(const WindowRef& window, std::uint32_t message, std::uintptr_t wParam,
                                                std::intptr_t lParam, std::uint32_t timeoutMilliseconds);
// PostMessageA: queues the message and returns at once; false (1400) when the window is gone.
bool postMessage(const WindowRef& window, std::uint32_t message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);

// EnumWindows with SendMessageTimeoutA to each: sends the message to every live window in
// turn, each with the time-out, and hands each answer to `onReply`; the walk ends when it
// returns false. Windows that do not answer in time are skipped.
void broadcastMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam,
                      std::uint32_t timeoutMillisecondsEach,
                      const std::function<bool(const WindowRef& window, std::intptr_t reply)>& onReply);

// RegisterWindowMessageA: the same number, from 0xC000 to 0xFFFF, for the same name (ignoring
// the case of ASCII letters) in every process.
std::uint32_t registerWindowMessage(std::string_view name);

// Creates the folder under the system root that holds root's session folder (and those root
// makes for users without a runtime folder), closed to every other user, and root's own folder
// in it. Run by a privileged process (the service at its start); a user's process can prepare
// it only in a root of the user's own.
bool prepareSessionFolders();

}  // namespace platform::windows
