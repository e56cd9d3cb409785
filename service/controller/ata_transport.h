#pragma once
// The ATA transport: one conversation with a physical drive (open … close, serialised across
// the process), and the two routes an ATA command takes to it — the direct ATA request, and the
// SCSI request carrying ATA PASS-THROUGH(16) when the direct one fails.

#include <cstdint>
#include <mutex>
#include <optional>

#include "common/ata_pass_through.h"
#include "common/ata_registers.h"
#include "platform/physical_drive.h"

namespace controller {

inline constexpr std::uint32_t kCommandTimeOutSeconds = 10;
inline constexpr int kOpenAttempts = 10;

// The drive of one conversation. While it is open it holds the process's conversation lock, so
// that the polling thread and the pipe server never talk to drives at the same time.
class Drive {
public:
    Drive() = default;
    Drive(Drive&&) = default;
    Drive& operator=(Drive&&) = default;
    ~Drive();

    // True between openDrive and closeDrive, even when every open attempt failed.
    bool inConversation() const { return lock_.owns_lock(); }
    // The device handle; null when it could not be opened.
    platform::DriveHandle* handle() { return handle_ ? &*handle_ : nullptr; }
    int number() const { return number_; }

private:
    friend int openDrive(int physicalNumber, bool presentAtLastPoll, Drive& drive);
    friend void closeDrive(Drive& drive);
    std::unique_lock<std::mutex> lock_;
    std::optional<platform::DriveHandle> handle_;
    int number_ = -1;
};

// openDrive: up to ten attempts 10 ms apart, but only one when the drive's controller was not
// present at the last poll (-1). When all ten fail the conversation still starts (0) with no
// handle, so that its commands fail and the poll counts a failed query rather than a missing drive.
int openDrive(int physicalNumber, bool presentAtLastPoll, Drive& drive);
void closeDrive(Drive& drive);

// A command description with the service's time-out (10 s): the registers, the flags (data in
// or out, 48-bit) and the transfer length.
lmx::AtaPassThroughDirect makeAtaRequest(const lmx::AtaRegisters& registers, std::uint16_t flags,
                                         std::uint32_t transferLength, void* data);

// Route 1. With checkError, a returned status with ERR set is a failure.
bool send_ata_direct(Drive& drive, lmx::AtaPassThroughDirect& request, lmx::AtaPassThroughDirect& reply,
                     bool checkError);
// Route 2: ATA PASS-THROUGH(16) in a SCSI pass-through request; `data` is the caller's buffer.
bool send_ata_command_using_sat(Drive& drive, lmx::AtaPassThroughDirect& request, lmx::AtaPassThroughDirect& reply,
                                std::uint8_t* data);
// Route 1, then route 2 when route 1 failed.
bool sendAtaCommand(Drive& drive, lmx::AtaPassThroughDirect& request, lmx::AtaPassThroughDirect& reply, bool checkError,
                    std::uint8_t* data);

// The outcome of a completed SAT request (lmx::buildSatRequest): ScsiStatus and the sense key
// decide; the ATA registers the sense carries (lmx::sense::ataStatusReturn) are copied into `reply`.
bool readSatOutcome(const lmx::ScsiPassThroughRequest& sat, lmx::AtaPassThroughDirect& reply);

}  // namespace controller
