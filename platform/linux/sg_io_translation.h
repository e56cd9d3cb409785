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
bool completeRequest(const sg_io_hdr_t& header, std::uint8_t* buffer, std::uint32_t& error);

}  // namespace platform::sgio
