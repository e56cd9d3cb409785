#include "gui/frame_window.h"
#include "gui/posted_tasks.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QMetaObject>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <map>
#include <utility>

namespace lmx::gui {

namespace {

// The frame on Qt: a widget never shown, whose thread is the one it was made on.
class QtFrameWindow final : public QWidget, public FrameWindow {
    Q_OBJECT
public:
    QtFrameWindow(std::string_view title, platform::windows::WindowProcedure procedure);
    ~QtFrameWindow() override;

    bool registerInDirectory() override;
    std::optional<platform::windows::WindowRef> directoryRef() const override;
    std::intptr_t sendMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;
    void postMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;
    void post(std::function<void()> task) override;
    void setWindowTimer(std::uintptr_t id, int milliseconds) override;
    bool killWindowTimer(std::uintptr_t id) override;
    bool hasWindowTimer(std::uintptr_t id) const override;

private:
    std::intptr_t dispatch(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
    // The posted tasks wait in a queue of the frame's own: the queued call that runs them carries
    // nothing across threads itself.
    Q_INVOKABLE void runPosted();

    PostedTasks posted_;

    platform::windows::WindowProcedure procedure_;
    std::unique_ptr<platform::windows::Window> directoryWindow_;
    QSocketNotifier* notifier_ = nullptr;
    std::map<std::uintptr_t, QTimer*> timers_;
};

}  // namespace

QtFrameWindow::QtFrameWindow(std::string_view title, platform::windows::WindowProcedure procedure)
    : QWidget(nullptr, Qt::Window), procedure_(std::move(procedure)) {
    setWindowTitle(QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size())));
    setAttribute(Qt::WA_DontShowOnScreen);
}

QtFrameWindow::~QtFrameWindow() {
    // The notifier watches the directory window's descriptor: stop it before the window goes.
    delete notifier_;
    notifier_ = nullptr;
    directoryWindow_.reset();
}

bool QtFrameWindow::registerInDirectory() {
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

std::optional<platform::windows::WindowRef> QtFrameWindow::directoryRef() const {
    if (!directoryWindow_) return std::nullopt;
    return directoryWindow_->ref();
}

std::intptr_t QtFrameWindow::dispatch(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    return procedure_ ? procedure_(message, wParam, lParam) : 0;
}

std::intptr_t QtFrameWindow::sendMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    if (QThread::currentThread() == thread()) return dispatch(message, wParam, lParam);
    std::intptr_t result = 0;
    QMetaObject::invokeMethod(
        this, [this, message, wParam, lParam] { return dispatch(message, wParam, lParam); },
        Qt::BlockingQueuedConnection, &result);
    return result;
}

void QtFrameWindow::postMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    post([this, message, wParam, lParam] { dispatch(message, wParam, lParam); });
}

void QtFrameWindow::setWindowTimer(std::uintptr_t id, int milliseconds) {
    QTimer*& timer = timers_[id];
    if (!timer) {
        timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [this, id] { dispatch(kTimerMessage, id, 0); });
    }
    timer->start(milliseconds);
}

bool QtFrameWindow::killWindowTimer(std::uintptr_t id) {
    const auto found = timers_.find(id);
    if (found == timers_.end()) return false;
    found->second->stop();
    found->second->deleteLater();
    timers_.erase(found);
    return true;
}

bool QtFrameWindow::hasWindowTimer(std::uintptr_t id) const {
    return timers_.contains(id);
}

void QtFrameWindow::post(std::function<void()> task) {
    posted_.add(std::move(task));
    QMetaObject::invokeMethod(this, "runPosted", Qt::QueuedConnection);
}

void QtFrameWindow::runPosted() {
    posted_.runAll();
}

std::unique_ptr<FrameWindow> createFrameWindow(std::string_view title, platform::windows::WindowProcedure procedure) {
    return std::make_unique<QtFrameWindow>(title, std::move(procedure));
}

int runMessageLoop() {
    return QCoreApplication::exec();
}

void quitMessageLoop(int exitCode) {
    QCoreApplication::exit(exitCode);
}

bool openDocument(const std::filesystem::path& document) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(document.string())));
}

}  // namespace lmx::gui

#include "qt_frame_window.moc"
