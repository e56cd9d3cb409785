// Top-level windows of the suite's own class, found and messaged with the system's calls. The
// class carries the system root's tag, so that windows of separate roots never meet; a
// WindowRef names the window by its handle's number. Of the messages a window receives, its
// procedure gets those the suite sends (WM_COMMAND, WM_TIMER and every message from WM_USER
// up); what the system sends to manage the window goes to DefWindowProcW.

#include "platform/window_directory.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <mutex>
#include <set>
#include <thread>

#include "platform/win_error.h"
#include "platform/windows/root_scope.h"
#include "platform/windows/wide_text.h"

namespace platform::windows {

namespace {

constexpr std::string_view kWindowClass = "LMXDuowatchWindow";
constexpr std::string_view kEndpointPrefix = "window-";

std::wstring windowClassName() { return win32::widen(win32::scopedName(kWindowClass)); }

WindowRef refOf(HWND window) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*s%llx", static_cast<int>(kEndpointPrefix.size()), kEndpointPrefix.data(),
                  static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(window)));
    DWORD processId = 0;
    ::GetWindowThreadProcessId(window, &processId);
    return WindowRef{text, processId};
}

// The window a reference names, while it lives.
HWND handleOf(const WindowRef& ref) {
    const std::string text = ref.endpoint.string();
    if (!text.starts_with(kEndpointPrefix)) return nullptr;
    const auto number = std::strtoull(text.c_str() + kEndpointPrefix.size(), nullptr, 16);
    const HWND window = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(number));
    return window && ::IsWindow(window) ? window : nullptr;
}

bool forwardedToProcedure(UINT message) { return message == WM_COMMAND || message == WM_TIMER || message >= WM_USER; }

}  // namespace

struct Window::Impl {
    HWND handle = nullptr;
    std::string title;
    WindowProcedure procedure;
    std::size_t ran = 0;  // procedure calls, counted on the owner's thread

    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* impl = reinterpret_cast<Impl*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        if (!impl || !forwardedToProcedure(message)) return ::DefWindowProcW(window, message, wParam, lParam);
        ++impl->ran;
        return impl->procedure(message, wParam, lParam);
    }
};

namespace {

// RegisterClassExW once per class name and process (the name changes with the root).
bool registerWindowClass(const std::wstring& className, WNDPROC procedure) {
    static std::mutex lock;
    static std::set<std::wstring> registered;
    std::lock_guard guard(lock);
    if (registered.contains(className)) return true;
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = className.c_str();
    if (!::RegisterClassExW(&windowClass) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        setLastError(::GetLastError());
        return false;
    }
    registered.insert(className);
    return true;
}

// The suite's top-level windows, oldest first (the system lists the newest on top).
std::vector<HWND> suiteWindows() {
    struct Walk {
        std::wstring className;
        std::vector<HWND> found;
    } walk{windowClassName(), {}};
    ::EnumWindows(
        [](HWND window, LPARAM context) -> BOOL {
            auto& walk = *reinterpret_cast<Walk*>(context);
            wchar_t name[256];
            const int length = ::GetClassNameW(window, name, 256);
            if (length > 0 && walk.className == std::wstring_view(name, static_cast<std::size_t>(length)))
                walk.found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&walk));
    std::reverse(walk.found.begin(), walk.found.end());
    return walk.found;
}

}  // namespace

