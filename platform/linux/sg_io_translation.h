#pragma once
// The SCSI pass-through request as the Linux SCSI generic driver takes it: the request buffer's
// command block, data direction, transfer length, time-out and sense area become an sg_io_hdr,
// and its status and sense come back into the request buffer where the platform's driver puts
// them. Pure functions, so that the translation is tested without a disk.

#include <scsi/sg.h>

#include <cstdint>

#include "common/ata_pass_through.h"

namespace platform::sgio {

// Checks the request (lengths and offsets within the buffers the caller gave) and fills `header`
// to point into `buffer`. False with a platform error code when the request is malformed.
bool buildRequest(std::uint8_t* buffer, std::uint32_t inSize, std::uint32_t outSize, sg_io_hdr_t& header,
                  std::uint32_t& error);

// After the SG_IO call: ScsiStatus, the sense bytes written and the transferred length go back
// into the request. False (with `error`) when the transport failed without a SCSI status.
//  - With `libataSense`, the sense of an ATA PASS-THROUGH command in the older libata layout is
//    rewritten into the SAT layout (ata_pass_through_sense.h); any other sense passes unchanged.
//  - The data of a data-in command that failed is not passed on: the data area is cleared and the
//    transferred length is 0 (the kernel reports no residue for it, and /dev/sg* may leave the
//    data of an earlier command there). A command has failed unless its status is GOOD, or
//    CHECK CONDITION with sense key NO SENSE or RECOVERED ERROR.
bool completeRequest(const sg_io_hdr_t& header, std::uint8_t* buffer, bool libataSense, std::uint32_t& error);

// The SG_IO time-out for a request's time-out in seconds (60 s when it is 0 or a day or more).
unsigned timeoutMilliseconds(std::uint32_t seconds);

// A transport failure with no SCSI status and no sense: true with the platform error code.
bool transportFailed(const sg_io_hdr_t& header, std::uint32_t& error);

// The bytes moved: the transfer length less the residue the kernel reported.
std::uint32_t transferred(const sg_io_hdr_t& header);

// Whether the command the header describes ended without failure (see completeRequest). Call it
// after any rewriting of the sense.
bool commandSucceeded(const sg_io_hdr_t& header);

}  // namespace platform::sgio
