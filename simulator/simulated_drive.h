#pragma once
// Entry point of the simulated controller: a backend for a drive whose entry in the system
// root is a simulated-drive file.

#include <cstdint>
#include <filesystem>
#include <memory>

#include "platform/drive_backend.h"

namespace simulator {

// Opens the simulated drive described by `file`; empty with `error` set (2 missing, 13 a file
// that is not a valid drive description) on failure.
std::unique_ptr<platform::DriveBackend> openSimulatedDrive(const std::filesystem::path& file, std::uint32_t& error);

// Makes the platform open drive entries that are files as simulated drives: called at the start
// of the programs and tests that accept them.
void registerSimulatedDrives();

}  // namespace simulator