Window::Window(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

std::unique_ptr<Window> Window::create(std::string_view title, WindowProcedure procedure) {
    const std::wstring className = windowClassName();
    if (!registerWindowClass(className, Impl::windowProc)) return nullptr;
    auto impl = std::make_unique<Impl>();
    impl->title = std::string(title);
    impl->procedure = std::move(procedure);
    // A hidden top-level window: FindWindow and EnumWindows see it, the desktop shows nothing.
    impl->handle = ::CreateWindowExW(WS_EX_TOOLWINDOW, className.c_str(), win32::widen(title).c_str(), WS_POPUP, 0, 0,
                                     0, 0, nullptr, nullptr, ::GetModuleHandleW(nullptr), impl.get());
    if (!impl->handle) {
        setLastError(::GetLastError());
        return nullptr;
    }
    return std::unique_ptr<Window>(new Window(std::move(impl)));
}

Window::~Window() {
    // The procedure is not called any more, not even for the messages of the destruction.
    ::SetWindowLongPtrW(impl_->handle, GWLP_USERDATA, 0);
    ::DestroyWindow(impl_->handle);
}

const std::string& Window::title() const { return impl_->title; }

WindowRef Window::ref() const { return refOf(impl_->handle); }

// The owner waits on its message queue itself (MsgWaitForMultipleObjects, or its GUI toolkit's
// loop): Windows has no handle that becomes ready for a window's messages.
NativeHandle Window::descriptor() const { return kInvalidNativeHandle; }

std::size_t Window::dispatchPending() {
    const std::size_t before = impl_->ran;
    MSG message;
    // Peeking also runs the messages other threads have sent to the window.
    while (::PeekMessageW(&message, impl_->handle, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return impl_->ran - before;
}

struct WindowThread::Impl {
    std::thread thread;
    DWORD threadId = 0;
};

WindowThread::WindowThread(std::unique_ptr<Impl> impl, WindowRef window) : impl_(std::move(impl)), window_(std::move(window)) {}

std::unique_ptr<WindowThread> WindowThread::start(std::string_view title, WindowProcedure procedure) {
    struct Started {
        std::optional<WindowRef> window;
        DWORD threadId = 0;
        std::uint32_t error = 0;
    };
    std::promise<Started> started;
    auto result = started.get_future();
    auto impl = std::make_unique<Impl>();
    impl->thread = std::thread([started = std::move(started), title = std::string(title), procedure = std::move(procedure)]() mutable {
        auto window = Window::create(title, std::move(procedure));
        if (!window) {
            started.set_value({std::nullopt, 0, lastError()});
            return;
        }
        // The thread has its message queue now (the window made it): WM_QUIT can reach it.
        started.set_value({window->ref(), ::GetCurrentThreadId(), 0});
        MSG message;
        while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    });
    auto outcome = result.get();
    if (!outcome.window) {
        impl->thread.join();
        setLastError(outcome.error);
        return nullptr;
    }
    impl->threadId = outcome.threadId;
    return std::unique_ptr<WindowThread>(new WindowThread(std::move(impl), std::move(*outcome.window)));
}

WindowThread::~WindowThread() {
    ::PostThreadMessageW(impl_->threadId, WM_QUIT, 0, 0);
    impl_->thread.join();
}

std::optional<WindowRef> findWindow(std::string_view title) {
    const HWND window = ::FindWindowW(windowClassName().c_str(), win32::widen(title).c_str());
    if (!window) {
        setLastError(kErrorFileNotFound);
        return std::nullopt;
    }
    return refOf(window);
}

std::vector<WindowRef> enumWindows() {
    std::vector<WindowRef> windows;
    for (const HWND window : suiteWindows()) windows.push_back(refOf(window));
    return windows;
}

std::optional<std::string> windowTitle(const WindowRef& window) {
    const HWND handle = handleOf(window);
    if (!handle) {
        setLastError(ERROR_INVALID_WINDOW_HANDLE);
        return std::nullopt;
    }
    // The title the system keeps: GetWindowTextW would ask a window of this process's other
    // threads with WM_GETTEXT and wait for it, however long its owner is busy.
    wchar_t text[512];
    const int length = ::InternalGetWindowText(handle, text, 512);
    return win32::narrow(std::wstring_view(text, static_cast<std::size_t>(std::max(length, 0))));
}

namespace {

std::optional<std::intptr_t> sendWithTimeout(const WindowRef& window, std::uint32_t message, std::uintptr_t wParam,
                                             std::intptr_t lParam, UINT flags, UINT timeout) {
    const HWND handle = handleOf(window);
    if (!handle) {
        setLastError(ERROR_INVALID_WINDOW_HANDLE);
        return std::nullopt;
    }
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(handle, message, wParam, lParam, flags, timeout, &result)) {
        const DWORD error = ::GetLastError();
        // Gone while the sender waited, or not answering in time.
        setLastError(!::IsWindow(handle) ? ERROR_INVALID_WINDOW_HANDLE : error != 0 ? error : ERROR_TIMEOUT);
        return std::nullopt;
    }
    return static_cast<std::intptr_t>(result);
}

}  // namespace

std::optional<std::intptr_t> sendMessage(const WindowRef& window, std::uint32_t message, std::uintptr_t wParam,
                                         std::intptr_t lParam) {
    return sendWithTimeout(window, message, wParam, lParam, SMTO_NORMAL, INFINITE);
}

std::optional<std::intptr_t> sendMessageTimeout(const WindowRef& window, std::uint32_t message, std::uintptr_t wParam,
                                                std::intptr_t lParam, std::uint32_t timeoutMilliseconds) {
    return sendWithTimeout(window, message, wParam, lParam, SMTO_ABORTIFHUNG | SMTO_BLOCK, timeoutMilliseconds);
}

bool postMessage(const WindowRef& window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    const HWND handle = handleOf(window);
    if (!handle || !::PostMessageW(handle, message, wParam, lParam)) {
        setLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    return true;
}

void broadcastMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam,
                      std::uint32_t timeoutMillisecondsEach,
                      const std::function<bool(const WindowRef& window, std::intptr_t reply)>& onReply) {
    for (const auto& window : enumWindows()) {
        const auto reply = sendMessageTimeout(window, message, wParam, lParam, timeoutMillisecondsEach);
        if (reply && !onReply(window, *reply)) return;
    }
}

std::uint32_t registerWindowMessage(std::string_view name) {
    const UINT number = ::RegisterWindowMessageW(win32::widen(name).c_str());
    if (number == 0) setLastError(::GetLastError());
    return number;
}

// Windows keeps each session's windows itself: there is nothing to prepare.
bool prepareSessionFolders() { return true; }

}  // namespace platform::windows
