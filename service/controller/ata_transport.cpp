#include "service/controller/ata_transport.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "common/sense_data.h"
#include "platform/system_info.h"
#include "platform/win_error.h"

namespace controller {

namespace {

std::mutex gConversationLock;

bool isDataIn(const lmx::AtaPassThroughDirect& request) { return request.AtaFlags & lmx::kAtaFlagsDataIn; }
bool isDataOut(const lmx::AtaPassThroughDirect& request) { return request.AtaFlags & lmx::kAtaFlagsDataOut; }

void clearReply(lmx::AtaPassThroughDirect& reply) { std::memset(&reply, 0, sizeof reply); }

}  // namespace

Drive::~Drive() { closeDrive(*this); }

int openDrive(int physicalNumber, bool presentAtLastPoll, Drive& drive) {
    closeDrive(drive);
    std::unique_lock lock(gConversationLock);
    char name[24];
    std::snprintf(name, sizeof name, "\\\\.\\PHYSICALDRIVE%d", physicalNumber);
    for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
        if (auto handle = platform::DriveHandle::open(name)) {
            drive.handle_ = std::move(handle);
            break;
        }
        if (!presentAtLastPoll) return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    drive.lock_ = std::move(lock);
    drive.number_ = physicalNumber;
    return 0;
}

void closeDrive(Drive& drive) {
    drive.handle_.reset();
    drive.number_ = -1;
    if (drive.lock_.owns_lock()) drive.lock_.unlock();
    drive.lock_ = {};
}

lmx::AtaPassThroughDirect makeAtaRequest(const AtaCommand& command, void* data) {
    lmx::AtaPassThroughDirect request;
    std::memset(&request, 0, sizeof request);
    request.Length = sizeof request;
    request.AtaFlags = command.flags;
    request.DataTransferLength = command.transferLength;
    request.TimeOutValue = kCommandTimeOutSeconds;
    request.DataBuffer = data;
    request.CurrentTaskFile[lmx::kTaskFeatures] = command.features;
    request.CurrentTaskFile[lmx::kTaskSectorCount] = command.sectorCount;
    request.CurrentTaskFile[lmx::kTaskLbaLow] = command.lbaLow;
    request.CurrentTaskFile[lmx::kTaskLbaMid] = command.lbaMid;
    request.CurrentTaskFile[lmx::kTaskLbaHigh] = command.lbaHigh;
    request.CurrentTaskFile[lmx::kTaskDevice] = command.device;
    request.CurrentTaskFile[lmx::kTaskCommand] = command.command;
    return request;
}

bool send_ata_direct(Drive& drive, lmx::AtaPassThroughDirect& request, lmx::AtaPassThroughDirect& reply,
                     bool checkError) {
    if (!drive.handle()) return false;
    clearReply(reply);
    if (!drive.handle()->ioControl(lmx::kIoctlAtaPassThroughDirect, &request, sizeof request, &reply, sizeof reply)) {
        return false;
    }
    return !checkError || !(reply.CurrentTaskFile[lmx::kTaskCommand] & lmx::kAtaStatusErr);
}

SatRequestSizes buildSatRequest(lmx::AtaPassThroughDirect& request, const std::uint8_t* data,
                                lmx::ScsiPassThroughRequest& sat) {
    if ((isDataIn(request) || isDataOut(request)) && request.CurrentTaskFile[lmx::kTaskSectorCount] == 0) {
        request.CurrentTaskFile[lmx::kTaskSectorCount] = 1;
    }
    lmx::fillScsiPassThroughHeader(request, sat);
    lmx::fillAtaPassThrough16(request, sat.Cdb);
    if (isDataOut(request) && data) std::memcpy(sat.Data, data, request.DataTransferLength);
    return lmx::scsiPassThroughSizes(sat.DataIn, request.DataTransferLength);
}

bool readSatOutcome(const lmx::ScsiPassThroughRequest& sat, lmx::AtaPassThroughDirect& reply) {
    namespace sense = lmx::sense;
    if (sat.ScsiStatus == lmx::kScsiStatusGood) return true;
    if (sat.ScsiStatus != lmx::kScsiStatusCheckCondition) return false;
    const std::uint8_t* data = sat.Sense;
    auto* current = reply.CurrentTaskFile;
    auto* previous = reply.PreviousTaskFile;
    const auto clearHighOrder = [&] { std::memset(previous + 1, 0, 4); };
    std::uint8_t senseKey = 0;
    switch (data[sense::kResponseCode] & sense::kResponseCodeMask) {
        case sense::kFixedCurrent:
        case sense::kFixedDeferred:
            if (data[sense::kResponseCode] & sense::kValidBit) {
                current[lmx::kTaskFeatures] = data[sense::kFixedError];
                current[lmx::kTaskCommand] = data[sense::kFixedStatus];
                current[lmx::kTaskDevice] = data[sense::kFixedDevice];
                current[lmx::kTaskSectorCount] = data[sense::kFixedCount];
                current[lmx::kTaskLbaLow] = data[sense::kFixedLbaLow];
                current[lmx::kTaskLbaMid] = data[sense::kFixedLbaMid];
                current[lmx::kTaskLbaHigh] = data[sense::kFixedLbaHigh];
                clearHighOrder();
            }
            senseKey = data[sense::kFixedSenseKey] & sense::kSenseKeyMask;
            break;
        case sense::kDescriptorCurrent:
        case sense::kDescriptorDeferred: {
            senseKey = data[sense::kDescriptorSenseKey] & sense::kSenseKeyMask;
            // The ATA Status Return, when there is one, is the first descriptor.
            const std::uint8_t* ata = data + sense::kFirstDescriptor;
            if (ata[sense::kReturnCode] == sense::kAtaStatusReturnDescriptor) {
                current[lmx::kTaskFeatures] = ata[sense::kReturnError];
                current[lmx::kTaskSectorCount] = ata[sense::kReturnCount];
                current[lmx::kTaskLbaLow] = ata[sense::kReturnLbaLow];
                current[lmx::kTaskLbaMid] = ata[sense::kReturnLbaMid];
                current[lmx::kTaskLbaHigh] = ata[sense::kReturnLbaHigh];
                current[lmx::kTaskDevice] = ata[sense::kReturnDevice];
                current[lmx::kTaskCommand] = ata[sense::kReturnStatus];
                if (ata[sense::kReturnExtend] & sense::kReturnExtendBit) {
                    previous[lmx::kTaskSectorCount] = ata[sense::kReturnCountHigh];
                    previous[lmx::kTaskLbaLow] = ata[sense::kReturnLba24];
                    previous[lmx::kTaskLbaMid] = ata[sense::kReturnLba32];
                    previous[lmx::kTaskLbaHigh] = ata[sense::kReturnLba40];
                } else {
                    clearHighOrder();
                }
            }
            break;
        }
        default: return false;
    }
    return sense::senseKeyMeansSuccess(senseKey);
}

bool send_ata_command_using_sat(Drive& drive, lmx::AtaPassThroughDirect& request, lmx::AtaPassThroughDirect& reply,
                                std::uint8_t* data) {
    if (!drive.handle()) return false;
    if (request.DataTransferLength > lmx::kSatDataSize) return false;
    clearReply(reply);
    lmx::ScsiPassThroughRequest sat;
    const auto sizes = buildSatRequest(request, data, sat);
    if (!drive.handle()->ioControl(lmx::kIoctlScsiPassThrough, &sat, sizes.in, &sat, sizes.out)) {
        char line[40];
        std::snprintf(line, sizeof line, "LastError = %08X.\n", platform::lastError());
        platform::debugOutput("send_ata_command_using_sat Error\n");
        platform::debugOutput(line);
        return false;
    }
    if (!readSatOutcome(sat, reply)) return false;
    if (isDataIn(request) && data) std::memcpy(data, sat.Data, request.DataTransferLength);
    return true;
}

bool sendAtaCommand(Drive& drive, lmx::AtaPassThroughDirect& request, lmx::AtaPassThroughDirect& reply, bool checkError,
                    std::uint8_t* data) {
    return send_ata_direct(drive, request, reply, checkError) || send_ata_command_using_sat(drive, request, reply, data);
}

}  // namespace controller
