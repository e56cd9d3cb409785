#include "service/monitor/pipe_requests.h"

#include <array>
#include <cstdio>
#include <span>

#include "common/vendor_pages.h"
#include "platform/system_info.h"
#include "platform/win_error.h"
#include "service/controller/controller_commands.h"
#include "service/monitor/settings_store.h"

namespace dwsvc {

namespace pages = lmx::pages;

namespace {

void reportWriteFailure() {
    // The service has no desktop: what would be a message box goes to the debug output.
    char text[96];
    std::snprintf(text, sizeof text, "ERROR: Failed WriteFile function for NamedPipe, GetLastError()=%u.\n",
                  platform::lastError());
    platform::debugOutput(text);
}

void sendStatusTable(ServiceRuntime& runtime, PipeReply& reply) {
    const auto records = runtime.table.records();
    for (const auto& record : records) {
        // Every record goes out, even after a failed write.
        if (!reply.write(&record, sizeof record)) reportWriteFailure();
    }
}

void sendLogPage(ServiceRuntime& runtime, std::uint8_t page, int n, PipeReply& reply, ControllerActions& controllers) {
    std::array<std::uint8_t, pages::kPageSize> block{};
    const bool present = runtime.table.record(n).present == 1;
    const bool read = controllers.readLogPage(page, n, present, block.data());
    const auto header = lmx::makeReplyHeader(read);
    bool written = reply.write(header.data(), header.size());
    if (written && read) written = reply.write(block.data(), block.size());
    if (!written) platform::debugOutput("Failed to send a log page reply; serving the next connection.\n");
}

}  // namespace

void DriveActions::sendVendorControl(std::uint8_t code, int physicalNumber, bool presentAtLastPoll) {
    controller::sendVendorControl(code, physicalNumber, presentAtLastPoll);
}

bool DriveActions::readLogPage(std::uint8_t page, int physicalNumber, bool presentAtLastPoll, std::uint8_t* out512) {
    return controller::readLogPage(page, physicalNumber, presentAtLastPoll, std::span<std::uint8_t, 512>(out512, 512));
}

void handlePipeRequest(ServiceRuntime& runtime, const lmx::PipeRequest& request, PipeReply& reply,
                       ControllerActions& controllers) {
    const std::uint32_t value = lmx::requestValue(request);
    const int n = request.physicalNumber;
    const bool validDrive = n < lmx::kPhysicalDriveCount;
    const auto control = [&](std::uint8_t code) {
        // A drive number outside 0-5 names no drive the service watches: nothing is sent.
        if (validDrive) controllers.sendVendorControl(code, n, runtime.table.record(n).present == 1);
        runtime.changeEvent.set();
    };
    switch (request.code) {
        case lmx::kRequestStatusTable: sendStatusTable(runtime, reply); break;
        case lmx::kRequestRefresh:
            runtime.notifyRequested = true;
            runtime.changeEvent.set();
            break;
        case lmx::kRequestSetInterval:
            writeSetting(kIntervalSetting, value);
            runtime.intervalMilliseconds = lmx::intervalMilliseconds(value & lmx::kIntervalBitsMask);
            runtime.changeEvent.set();
            break;
        case lmx::kRequestStartVerify: control(pages::kControlStartVerify); break;
        case lmx::kRequestStopVerify: control(pages::kControlStopVerify); break;
        case lmx::kRequestSetPatrol:
            writeSetting(kPatrolSetting, value);
            runtime.patrolEvent.set();
            break;
        case lmx::kRequestLogPageF4:
        case lmx::kRequestLogPageF5: {
            const std::uint8_t page = request.code == lmx::kRequestLogPageF4 ? pages::kMirrorLogPageA : pages::kMirrorLogPageB;
            if (validDrive) {
                sendLogPage(runtime, page, n, reply, controllers);
            } else {
                const auto header = lmx::makeReplyHeader(false);
                reply.write(header.data(), header.size());
            }
            break;
        }
        case lmx::kRequestSetTemperature:
            writeSetting(kTemperatureSetting, value);
            runtime.temperatureSetting = value;
            runtime.changeEvent.set();
            break;
        case lmx::kRequestSilenceBuzzer: control(pages::kControlSilenceBuzzer); break;
        case lmx::kRequestSetPopMsg: writeSetting(kPopMsgSetting, value); break;
        case lmx::kRequestIsReady: {
            const auto header = lmx::makeReplyHeader(runtime.ready);
            if (!reply.write(header.data(), header.size())) reportWriteFailure();
            break;
        }
        case lmx::kRequestEndVerify: control(pages::kControlEndVerify); break;
        case lmx::kRequestSetDialog:
            writeSetting(kDialogSetting, value);
            runtime.changeEvent.set();
            break;
        default: break;  // 14-255: ignored
    }
}

}  // namespace dwsvc
