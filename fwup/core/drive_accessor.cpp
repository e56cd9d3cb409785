#include "fwup/core/drive_accessor.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "common/ata_command_builder.h"
#include "common/vendor_pages.h"
#include "fwup/core/fwup_texts.h"
#include "platform/ata_pass_through_calls.h"
#include "platform/system_info.h"
#include "platform/win_error.h"

namespace fwup {

namespace pages = lmx::pages;

namespace {

constexpr std::uint8_t kDownloadWithOffsetsAndSave = 0x07;  // DOWNLOAD MICROCODE subcommand 07h

// The first multiple of the alignment strictly above the block's address, so that the whole
// working buffer fits in a block of its size plus one alignment unit.
std::uint8_t* alignedStart(std::uint8_t* block) {
    const auto address = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t aligned = (address / kBufferAlignment + 1) * kBufferAlignment;
    return block + (aligned - address);
}

}  // namespace

std::unique_ptr<DriveAccessor> DriveAccessor::create(MessageSink showMessage) {
    std::unique_ptr<std::uint8_t[]> allocation(new (std::nothrow) std::uint8_t[kWorkingBufferSize + kBufferAlignment]);
    if (!allocation) return nullptr;
    return std::unique_ptr<DriveAccessor>(new DriveAccessor(std::move(allocation), std::move(showMessage)));
}

DriveAccessor::DriveAccessor(std::unique_ptr<std::uint8_t[]> allocation, MessageSink showMessage)
    : workingBuffer_(alignedStart(allocation.get())),
      allocation_(std::move(allocation)),
      showMessage_(std::move(showMessage)) {
    std::memset(workingBuffer_, 0, kWorkingBufferSize);
}

DriveAccessor::~DriveAccessor() { close_drive(); }

void DriveAccessor::showMessage(std::string_view text) const {
    if (showMessage_) showMessage_(text);
}

bool DriveAccessor::open_drive(int driveNumber) {
    close_drive();
    auto handle = platform::DriveHandle::open(platform::physicalDrivePath(driveNumber));
    if (!handle) {
        lastOpenError_ = platform::lastError();
        return false;
    }
    lastOpenError_ = platform::kErrorSuccess;
    handle_ = std::move(handle);
    driveNumber_ = driveNumber;
    return true;
}

void DriveAccessor::close_drive() {
    handle_.reset();
    driveNumber_ = -1;
}

bool DriveAccessor::send_ata_direct(lmx::AtaPassThroughDirect& request, lmx::AtaPassThroughDirect& reply) {
    if (!handle_) return false;
    if (!platform::callAtaPassThroughDirect(*handle_, request, reply)) return false;
    return !(reply.CurrentTaskFile[lmx::kTaskCommand] & lmx::kAtaStatusErr);
}

std::optional<SatRequest> buildSatRequest(lmx::AtaPassThroughDirect& request, const std::uint8_t* data) {
    const std::uint8_t command = request.CurrentTaskFile[lmx::kTaskCommand];
    if (command != pages::kCommandIdentify && command != pages::kCommandDownloadMicrocode) return std::nullopt;
    if (command == pages::kCommandIdentify) request.CurrentTaskFile[lmx::kTaskSectorCount] = 1;
    // For these two commands (PIO, 28-bit) the block is 85 08 0E … for IDENTIFY DEVICE and
    // 85 0A 06 … for DOWNLOAD MICROCODE: protocol, direction, byte blocks, length in the count.
    SatRequest sat;
    const auto sizes = lmx::buildSatRequest(request, data, sat.buffer);
    if (!sizes) return std::nullopt;
    sat.sizes = *sizes;
    return sat;
}

bool DriveAccessor::send_ata_sat(lmx::AtaPassThroughDirect& request, std::uint8_t* data) {
    auto sat = buildSatRequest(request, data);
    if (!sat) return false;
    if (!handle_) {
        showMessage(kNotSelectDevice);
        return false;
    }
    lmx::ScsiPassThroughRequest& buffer = sat->buffer;
    if (!platform::callScsiPassThrough(*handle_, buffer, sat->sizes)) {
        char line[48];
        std::snprintf(line, sizeof line, "send_ata_sat: LastError = %08X\n", platform::lastError());
        platform::debugOutput(line);
        return false;
    }
    if (buffer.ScsiStatus != lmx::kScsiStatusGood) return false;
    if (buffer.DataIn == lmx::kScsiDataIn && data) {
        // The length as the driver returned it, but never more than was asked for.
        const std::uint32_t returned = std::min(lmx::u32(buffer.DataTransferLength), request.DataTransferLength);
        std::memcpy(data, buffer.Data, returned);
    }
    return true;
}

bool DriveAccessor::identify_device() {
    if (!handle_) {
        showMessage(kNotSelectDevice);
        return false;
    }
    // Nothing of an earlier drive's answer may pass for this one's.
    std::memset(workingBuffer_, 0, kBlockSize);
    lmx::AtaPassThroughDirect request = identifyRequest(workingBuffer_);
    lmx::AtaPassThroughDirect reply;
    return send_ata_direct(request, reply) || send_ata_sat(request, workingBuffer_);
}

lmx::AtaPassThroughDirect identifyRequest(void* data) {
    lmx::AtaRegisters registers;
    registers.device = pages::kDeviceLba;
    registers.command = pages::kCommandIdentify;
    return lmx::makeAtaRequest(registers, lmx::kAtaFlagsDataIn, kBlockSize, kIdentifyTimeOutSeconds, data);
}

lmx::AtaPassThroughDirect downloadMicrocodeRequest(const void* block) {
    lmx::AtaRegisters registers;
    registers.features = kDownloadWithOffsetsAndSave;
    registers.count = 1;
    registers.device = pages::kDeviceLba;
    registers.command = pages::kCommandDownloadMicrocode;
    // The driver only reads a data-out buffer.
    return lmx::makeAtaRequest(registers, lmx::kAtaFlagsDataOut, kBlockSize, kDownloadTimeOutSeconds,
                               const_cast<void*>(block));
}

}  // namespace fwup
