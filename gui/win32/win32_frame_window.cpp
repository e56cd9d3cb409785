#include <windows.h>
#include <shellapi.h>

#include <mutex>
#include <set>
#include <utility>

#include "gui/frame_window.h"
#include "gui/posted_tasks.h"
#include "gui/win32/win32_dialog_window.h"
#include "platform/windows/wide_text.h"

namespace lmx::gui {

namespace {

constexpr const wchar_t* kFrameClass = L"LmxFrameWindow";
// The message that runs the tasks posted from other threads.
constexpr UINT kRunPosted = WM_APP + 0x32;

// The frame on Windows: a message-only window on the thread that made it. Its procedure gets
// the program's messages (WM_COMMAND, WM_TIMER and WM_USER and up); another thread's
// SendMessage waits for the frame's thread, as Windows does for every window.
class Win32FrameWindow final : public FrameWindow {
public:
    Win32FrameWindow(std::string_view title, platform::windows::WindowProcedure procedure)
        : title_(title), procedure_(std::move(procedure)), thread_(GetCurrentThreadId()) {
        static std::once_flag registered;
        std::call_once(registered, [] {
            WNDCLASSEXW windowClass{};
            windowClass.cbSize = sizeof windowClass;
            windowClass.lpfnWndProc = &Win32FrameWindow::windowProcedure;
            windowClass.hInstance = GetModuleHandleW(nullptr);
            windowClass.lpszClassName = kFrameClass;
            RegisterClassExW(&windowClass);
        });
        window_ = CreateWindowExW(0, kFrameClass, platform::win32::widen(title).c_str(), 0, 0, 0, 0, 0, HWND_MESSAGE,
                                  nullptr, GetModuleHandleW(nullptr), this);
    }

    ~Win32FrameWindow() override {
        directoryWindow_.reset();
        if (window_) {
            SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
            DestroyWindow(window_);
        }
    }

    bool registerInDirectory() override {
        if (directoryWindow_) return true;
        directoryWindow_ = platform::windows::Window::create(title_, [this](std::uint32_t message, std::uintptr_t wParam,
                                                                             std::intptr_t lParam) {
            return dispatch(message, wParam, lParam);
        });
        return directoryWindow_ != nullptr;
    }

    std::optional<platform::windows::WindowRef> directoryRef() const override {
        if (!directoryWindow_) return std::nullopt;
        return directoryWindow_->ref();
    }

    std::intptr_t sendMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override {
        if (GetCurrentThreadId() == thread_) return dispatch(message, wParam, lParam);
        return SendMessageW(window_, message, wParam, lParam);
    }

    void postMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override {
        PostMessageW(window_, message, wParam, lParam);
    }

    void post(std::function<void()> task) override {
        posted_.add(std::move(task));
        PostMessageW(window_, kRunPosted, 0, 0);
    }

    void setWindowTimer(std::uintptr_t id, int milliseconds) override {
        if (SetTimer(window_, id, static_cast<UINT>(milliseconds), nullptr) != 0) timers_.insert(id);
    }

    bool killWindowTimer(std::uintptr_t id) override {
        if (timers_.erase(id) == 0) return false;
        KillTimer(window_, id);
        return true;
    }

    bool hasWindowTimer(std::uintptr_t id) const override { return timers_.contains(id); }

private:
    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
        }
        auto* self = reinterpret_cast<Win32FrameWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (!self) return DefWindowProcW(window, message, wParam, lParam);
        if (message == kRunPosted) {
            self->runPosted();
            return 0;
        }
        if (message == WM_COMMAND || message == WM_TIMER || message >= WM_USER) {
            return self->dispatch(message, wParam, lParam);
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    std::intptr_t dispatch(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
        return procedure_ ? procedure_(message, wParam, lParam) : 0;
    }

    void runPosted() {
        posted_.runAll();
    }

    std::string title_;
    platform::windows::WindowProcedure procedure_;
    DWORD thread_;
    HWND window_ = nullptr;
    std::unique_ptr<platform::windows::Window> directoryWindow_;
    std::set<std::uintptr_t> timers_;
    PostedTasks posted_;
};

}  // namespace

std::unique_ptr<FrameWindow> createFrameWindow(std::string_view title, platform::windows::WindowProcedure procedure) {
    return std::make_unique<Win32FrameWindow>(title, std::move(procedure));
}

int runMessageLoop() {
    MSG message;
    for (;;) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) return static_cast<int>(message.wParam);
        if (got < 0) return 1;
        if (win32::preTranslateForDialogs(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void quitMessageLoop(int exitCode) {
    PostQuitMessage(exitCode);
}

bool openDocument(const std::filesystem::path& document) {
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", document.wstring().c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
}

}  // namespace lmx::gui
