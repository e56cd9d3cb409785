#include "platform/linux/sg_io_translation.h"

#include <cstring>

#include "platform/linux/ata_pass_through_sense.h"
#include "platform/physical_drive.h"
#include "platform/win_error.h"

namespace platform::sgio {

namespace {

std::uint32_t field32(const std::uint8_t* buffer, std::size_t offset) {
    return lmx::loadLittleEndian<std::uint32_t>(buffer + offset);
}

constexpr std::size_t kStatusOffset = offsetof(lmx::ScsiPassThroughRequest, ScsiStatus);
constexpr std::size_t kCdbLengthOffset = offsetof(lmx::ScsiPassThroughRequest, CdbLength);
constexpr std::size_t kSenseLengthOffset = offsetof(lmx::ScsiPassThroughRequest, SenseInfoLength);
constexpr std::size_t kDataInOffset = offsetof(lmx::ScsiPassThroughRequest, DataIn);
constexpr std::size_t kTransferOffset = offsetof(lmx::ScsiPassThroughRequest, DataTransferLength);
constexpr std::size_t kTimeOutOffset = offsetof(lmx::ScsiPassThroughRequest, TimeOutValue);
constexpr std::size_t kDataOffsetOffset = offsetof(lmx::ScsiPassThroughRequest, DataBufferOffset);
constexpr std::size_t kSenseOffsetOffset = offsetof(lmx::ScsiPassThroughRequest, SenseInfoOffset);
constexpr std::size_t kCdbOffset = offsetof(lmx::ScsiPassThroughRequest, Cdb);

}  // namespace

bool buildRequest(std::uint8_t* buffer, std::uint32_t inSize, std::uint32_t outSize, sg_io_hdr_t& header,
                  std::uint32_t& error) {
    error = kErrorInvalidParameter;
    const std::uint32_t size = inSize > outSize ? inSize : outSize;
    if (!buffer || inSize < lmx::kScsiPassThroughHeaderSize || outSize < lmx::kScsiPassThroughHeaderSize) return false;
    if (lmx::loadLittleEndian<std::uint16_t>(buffer) != lmx::kScsiPassThroughHeaderSize) return false;
    const std::uint8_t cdbLength = buffer[kCdbLengthOffset];
    if (cdbLength == 0 || cdbLength > 16) return false;

    const std::uint8_t direction = buffer[kDataInOffset];
    const std::uint32_t transfer = field32(buffer, kTransferOffset);
    const std::uint32_t dataOffset = field32(buffer, kDataOffsetOffset);
    const std::uint32_t senseOffset = field32(buffer, kSenseOffsetOffset);
    const std::uint8_t senseLength = buffer[kSenseLengthOffset];
    if (senseLength > 0 && (senseOffset < lmx::kScsiPassThroughHeaderSize || senseOffset > outSize ||
                            senseLength > outSize - senseOffset)) {
        return false;
    }
    if (direction > lmx::kScsiDataUnspecified) return false;
    if (direction != lmx::kScsiDataUnspecified && transfer > 0) {
        // Data out must lie within what the caller passed in; data in within what it takes back.
        const std::uint32_t limit = direction == lmx::kScsiDataOut ? inSize : outSize;
        if (dataOffset < lmx::kScsiPassThroughHeaderSize || dataOffset > limit || transfer > limit - dataOffset ||
            dataOffset > size) {
            return false;
        }
    }

    std::memset(&header, 0, sizeof header);
    header.interface_id = 'S';
    header.cmd_len = cdbLength;
    header.cmdp = buffer + kCdbOffset;
    header.mx_sb_len = senseLength;
    header.sbp = senseLength > 0 ? buffer + senseOffset : nullptr;
    if (direction == lmx::kScsiDataUnspecified || transfer == 0) {
        header.dxfer_direction = SG_DXFER_NONE;
    } else {
        header.dxfer_direction = direction == lmx::kScsiDataIn ? SG_DXFER_FROM_DEV : SG_DXFER_TO_DEV;
        header.dxfer_len = transfer;
        header.dxferp = buffer + dataOffset;
    }
    header.timeout = timeoutMilliseconds(field32(buffer, kTimeOutOffset));
    error = kErrorSuccess;
    return true;
}

unsigned timeoutMilliseconds(std::uint32_t seconds) { return (seconds > 0 && seconds < 86'400 ? seconds : 60) * 1000; }

bool transportFailed(const sg_io_hdr_t& header, std::uint32_t& error) {
    // As a driver that could not reach the device reports it.
    if (header.host_status == 0 || header.status != 0 || header.sb_len_wr != 0) return false;
    error = header.host_status == 0x03 /* DID_TIME_OUT */ ? kErrorSemTimeout : kErrorIoDevice;
    return true;
}

std::uint32_t transferred(const sg_io_hdr_t& header) {
    const bool residueKnown = header.resid > 0 && static_cast<std::uint32_t>(header.resid) <= header.dxfer_len;
    return residueKnown ? header.dxfer_len - static_cast<std::uint32_t>(header.resid) : header.dxfer_len;
}

bool commandSucceeded(const sg_io_hdr_t& header) {
    // DRIVER_SENSE only says that sense data came back.
    constexpr unsigned kDriverSense = 0x08;
    if (header.host_status != 0 || (header.driver_status & ~kDriverSense) != 0) return false;
    if (header.status == lmx::kScsiStatusGood) return true;
    if (header.status != lmx::kScsiStatusCheckCondition) return false;
    const auto key = senseKey(header.sbp, header.sb_len_wr);
    return key && senseKeyMeansSuccess(*key);
}

bool completeRequest(const sg_io_hdr_t& header, std::uint8_t* buffer, bool libataSense, std::uint32_t& error) {
    if (transportFailed(header, error)) return false;
    if (libataSense && isAtaPassThrough(header.cmdp, header.cmd_len)) {
        normaliseLibataSense(header.sbp, header.sb_len_wr);
    }
    buffer[kStatusOffset] = header.status;
    buffer[kSenseLengthOffset] = header.sb_len_wr;
    if (header.dxfer_direction != SG_DXFER_NONE) {
        std::uint32_t moved = transferred(header);
        if (header.dxfer_direction == SG_DXFER_FROM_DEV && !commandSucceeded(header)) {
            std::memset(header.dxferp, 0, header.dxfer_len);
            moved = 0;
        }
        lmx::storeLittleEndian(buffer + kTransferOffset, moved);
    }
    error = kErrorSuccess;
    return true;
}

}  // namespace platform::sgio
