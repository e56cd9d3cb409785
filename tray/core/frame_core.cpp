#include "tray/core/frame_core.h"

#include "tray/core/service_state.h"

namespace lmx::tray {

FrameCore::FrameCore(const StringSource& texts, const FrameSettings& settings, std::string pipeName)
    : texts_(texts), settings_(settings), pipe_(std::move(pipeName)) {}

bool FrameCore::sendRequest(std::uint8_t code, std::int32_t value) {
    return pipe_.sendRequest(code, value, PipeRequestState{settings_, data_.currentPackets, logPages_});
}

bool FrameCore::isServiceReady() {
    // Reads only a copy of the settings' defaults: request 11 carries no value.
    return pipe_.sendRequest(kRequestIsReady, -1, FrameSettings{});
}

FrameUpdate FrameCore::initData() {
    FrameUpdate update;
    if (!sendRequest(kRequestStatusTable)) return update;
    const auto raises = applyFirstLoad(data_);
    publishSummaries();
    update.loaded = true;
    update.popups = raise(raises);
    initialized_ = true;
    return update;
}

FrameUpdate FrameCore::serviceNotify() {
    FrameUpdate update;
    if (!data_.dataInitialized) return update;
    sendRequest(kRequestStatusTable);  // slots whose read failed keep their previous contents
    const CompareResult result = refreshAndCompare(data_, settings_.temperature);
    publishSummaries();
    update.changed = result.changed;
    update.popups = raise(result.raises);
    return update;
}

std::vector<PopupCommand> FrameCore::popupClosed(int slot) { return popups_.close(slot); }

MonitorSwitchResult FrameCore::startMonitoring(const std::filesystem::path& programFolder) {
    return {lmx::tray::startMonitoring(isServiceProcessRunning(), programFolder), {}};
}

MonitorSwitchResult FrameCore::stopMonitoring(const std::filesystem::path& programFolder) {
    MonitorSwitchResult result{lmx::tray::stopMonitoring(isServiceProcessRunning(), programFolder), {}};
    if (result.outcome.closeAllPopups) result.popups = popups_.closeAll();
    return result;
}

SlotSummaries FrameCore::slotSummaries() const {
    std::lock_guard hold(summaryLock_);
    return summaries_;
}

std::vector<PopupCommand> FrameCore::raise(const std::vector<PopupRaise>& raises) {
    std::vector<PopupCommand> commands;
    for (const PopupRaise& one : raises) {
        for (auto& command : popups_.show(one, settings_.popMsg, settings_.temperature, texts_)) {
            commands.push_back(std::move(command));
        }
    }
    return commands;
}

void FrameCore::publishSummaries() {
    SlotSummaries summaries;
    for (int i = 0; i < kPhysicalDriveCount; ++i) {
        summaries[i] = {data_.keptPackets[i].present, data_.keptPackets[i].raidStatus};
    }
    std::lock_guard hold(summaryLock_);
    summaries_ = summaries;
}

}  // namespace lmx::tray
