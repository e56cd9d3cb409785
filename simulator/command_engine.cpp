#include "simulator/command_engine.h"

#include <algorithm>
#include <cstdio>

#include "common/vendor_pages.h"
#include "simulator/identify_data.h"
#include "simulator/vendor_page_builder.h"

namespace simulator {

namespace pages = lmx::pages;

std::string pageAction(std::uint8_t page) {
    char text[16];
    std::snprintf(text, sizeof text, "page %02X", page);
    return text;
}

namespace {

constexpr std::uint32_t kBlockSize = 512;

DataDirection expectedDirection(const AtaRequest& request) {
    switch (request.command()) {
        case pages::kCommandIdentify: return DataDirection::In;
        case pages::kCommandDownloadMicrocode: return DataDirection::Out;
        case pages::kCommandSmart:
            return request.features() == pages::kFeatureVendorPageRead ? DataDirection::In : DataDirection::None;
        default: return DataDirection::None;
    }
}

CommandOutcome completedWith(Bytes data, std::string action) {
    CommandOutcome outcome;
    outcome.answer.completed = true;
    outcome.answer.dataIn = std::move(data);
    outcome.action = std::move(action);
    return outcome;
}

CommandOutcome aborted(std::string action) {
    CommandOutcome outcome;
    outcome.action = std::move(action);
    return outcome;
}

CommandOutcome changed(std::string action) {
    CommandOutcome outcome = completedWith({}, std::move(action));
    outcome.stateChanged = true;
    return outcome;
}

Bytes toBytes(const Sector& sector) { return Bytes(sector.begin(), sector.end()); }

CommandOutcome identify(const DriveDescription& drive) {
    if (drive.identifyOverride) return completedWith(*drive.identifyOverride, "identify (override)");
    return completedWith(toBytes(buildIdentifyData(drive)), "identify");
}

CommandOutcome readPage(const DriveDescription& drive, const AtaRequest& request) {
    const std::uint8_t page = request.lbaHigh();
    if (request.lbaMid() != pages::kVendorPageLbaMid) return aborted("unknown read");
    if (const auto found = drive.pageOverrides.find(page); found != drive.pageOverrides.end()) {
        return completedWith(found->second, pageAction(page) + " (override)");
    }
    const auto built = buildVendorPage(drive, page);
    if (!built) return aborted(pageAction(page) + " (no such page)");
    return completedWith(toBytes(*built), pageAction(page));
}

CommandOutcome enableSmart(DriveDescription& drive) {
    drive.identify.smartEnabled = true;
    return changed("smart enable");
}

CommandOutcome vendorControl(DriveDescription& drive, std::uint8_t code) {
    RaidState& raid = drive.raid;
    switch (code) {
        case pages::kControlStartVerify:
            raid.patrol = PatrolState::Running;
            raid.patrolProgress = 0;
            return changed("start verify");
        case pages::kControlStopVerify:
            // Only a patrol under way can be stopped.
            if (raid.patrol == PatrolState::Running) raid.patrol = PatrolState::Stopped;
            return changed("stop verify");
        case pages::kControlEndVerify:
            raid.patrol = PatrolState::None;
            raid.patrolProgress = 0;
            return changed("end verify");
        case pages::kControlSilenceBuzzer: ++drive.buzzerSilenced; return changed("silence buzzer");
        default: return aborted("unknown control");
    }
}

// Features 0xD8 with the SMART signature: SMART ENABLE OPERATIONS when count and LBA low are 0,
// a vendor control when the count is the complement of the code in LBA low. An ordinary disk
// takes every such command for SMART ENABLE OPERATIONS.
CommandOutcome smartEnableOrControl(DriveDescription& drive, const AtaRequest& request) {
    if (request.lbaMid() != pages::kSmartLbaMid || request.lbaHigh() != pages::kSmartLbaHigh) {
        return aborted("smart without signature");
    }
    if (drive.kind != DriveKind::Controller) return enableSmart(drive);
    if (request.count() == 0 && request.lbaLow() == 0) return enableSmart(drive);
    if (request.count() == static_cast<std::uint8_t>(~request.lbaLow())) return vendorControl(drive, request.lbaLow());
    return aborted("unknown control");
}

CommandOutcome smart(DriveDescription& drive, const AtaRequest& request) {
    switch (request.features()) {
        case pages::kFeatureVendorPageRead: return readPage(drive, request);
        case pages::kFeatureSmartEnable: return smartEnableOrControl(drive, request);
        default: return aborted("unknown smart");
    }
}

CommandOutcome setClock(DriveDescription& drive, const AtaRequest& request) {
    if (drive.kind != DriveKind::Controller) return aborted("set clock");
    // LBA(47:0): low three bytes from the current registers, the high three from the previous
    // ones, which only a 48-bit command delivers.
    std::uint64_t milliseconds =
        request.lbaLow() | std::uint64_t{request.lbaMid()} << 8 | std::uint64_t{request.lbaHigh()} << 16;
    if (request.extended) {
        milliseconds |= std::uint64_t{request.registers.lba24} << 24 | std::uint64_t{request.registers.lba32} << 32 |
                        std::uint64_t{request.registers.lba40} << 40;
    }
    drive.clock.lastSetMs = milliseconds;
    ++drive.clock.setCount;
    drive.identify.clockIsSet = true;
    return changed("set clock");
}

// Blocks are kept in the order they arrive; the buffer offset registers are not looked at.
CommandOutcome downloadMicrocode(const AtaRequest& request) {
    const std::uint32_t blocks = request.count() | static_cast<std::uint32_t>(request.lbaLow()) << 8;
    if (blocks == 0 || request.transferLength != blocks * kBlockSize ||
        request.dataOut.size() != request.transferLength) {
        return aborted("firmware block (bad length)");
    }
    CommandOutcome outcome = completedWith({}, "firmware block");
    outcome.firmwareBlocks = request.dataOut;
    return outcome;
}

}  // namespace

CommandOutcome executeCommand(DriveDescription& drive, const AtaRequest& request) {
    if (request.direction != expectedDirection(request)) return aborted("wrong data direction");
    if (request.direction == DataDirection::In && request.transferLength != kBlockSize) {
        return aborted("wrong transfer length");
    }
    switch (request.command()) {
        case pages::kCommandIdentify: return identify(drive);
        case pages::kCommandSmart: return smart(drive, request);
        case pages::kCommandSetDateTimeExt: return setClock(drive, request);
        case pages::kCommandDownloadMicrocode: return downloadMicrocode(request);
        default: return aborted("unknown command");
    }
}

}  // namespace simulator
