#include "gui/frame_window.h"

#include <QMetaObject>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <utility>

namespace lmx::gui {

FrameWindow::FrameWindow(const QString& title, platform::windows::WindowProcedure procedure)
    : QWidget(nullptr, Qt::Window), procedure_(std::move(procedure)) {
    setWindowTitle(title);
    setAttribute(Qt::WA_DontShowOnScreen);
}

FrameWindow::~FrameWindow() {
    // The notifier watches the directory window's descriptor: stop it before the window goes.
    delete notifier_;
    notifier_ = nullptr;
    directoryWindow_.reset();
}

bool FrameWindow::registerInDirectory() {
    if (directoryWindow_) return true;
    auto window = platform::windows::Window::create(
        windowTitle().toStdString(),
        [this](std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
            return dispatch(message, wParam, lParam);
        });
    if (!window) return false;
    directoryWindow_ = std::move(window);
    notifier_ = new QSocketNotifier(directoryWindow_->descriptor(), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        if (directoryWindow_) directoryWindow_->dispatchPending();
    });
    return true;
}

std::optional<platform::windows::WindowRef> FrameWindow::directoryRef() const {
    if (!directoryWindow_) return std::nullopt;
    return directoryWindow_->ref();
}

std::intptr_t FrameWindow::dispatch(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    return procedure_ ? procedure_(message, wParam, lParam) : 0;
}

std::intptr_t FrameWindow::sendMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    if (QThread::currentThread() == thread()) return dispatch(message, wParam, lParam);
    std::intptr_t result = 0;
    QMetaObject::invokeMethod(
        this, [this, message, wParam, lParam] { return dispatch(message, wParam, lParam); },
        Qt::BlockingQueuedConnection, &result);
    return result;
}

void FrameWindow::postMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    QMetaObject::invokeMethod(
        this, [this, message, wParam, lParam] { dispatch(message, wParam, lParam); }, Qt::QueuedConnection);
}

void FrameWindow::setWindowTimer(std::uintptr_t id, int milliseconds) {
    QTimer*& timer = timers_[id];
    if (!timer) {
        timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [this, id] { dispatch(WM_TIMER, id, 0); });
    }
    timer->start(milliseconds);
}

bool FrameWindow::killWindowTimer(std::uintptr_t id) {
    const auto found = timers_.find(id);
    if (found == timers_.end()) return false;
    found->second->stop();
    found->second->deleteLater();
    timers_.erase(found);
    return true;
}

bool FrameWindow::hasWindowTimer(std::uintptr_t id) const {
    return timers_.contains(id);
}

}  // namespace lmx::gui
