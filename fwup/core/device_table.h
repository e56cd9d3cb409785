#pragma once
// The device table: one entry per physical drive that opened when the tool probed drives 0 to
// 31, in drive-number order, with what its IDENTIFY data says.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/drive_text_fields.h"

namespace fwup {

inline constexpr int kProbedDrives = 32;

// The longest text of each field; IDENTIFY holds no more.
inline constexpr std::size_t kModelLength = lmx::kModelTextLength;
inline constexpr std::size_t kSerialLength = lmx::kSerialTextLength;
inline constexpr std::size_t kFirmwareLength = lmx::kFirmwareTextLength;
inline constexpr std::size_t kFpgaVersionLength = 4;
inline constexpr std::size_t kBootLoaderVersionLength = 8;

struct DeviceEntry {
    std::uint8_t driveNumber = 0;   // n of "\\.\PhysicalDrive<n>"
    std::string model;              // trimmed
    std::string serial;             // trimmed
    std::string firmwareRevision;   // trimmed
    std::string fpgaVersion;        // controller vendor words, or "----"
    std::string bootLoaderVersion;  // controller vendor words, or "--------"
    std::uint64_t capacity = 0;     // user-addressable sectors
    bool supported = false;         // the model is one of the supported controllers

    friend bool operator==(const DeviceEntry&, const DeviceEntry&) = default;
};

struct DeviceTable {
    std::array<DeviceEntry, kProbedDrives> entries{};
    int count = 0;
    // Drives that exist but refused to open for lack of rights.
    int deniedDrives = 0;
};

}  // namespace fwup
