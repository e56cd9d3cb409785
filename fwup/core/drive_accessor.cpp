#include "fwup/core/drive_accessor.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "common/vendor_pages.h"
#include "fwup/core/fwup_texts.h"
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

lmx::AtaPassThroughDirect baseRequest(std::uint16_t flags, std::uint32_t timeOut, void* data) {
    lmx::AtaPassThroughDirect request;
    std::memset(&request, 0, sizeof request);
    request.Length = sizeof request;
    request.AtaFlags = flags;
    request.DataTransferLength = kBlockSize;
    request.TimeOutValue = timeOut;
    request.DataBuffer = data;
    return request;
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
    char name[32];
    std::snprintf(name, sizeof name, "\\\\.\\PhysicalDrive%d", driveNumber);
    auto handle = platform::DriveHandle::open(name);
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
    std::memset(&reply, 0, sizeof reply);
    if (!handle_->ioControl(lmx::kIoctlAtaPassThroughDirect, &request, sizeof request, &reply, sizeof reply)) {
        return false;
    }
    return !(reply.CurrentTaskFile[lmx::kTaskCommand] & lmx::kAtaStatusErr);
}

std::optional<SatRequest> buildSatRequest(lmx::AtaPassThroughDirect& request, const std::uint8_t* data) {
    const std::uint8_t command = request.CurrentTaskFile[lmx::kTaskCommand];
    if (command != pages::kCommandIdentify && command != pages::kCommandDownloadMicrocode) return std::nullopt;
    if (request.DataTransferLength > lmx::kSatDataSize) return std::nullopt;
    if (command == pages::kCommandIdentify) request.CurrentTaskFile[lmx::kTaskSectorCount] = 1;

    SatRequest sat;
    lmx::fillScsiPassThroughHeader(request, sat.buffer);
    // For these two commands (PIO, 28-bit) the block is 85 08 0E … for IDENTIFY DEVICE and
    // 85 0A 06 … for DOWNLOAD MICROCODE: protocol, direction, byte blocks, length in the count.
    lmx::fillAtaPassThrough16(request, sat.buffer.Cdb);
    sat.sizes = lmx::scsiPassThroughSizes(sat.buffer.DataIn, request.DataTransferLength);
    if (sat.buffer.DataIn == lmx::kScsiDataOut && data) {
        std::memcpy(sat.buffer.Data, data, request.DataTransferLength);
    }
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
    if (!handle_->ioControl(lmx::kIoctlScsiPassThrough, &buffer, sat->sizes.in, &buffer, sat->sizes.out)) {
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
    lmx::AtaPassThroughDirect request = baseRequest(lmx::kAtaFlagsDataIn, kIdentifyTimeOutSeconds, data);
    request.CurrentTaskFile[lmx::kTaskDevice] = pages::kDeviceLba;
    request.CurrentTaskFile[lmx::kTaskCommand] = pages::kCommandIdentify;
    return request;
}

lmx::AtaPassThroughDirect downloadMicrocodeRequest(const void* block) {
    // The driver only reads a data-out buffer.
    lmx::AtaPassThroughDirect request =
        baseRequest(lmx::kAtaFlagsDataOut, kDownloadTimeOutSeconds, const_cast<void*>(block));
    request.CurrentTaskFile[lmx::kTaskFeatures] = kDownloadWithOffsetsAndSave;
    request.CurrentTaskFile[lmx::kTaskSectorCount] = 1;
    request.CurrentTaskFile[lmx::kTaskDevice] = pages::kDeviceLba;
    request.CurrentTaskFile[lmx::kTaskCommand] = pages::kCommandDownloadMicrocode;
    return request;
}

}  // namespace fwup
