#pragma once
// The firmware tool's access to one physical drive at a time: the open drive, its number, and
// the 4 MiB working buffer that receives IDENTIFY data and later the firmware image; the two
// routes an ATA command takes (the direct ATA request, then ATA PASS-THROUGH(16) in a SCSI
// request), and device discovery over drives 0 to 31.
//
// One thread uses the object at a time: the dialog thread during discovery, the update thread
// during a download.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

#include "common/ata_pass_through.h"
#include "fwup/core/device_table.h"
#include "platform/physical_drive.h"

namespace fwup {

inline constexpr std::size_t kWorkingBufferSize = 4 * 1024 * 1024;  // the largest image
inline constexpr std::size_t kBufferAlignment = 512;
inline constexpr std::uint32_t kBlockSize = 512;
inline constexpr std::uint32_t kIdentifyTimeOutSeconds = 10;
inline constexpr std::uint32_t kDownloadTimeOutSeconds = 120;

// Shows a plain message to the user (a message box in the dialog, standard error on the
// command line).
using MessageSink = std::function<void(std::string_view text)>;

class DriveAccessor {
public:
    // The accessor with its working buffer; empty when the memory is not available.
    static std::unique_ptr<DriveAccessor> create(MessageSink showMessage);
    ~DriveAccessor();
    DriveAccessor(const DriveAccessor&) = delete;
    DriveAccessor& operator=(const DriveAccessor&) = delete;

    // Opens drive n (platform::physicalDrivePath) for reading and writing. False (and no drive open) on failure;
    // lastOpenError() tells why.
    bool open_drive(int driveNumber);
    void close_drive();
    bool isOpen() const { return handle_.has_value(); }
    int driveNumber() const { return driveNumber_; }
    std::uint32_t lastOpenError() const { return lastOpenError_; }

    // The direct ATA request; `reply` receives the registers the drive ended with. True when the
    // call succeeded and the returned status has ERR clear.
    bool send_ata_direct(lmx::AtaPassThroughDirect& request, lmx::AtaPassThroughDirect& reply);
    // The same command as ATA PASS-THROUGH(16) in a SCSI pass-through request; `data` is the
    // caller's 512-byte data area. Only IDENTIFY DEVICE and DOWNLOAD MICROCODE are sent; the
    // outcome is the call and the SCSI status alone.
    bool send_ata_sat(lmx::AtaPassThroughDirect& request, std::uint8_t* data);
    // IDENTIFY DEVICE into the first 512 bytes of the working buffer, direct then SAT.
    bool identify_device();

    // Probes drives 0 to 31 and fills the table (cleared first).
    void enumerate_devices(DeviceTable& table);
    // One entry from the IDENTIFY data in the working buffer.
    void parse_identify(DeviceEntry& entry) const;
    // True when the model starts with one of the supported controllers' prefixes.
    static bool is_supported_model(std::string_view model);

    // The 4 MiB working area, its start aligned to 512 bytes.
    std::uint8_t* workingBuffer() { return workingBuffer_; }
    const std::uint8_t* workingBuffer() const { return workingBuffer_; }

private:
    DriveAccessor(std::unique_ptr<std::uint8_t[]> allocation, MessageSink showMessage);
    void showMessage(std::string_view text) const;

    std::optional<platform::DriveHandle> handle_;
    int driveNumber_ = -1;
    std::uint8_t* workingBuffer_ = nullptr;
    std::unique_ptr<std::uint8_t[]> allocation_;
    MessageSink showMessage_;
    std::uint32_t lastOpenError_ = 0;
};

// The descriptor of IDENTIFY DEVICE (data in, 512 bytes, 10 s) into `data`.
lmx::AtaPassThroughDirect identifyRequest(void* data);
// The descriptor of one DOWNLOAD MICROCODE block (subcommand 07h, one 512-byte block, data out,
// 120 s) from `block`.
lmx::AtaPassThroughDirect downloadMicrocodeRequest(const void* block);

// The SCSI pass-through request the SAT route sends for a descriptor, with the sizes it is sent
// with; empty for a command the tool does not send that way. An IDENTIFY's sector count becomes
// 1, in the caller's descriptor too.
struct SatRequest {
    lmx::ScsiPassThroughRequest buffer;
    lmx::ScsiPassThroughSizes sizes;
};
std::optional<SatRequest> buildSatRequest(lmx::AtaPassThroughDirect& request, const std::uint8_t* data);

}  // namespace fwup
