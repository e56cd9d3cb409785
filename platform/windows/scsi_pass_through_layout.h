#pragma once
// The SCSI pass-through request as the programs build it (lmx::ScsiPassThroughRequest: the
// 44-byte header of a 32-bit process, sense and data at the offsets it names) rebuilt in this
// process's own SCSI_PASS_THROUGH layout, and the driver's answer carried back. A 64-bit driver
// takes a 64-bit process's request only in the 64-bit layout (56-byte header, 8-byte data
// offset), so the request cannot go to it as it is.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace platform::win32 {

// SCSI_PASS_THROUGH with this process's natural alignment (ntddscsi.h's own).
struct NativeScsiPassThrough {
    std::uint16_t Length;
    std::uint8_t ScsiStatus;
    std::uint8_t PathId;
    std::uint8_t TargetId;
    std::uint8_t Lun;
    std::uint8_t CdbLength;
    std::uint8_t SenseInfoLength;
    std::uint8_t DataIn;
    std::uint32_t DataTransferLength;
    std::uint32_t TimeOutValue;
    std::uintptr_t DataBufferOffset;
    std::uint32_t SenseInfoOffset;
    std::uint8_t Cdb[16];
};

class NativeScsiRequest {
public:
    // The request in `in` (inSize bytes) with room for an answer of outSize bytes; empty with
    // `error` 87 when its header, sense or data do not lie within those sizes.
    static std::optional<NativeScsiRequest> build(const void* in, std::uint32_t inSize, std::uint32_t outSize,
                                                  std::uint32_t& error);

    // The buffer and sizes for DeviceIoControl (one buffer for input and output).
    void* buffer() { return native_.data(); }
    std::uint32_t inSize() const { return nativeIn_; }
    std::uint32_t outSize() const { return nativeOut_; }

    // Writes the request back into `out` (outSize bytes, as built) with what the driver returned
    // in `nativeReturned` bytes: SCSI status, sense and its length, the data that came and the
    // length moved. Returns the byte count in the caller's layout.
    std::uint32_t answer(void* out, std::uint32_t nativeReturned) const;

private:
    NativeScsiRequest() = default;
    std::uint32_t toNativeSize(std::uint32_t size) const;
    std::uint32_t fromNativeSize(std::uint32_t size) const;

    std::vector<std::uint8_t> request_;  // the caller's request, max(inSize, outSize) bytes
    std::vector<std::uint8_t> native_;
    std::uint32_t callerOut_ = 0;
    std::uint32_t senseOffset_ = 0;
    std::uint32_t senseLength_ = 0;
    std::uint32_t dataOffset_ = 0;
    std::uint32_t dataLength_ = 0;
    bool dataIn_ = false;
    std::uint32_t nativeSense_ = 0;
    std::uint32_t nativeData_ = 0;
    std::uint32_t nativeIn_ = 0;
    std::uint32_t nativeOut_ = 0;
};

}  // namespace platform::win32
