// The tray application's start-up and idle cost: time from process start to the first icon,
// resident memory when idle, and CPU use while the worker thread follows a stopped service.
// Runs on Qt's offscreen platform with a notification area that accepts the icon at once.

#include <sys/resource.h>

#include <QApplication>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "benchmarks/simulated_root.h"
#include "tray/gui/main_frame.h"

namespace {

using Clock = std::chrono::steady_clock;
const Clock::time_point kProcessStart = Clock::now();

class AcceptingShell final : public lmx::tray::TrayShell {
public:
    explicit AcceptingShell(Clock::time_point* shownAt) : shownAt_(shownAt) {}
    bool add(int, std::string_view) override {
        if (*shownAt_ == Clock::time_point{}) *shownAt_ = Clock::now();
        return true;
    }
    bool modify(int) override { return true; }
    void remove() override {}
    void setMenu(const std::vector<lmx::gui::MenuItem>&) override {}
    void enableMenuItem(int, bool) override {}

private:
    Clock::time_point* shownAt_;
};

long residentKilobytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    }
    return -1;
}

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    const int idleSeconds = argc > 1 ? std::atoi(argv[1]) : 10;
    lmx::bench::SimulatedRoot root(0);  // no service: the worker checks for it every second
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    Clock::time_point iconShown{};
    lmx::tray::MainFrame::Options options;
    options.shell = std::make_unique<AcceptingShell>(&iconShown);
    lmx::tray::MainFrame frame(std::move(options));
    if (!frame.create()) return 1;
    const double startMs = std::chrono::duration<double, std::milli>(iconShown - kProcessStart).count();

    double cpuAtIdleStart = 0;
    QTimer::singleShot(1000, [&] { cpuAtIdleStart = cpuSeconds(); });
    QTimer::singleShot(1000 + idleSeconds * 1000, [&] { QCoreApplication::quit(); });
    application.exec();
    const double idleCpu = cpuSeconds() - cpuAtIdleStart;
    std::printf("tray start-up to first icon: %.1f ms; resident memory idle: %ld kB; CPU while idle: %.2f ms/s over %d s\n",
                startMs, residentKilobytes(), 1000.0 * idleCpu / idleSeconds, idleSeconds);
    return 0;
}
