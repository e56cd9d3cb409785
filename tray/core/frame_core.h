#pragma once
// The main frame's logic without its windows: the settings cache, the two packet tables, the
// pop-up table and the pipe client. The GUI's frame forwards its messages here and carries out
// the results (pop-up commands, form refreshes, message boxes, icons). Everything but
// isServiceReady, dataInitialized and slotSummaries runs on the window thread.

#include <atomic>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "tray/core/frame_data.h"
#include "tray/core/frame_settings.h"
#include "tray/core/monitor_switch.h"
#include "tray/core/popup_table.h"
#include "tray/core/service_pipe_client.h"
#include "tray/core/string_source.h"
#include "tray/core/tray_icon_state.h"

namespace lmx::tray {

struct FrameUpdate {
    bool loaded = false;   // initData: the status request succeeded (dataInitialized is set)
    bool changed = false;  // serviceNotify: send UWM_INFO_REFRESH and UWM_STATUS_CHANGED to the form
    std::vector<PopupCommand> popups;
};

struct MonitorSwitchResult {
    MonitorSwitchOutcome outcome;
    std::vector<PopupCommand> popups;  // the alerts a stop closes
};

class FrameCore {
public:
    FrameCore(const StringSource& texts, const FrameSettings& settings,
              std::string pipeName = std::string(kServicePipeName));

    // The settings cache; the settings dialogs change it in place, then ask for sendRequest.
    FrameSettings& settings() { return settings_; }
    const FrameData& data() const { return data_; }
    const LogPages& logPages() const { return logPages_; }

    // sendRequest(code, value): one exchange; for 6 and 7 the GUI then sends UWM_LOG_ARRIVED.
    bool sendRequest(std::uint8_t code, std::int32_t value = -1);

    // UWM_INIT_DATA: status request, then the first load's alerts.
    FrameUpdate initData();
    // UWM_SVC_NOTIFY: ignored before the first load; else status request, compare, alerts.
    FrameUpdate serviceNotify();
    // WM_TIMER 100 + slot, or UWM_POPUP_CLOSED with slot.
    std::vector<PopupCommand> popupClosed(int slot);

    MonitorSwitchResult startMonitoring(const std::filesystem::path& programFolder);
    MonitorSwitchResult stopMonitoring(const std::filesystem::path& programFolder);

    // For the worker thread.
    bool isServiceReady();
    bool dataInitialized() const { return initialized_.load(); }
    SlotSummaries slotSummaries() const;

private:
    std::vector<PopupCommand> raise(const std::vector<PopupRaise>& raises);
    void publishSummaries();

    const StringSource& texts_;
    FrameSettings settings_;
    FrameData data_;
    LogPages logPages_{};
    PopupTable popups_;
    ServicePipeClient pipe_;
    std::atomic<bool> initialized_{false};
    mutable std::mutex summaryLock_;
    SlotSummaries summaries_{};
};

}  // namespace lmx::tray
