#include "service/controller/ata_transport.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

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
    if (sat.ScsiStatus == lmx::kScsiStatusGood) return true;
    if (sat.ScsiStatus != lmx::kScsiStatusCheckCondition) return false;
    const std::uint8_t* sense = sat.Sense;
    auto* current = reply.CurrentTaskFile;
    auto* previous = reply.PreviousTaskFile;
    const auto clearHighOrder = [&] { std::memset(previous + 1, 0, 4); };
    std::uint8_t senseKey = 0;
    switch (sense[0] & 0x7F) {
        case 0x70:
        case 0x71:
            if (sense[0] & 0x80) {
                current[lmx::kTaskFeatures] = sense[3];
                current[lmx::kTaskCommand] = sense[4];
                current[lmx::kTaskDevice] = sense[5];
                current[lmx::kTaskSectorCount] = sense[6];
                current[lmx::kTaskLbaLow] = sense[9];
                current[lmx::kTaskLbaMid] = sense[10];
                current[lmx::kTaskLbaHigh] = sense[11];
                clearHighOrder();
            }
            senseKey = sense[2] & 0x0F;
            break;
        case 0x72:
        case 0x73:
            senseKey = sense[1] & 0x0F;
            if (sense[8] == lmx::kAtaStatusReturnDescriptor) {
                current[lmx::kTaskFeatures] = sense[11];
                current[lmx::kTaskSectorCount] = sense[13];
                current[lmx::kTaskLbaLow] = sense[15];
                current[lmx::kTaskLbaMid] = sense[17];
                current[lmx::kTaskLbaHigh] = sense[19];
                current[lmx::kTaskDevice] = sense[20];
                current[lmx::kTaskCommand] = sense[21];
                if (sense[10] & 0x01) {
                    previous[lmx::kTaskSectorCount] = sense[12];
                    previous[lmx::kTaskLbaLow] = sense[14];
                    previous[lmx::kTaskLbaMid] = sense[16];
                    previous[lmx::kTaskLbaHigh] = sense[18];
                } else {
                    clearHighOrder();
                }
            }
            break;
        default: return false;
    }
    return senseKey == lmx::kSenseNoSense || senseKey == lmx::kSenseRecoveredError;
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
