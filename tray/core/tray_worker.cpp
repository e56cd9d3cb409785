#include "tray/core/tray_worker.h"

#include "platform/system_info.h"

namespace lmx::tray {

TrayWorker::TrayWorker(WorkerHost& host) : host_(host) {}

TrayWorker::~TrayWorker() {
    stop();
    if (thread_.joinable()) thread_.join();
}

void TrayWorker::start() {
    if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
}

void TrayWorker::stop() { stop_.set(); }

void TrayWorker::firstLoadDone() { initDone_.set(); }

bool TrayWorker::pause() { return platform::waitFor(stop_, kPassMilliseconds) == platform::kWaitTimeout; }

void TrayWorker::run() {
    if (waitForService()) follow();
}

bool TrayWorker::waitForService() {
    for (;;) {
        if (!host_.isServiceProcessRunning()) {
            host_.setTrayIcon(kIconServiceStopped);
        } else if (host_.isServiceReady()) {
            platform::debugOutput("CMyFrame::initializeUpdateData()");
            host_.runFirstLoad();
            if (platform::waitForAny({&stop_, &initDone_}, platform::kInfinite) == platform::kWaitObject0) return false;
            if (host_.dataInitialized()) return true;
        }
        if (!pause()) return false;
    }
}

void TrayWorker::follow() {
    do {
        const bool running = host_.isServiceProcessRunning();
        host_.setTrayIcon(trayIconFor(running, running ? host_.slotSummaries() : SlotSummaries{}));
        if (!running) host_.hideCurrentForm();
    } while (pause());
}

}  // namespace lmx::tray
