#pragma once
// Requests to a simulated drive built by hand, byte for byte as the programs send them through
// each of the three routes, so that tests see exactly what the programs will see.

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "common/ata_pass_through.h"
#include "common/ata_registers.h"
#include "common/vendor_pages.h"
#include "platform/drive_backend.h"
#include "simulator/drive_description.h"

namespace simulator::testing {

using Sector = std::array<std::uint8_t, 512>;

enum class Transfer { None, In, Out };

// The registers a test sets, and how the command moves its data.
struct TaskFile : lmx::AtaRegisters {
    TaskFile() { device = lmx::pages::kDeviceDefault; }
    bool extended = false;
    Transfer transfer = Transfer::None;
};

// A command with its command register alone set (no data).
TaskFile plainCommand(std::uint8_t code);
TaskFile identifyCommand();
TaskFile pageRead(std::uint8_t page);
TaskFile vendorControl(std::uint8_t code);
TaskFile smartEnable();
TaskFile setClock(std::uint64_t milliseconds);
TaskFile microcodeBlock();

struct DirectResult {
    bool ok = false;
    std::uint32_t error = 0;
    lmx::AtaPassThroughDirect reply{};
    Sector data{};
};
DirectResult sendDirect(platform::DriveBackend& drive, const TaskFile& task, const std::uint8_t* dataOut = nullptr);

struct SatResult {
    bool ok = false;
    std::uint32_t error = 0;
    lmx::ScsiPassThroughRequest buffer{};
    std::uint8_t status() const { return buffer.ScsiStatus; }
};
SatResult sendSat(platform::DriveBackend& drive, const TaskFile& task, const std::uint8_t* dataOut = nullptr);

struct SmartResult {
    bool ok = false;
    std::uint32_t error = 0;
    lmx::SendCmdOutParams out{};
};
SmartResult sendSmart(platform::DriveBackend& drive, const TaskFile& task, std::uint8_t driveNumber = 0);

// The page through each route; empty array on failure.
Sector readPageDirect(platform::DriveBackend& drive, std::uint8_t page);
Sector readPageSat(platform::DriveBackend& drive, std::uint8_t page);

// Opens a drive file the way the platform does; fails the test when it does not open.
std::unique_ptr<platform::DriveBackend> openDrive(const std::filesystem::path& file);

}  // namespace simulator::testing
