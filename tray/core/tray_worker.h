#pragma once
// The frame's worker thread. Phase 1 waits for the service: once a second it checks the
// service process (icon 130 while absent) and asks whether the service is ready; when it is,
// it has the window thread run the first data load and waits until that is done; a successful
// load moves it to phase 2. Phase 2 follows the state for good: once a second it sets the tray
// icon from the kept packets (and hides the RAID information window while the service process
// is absent). Waits are on platform events, so a test's fake wait clock paces the thread.

#include <thread>

#include "platform/sync_event.h"
#include "tray/core/tray_icon_state.h"

namespace lmx::tray {

// What the thread asks of the frame. Called on the worker thread; implementations share state
// with the window thread only under a lock or through atomics.
class WorkerHost {
public:
    virtual ~WorkerHost() = default;
    virtual bool isServiceProcessRunning() = 0;
    virtual bool isServiceReady() = 0;  // pipe request 11
    // Hands the first load to the window thread without waiting for it; the frame calls
    // TrayWorker::firstLoadDone once it has been handled (also when the load failed), and the
    // worker waits for that or for stop. Not waiting inside the hand-over keeps the window
    // thread free to stop and join the worker at any moment.
    virtual void runFirstLoad() = 0;
    virtual bool dataInitialized() = 0;
    virtual SlotSummaries slotSummaries() = 0;
    virtual void setTrayIcon(int iconId) = 0;
    virtual void hideCurrentForm() = 0;
};

class TrayWorker {
public:
    static constexpr std::uint32_t kPassMilliseconds = 1000;

    explicit TrayWorker(WorkerHost& host);
    ~TrayWorker();  // stops and joins
    TrayWorker(const TrayWorker&) = delete;
    TrayWorker& operator=(const TrayWorker&) = delete;

    void start();
    // Ends the thread at its next wait (the program's exit ends it without this).
    void stop();
    // The frame's first load has finished (initDoneEvent).
    void firstLoadDone();

private:
    void run();
    bool waitForService();  // phase 1; false when stopped
    void follow();          // phase 2
    bool pause();           // one pass's sleep; false when stopped

    WorkerHost& host_;
    platform::SyncEvent stop_{platform::SyncEvent::Reset::Manual};
    platform::SyncEvent initDone_{platform::SyncEvent::Reset::Automatic};
    std::thread thread_;
};

}  // namespace lmx::tray
