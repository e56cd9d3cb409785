#pragma once
// The files of one simulated drive, all beside the drive file devices/PHYSICALDRIVEn:
// PHYSICALDRIVEn.lock (the lock every change is made under), PHYSICALDRIVEn.log (the command
// log), PHYSICALDRIVEn.firmware (DOWNLOAD MICROCODE data received).

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "platform/file_lock.h"
#include "simulator/drive_description.h"

namespace simulator {

// <root>/devices/PHYSICALDRIVEn
std::filesystem::path driveFilePath(const std::filesystem::path& root, int driveNumber);

// The drive number of a drive file's name, or empty for any other file.
std::optional<int> driveNumberOfFile(const std::filesystem::path& file);

std::filesystem::path lockFilePath(const std::filesystem::path& driveFile);
std::filesystem::path commandLogPath(const std::filesystem::path& driveFile);
std::filesystem::path firmwarePath(const std::filesystem::path& driveFile);

// How long a request or a change waits for the drive's lock before it gives up, as a command
// to a device that does not answer times out.
inline constexpr std::chrono::milliseconds kDriveLockLimit{2000};

// The drive's lock was held elsewhere for all of kDriveLockLimit.
class DriveLockTimeout : public SimulatorError {
public:
    using SimulatorError::SimulatorError;
};

// An exclusive lock on the drive's lock file (mode 0600, its owner's alone), held for the
// object's life. Separate objects exclude each other within one process as well as across
// processes. Throws DriveLockTimeout when the lock stays held elsewhere past the limit.
class DriveLock {
public:
    explicit DriveLock(const std::filesystem::path& driveFile);
    DriveLock(const DriveLock&) = delete;
    DriveLock& operator=(const DriveLock&) = delete;

private:
    std::optional<platform::FileLock> lock_;
};

// The description in a drive file; throws SimulatorError when the file is missing or invalid.
DriveDescription readDescriptionFile(const std::filesystem::path& driveFile);
// The two halves of readDescriptionFile: the file's bytes, and the description they hold.
std::string readDescriptionText(const std::filesystem::path& driveFile);
DriveDescription parseDescription(const std::string& text, const std::filesystem::path& driveFile);

// Opens the drive file for reading. A file being replaced can refuse to be opened for a moment
// (on Windows its old self is pending deletion until its last reader lets go), so an open that
// fails while the file is there is tried again, for 200 ms at most; `error` says why it did
// not open.
std::ifstream openDriveFileForReading(const std::filesystem::path& driveFile, std::error_code& error);

// Replaces the drive file with the description: written to a temporary file beside it, then
// renamed over it, so a reader sees the old or the new description, never a part.
void writeDescriptionFile(const std::filesystem::path& driveFile, const DriveDescription& drive);

// Appends bytes to a file, creating it.
void appendToFile(const std::filesystem::path& file, std::string_view bytes);

}  // namespace simulator
