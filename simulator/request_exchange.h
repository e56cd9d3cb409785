#pragma once
// One request carried out against a drive's current description, under the drive's lock:
// route faults, the command itself, the stored state, the firmware file and the command log.

#include <cstdint>
#include <filesystem>

#include "simulator/drive_description.h"
#include "simulator/route_request.h"

namespace simulator {

struct IoBuffers {
    const void* in = nullptr;
    std::uint32_t inSize = 0;
    void* out = nullptr;
    std::uint32_t outSize = 0;
};

struct IoResult {
    bool succeeded = false;
    std::uint32_t bytesReturned = 0;
    std::uint32_t error = 0;  // platform error when the request failed
};

// The caller holds the drive's lock and has just read `drive` from `driveFile`.
IoResult carryOut(const std::filesystem::path& driveFile, DriveDescription& drive, const RouteRequest& request,
                  const IoBuffers& buffers);

}  // namespace simulator
