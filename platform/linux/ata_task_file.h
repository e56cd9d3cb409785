#pragma once
// The direct ATA request and the legacy SMART request on a disk that libata drives: the task file
// goes to the disk as ATA PASS-THROUGH(16) with CK_COND set, so that libata returns the registers
// the device ended the command with, as a driver of the direct ATA request returns them.
//
// The kernel's HDIO_DRIVE_CMD and HDIO_DRIVE_TASK cannot do this: HDIO_DRIVE_CMD never writes the
// registers back for a data-in command, and both write them back only from descriptor-format
// sense, so a failed command (fixed format by default) leaves the caller's registers in place.

#include <cstddef>
#include <cstdint>

#include "common/ata_pass_through.h"
#include "platform/linux/ata_pass_through_sense.h"

namespace platform::sgio {

enum class TaskFileOutcome {
    Completed,    // the command ended without error; the registers and any data-in are the device's
    DeviceError,  // the device ended it with ERR or DF set; the registers are the device's, no data
    NotExpressed, // the answer carries no complete register set, or libata refused or failed the
                  // command without a device error: the request fails as not supported
};

struct TaskFileResult {
    TaskFileOutcome outcome = TaskFileOutcome::NotExpressed;
    AtaRegisters registers;
    const char* reason = "";  // for NotExpressed: why, for the debug output
};

// The command block: the descriptor's registers with CK_COND set.
void buildTaskFileCommand(const lmx::AtaPassThroughDirect& request, std::uint8_t (&cdb)[16]);

// What the SCSI status and the sense (as the kernel returned it) say about a command sent with
// CK_COND set.
TaskFileResult readTaskFileResult(std::uint8_t scsiStatus, const std::uint8_t* sense, std::size_t senseLength,
                                  bool extendedCommand);

// The registers in the descriptor's return layout: CurrentTaskFile [0] error … [6] status, and for a
// 48-bit command PreviousTaskFile [1] count(15:8) … [4] LBA(47:40).
void storeRegisters(const AtaRegisters& registers, bool extendedCommand, lmx::AtaPassThroughDirect& reply);

}  // namespace platform::sgio
