#include "platform/windows/scsi_pass_through_layout.h"

#include <windows.h>
#include <ntddscsi.h>

#include <algorithm>
#include <cstring>

#include "common/ata_pass_through.h"
#include "platform/win_error.h"

namespace platform::win32 {

static_assert(sizeof(NativeScsiPassThrough) == sizeof(SCSI_PASS_THROUGH));
static_assert(offsetof(NativeScsiPassThrough, DataBufferOffset) == offsetof(SCSI_PASS_THROUGH, DataBufferOffset));
static_assert(offsetof(NativeScsiPassThrough, SenseInfoOffset) == offsetof(SCSI_PASS_THROUGH, SenseInfoOffset));
static_assert(offsetof(NativeScsiPassThrough, Cdb) == offsetof(SCSI_PASS_THROUGH, Cdb));

namespace {

constexpr std::uint32_t kHeader32 = lmx::kScsiPassThroughHeaderSize;
constexpr std::uint32_t kNativeHeader = sizeof(NativeScsiPassThrough);

constexpr std::uint32_t alignedTo8(std::uint32_t size) { return (size + 7u) & ~7u; }

bool within(std::uint64_t offset, std::uint64_t length, std::uint64_t size) {
    return offset >= kHeader32 && offset + length <= size;
}

}  // namespace

std::optional<NativeScsiRequest> NativeScsiRequest::build(const void* in, std::uint32_t inSize, std::uint32_t outSize,
                                                          std::uint32_t& error) {
    error = kErrorInvalidParameter;
    if (!in || inSize < kHeader32 || outSize < kHeader32) return std::nullopt;
    lmx::ScsiPassThroughRequest header;
    std::memcpy(&header, in, kHeader32);
    if (lmx::loadLittleEndian<std::uint16_t>(header.Length) != kHeader32 || header.CdbLength > sizeof header.Cdb) {
        return std::nullopt;
    }

    NativeScsiRequest request;
    request.callerOut_ = outSize;
    request.senseLength_ = header.SenseInfoLength;
    request.senseOffset_ = request.senseLength_ ? lmx::u32(header.SenseInfoOffset) : 0;
    request.dataIn_ = header.DataIn == lmx::kScsiDataIn;
    const bool dataOut = header.DataIn == lmx::kScsiDataOut;
    request.dataLength_ = request.dataIn_ || dataOut ? lmx::u32(header.DataTransferLength) : 0;
    request.dataOffset_ = request.dataLength_ ? lmx::u32(header.DataBufferOffset) : 0;
    // Sense and data where the caller's buffer holds them, the sense first.
    if (request.senseLength_ && !within(request.senseOffset_, request.senseLength_, outSize)) return std::nullopt;
    if (request.dataLength_ &&
        (!within(request.dataOffset_, request.dataLength_, request.dataIn_ ? outSize : inSize) ||
         (request.senseLength_ && request.senseOffset_ + request.senseLength_ > request.dataOffset_))) {
        return std::nullopt;
    }

    request.request_.assign(std::max(inSize, outSize), 0);
    std::memcpy(request.request_.data(), in, inSize);
    request.nativeSense_ = kNativeHeader;
    request.nativeData_ = alignedTo8(kNativeHeader + request.senseLength_);
    request.native_.assign(request.nativeData_ + request.dataLength_, 0);

    NativeScsiPassThrough native{};
    native.Length = kNativeHeader;
    native.PathId = header.PathId;
    native.TargetId = header.TargetId;
    native.Lun = header.Lun;
    native.CdbLength = header.CdbLength;
    native.SenseInfoLength = header.SenseInfoLength;
    native.DataIn = header.DataIn;
    native.DataTransferLength = lmx::u32(header.DataTransferLength);
    native.TimeOutValue = lmx::u32(header.TimeOutValue);
    native.DataBufferOffset = request.nativeData_;
    native.SenseInfoOffset = request.nativeSense_;
    std::memcpy(native.Cdb, header.Cdb, sizeof native.Cdb);
    std::memcpy(request.native_.data(), &native, sizeof native);
    if (dataOut) {
        std::memcpy(request.native_.data() + request.nativeData_, request.request_.data() + request.dataOffset_,
                    request.dataLength_);
    }
    request.nativeIn_ = request.toNativeSize(inSize);
    request.nativeOut_ = request.toNativeSize(outSize);
    error = kErrorSuccess;
    return request;
}

std::uint32_t NativeScsiRequest::toNativeSize(std::uint32_t size) const {
    if (dataLength_ && size >= dataOffset_) return nativeData_ + std::min(size - dataOffset_, dataLength_);
    if (senseLength_ && size > senseOffset_) return nativeSense_ + std::min(size - senseOffset_, senseLength_);
    return kNativeHeader;
}

std::uint32_t NativeScsiRequest::fromNativeSize(std::uint32_t size) const {
    std::uint32_t caller = kHeader32;
    if (dataLength_ && size >= nativeData_) {
        caller = dataOffset_ + std::min(size - nativeData_, dataLength_);
    } else if (senseLength_ && size > nativeSense_) {
        caller = senseOffset_ + std::min(size - nativeSense_, senseLength_);
    }
    return std::min(caller, callerOut_);
}

std::uint32_t NativeScsiRequest::answer(void* out, std::uint32_t nativeReturned) const {
    NativeScsiPassThrough native;
    std::memcpy(&native, native_.data(), sizeof native);
    std::vector<std::uint8_t> reply = request_;
    lmx::ScsiPassThroughRequest header;
    std::memcpy(&header, reply.data(), kHeader32);
    header.ScsiStatus = native.ScsiStatus;
    header.PathId = native.PathId;
    header.TargetId = native.TargetId;
    header.Lun = native.Lun;
    header.SenseInfoLength = static_cast<std::uint8_t>(std::min<std::uint32_t>(native.SenseInfoLength, senseLength_));
    const std::uint32_t moved = std::min(native.DataTransferLength, dataLength_);
    if (dataLength_) lmx::setU32(header.DataTransferLength, moved);
    std::memcpy(reply.data(), &header, kHeader32);
    if (senseLength_) std::memcpy(reply.data() + senseOffset_, native_.data() + nativeSense_, senseLength_);
    if (dataIn_) std::memcpy(reply.data() + dataOffset_, native_.data() + nativeData_, moved);
    std::memcpy(out, reply.data(), callerOut_);
    return fromNativeSize(nativeReturned);
}

}  // namespace platform::win32
