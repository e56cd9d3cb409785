#include "service/controller/ata_transport.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "common/ata_command_builder.h"
#include "common/sense_data.h"
#include "common/sense_decoder.h"
#include "platform/ata_pass_through_calls.h"
#include "platform/system_info.h"
#include "platform/win_error.h"

namespace controller {

namespace {

std::mutex gConversationLock;

bool isDataIn(const lmx::AtaPassThroughDirect& request) { return request.AtaFlags & lmx::kAtaFlagsDataIn; }

void clearReply(lmx::AtaPassThroughDirect& reply) { std::memset(&reply, 0, sizeof reply); }

}  // namespace

Drive::~Drive() { closeDrive(*this); }

int openDrive(int physicalNumber, bool presentAtLastPoll, Drive& drive) {
    closeDrive(drive);
    std::unique_lock lock(gConversationLock);
    const std::string name = platform::physicalDrivePath(physicalNumber);
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

lmx::AtaPassThroughDirect makeAtaRequest(const lmx::AtaRegisters& registers, std::uint16_t flags,
                                         std::uint32_t transferLength, void* data) {
    return lmx::makeAtaRequest(registers, flags, transferLength, kCommandTimeOutSeconds, data);
}

bool send_ata_direct(Drive& drive, lmx::AtaPassThroughDirect& request, lmx::AtaPassThroughDirect& reply,
                     bool checkError) {
    if (!drive.handle()) return false;
    if (!platform::callAtaPassThroughDirect(*drive.handle(), request, reply)) return false;
    return !checkError || !(reply.CurrentTaskFile[lmx::kTaskCommand] & lmx::kAtaStatusErr);
}

bool readSatOutcome(const lmx::ScsiPassThroughRequest& sat, lmx::AtaPassThroughDirect& reply) {
    if (sat.ScsiStatus == lmx::kScsiStatusGood) return true;
    if (sat.ScsiStatus != lmx::kScsiStatusCheckCondition) return false;
    const std::size_t length = std::min<std::size_t>(sat.SenseInfoLength, sizeof sat.Sense);
    const auto key = lmx::sense::senseKey(sat.Sense, length);
    if (!key) return false;
    // Whatever registers the sense delivers, the low-order ones alone too (fixed format, or a
    // descriptor without EXTEND); the high-order bytes the sense does not carry read 0.
    if (const auto registers = lmx::sense::ataStatusReturn(sat.Sense, length, false)) {
        lmx::storeTaskFile(*registers, true, reply);
    }
    return lmx::sense::senseKeyMeansSuccess(*key);
}

bool send_ata_command_using_sat(Drive& drive, lmx::AtaPassThroughDirect& request, lmx::AtaPassThroughDirect& reply,
                                std::uint8_t* data) {
    if (!drive.handle()) return false;
    lmx::ScsiPassThroughRequest sat;
    const auto sizes = lmx::buildSatRequest(request, data, sat);
    if (!sizes) return false;
    clearReply(reply);
    if (!platform::callScsiPassThrough(*drive.handle(), sat, *sizes)) {
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
