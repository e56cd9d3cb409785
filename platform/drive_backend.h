#pragma once
// What stands behind an open physical drive: a real disk, or a simulated controller. It takes
// device control requests with exactly the buffers the platform's IOCTLs take.

#include <cstdint>

namespace platform {

class DriveBackend {
public:
    virtual ~DriveBackend() = default;
    // One DeviceIoControl. `in` and `out` may be the same buffer (the SCSI pass-through request).
    // On failure returns false with `error` set to a platform error code.
    virtual bool ioControl(std::uint32_t code, const void* in, std::uint32_t inSize, void* out, std::uint32_t outSize,
                           std::uint32_t& bytesReturned, std::uint32_t& error) = 0;
};

}  // namespace platform
