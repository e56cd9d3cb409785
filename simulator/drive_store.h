#pragma once
// Creating, changing, listing and removing simulated drives: the API behind lmxsim, and what
// tests use to set up drives. Every change is made under the drive's lock on a freshly read
// description, and stored atomically; a change that would make the description invalid is
// refused with SimulatorError and leaves the file as it was.

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "simulator/command_log.h"
#include "simulator/drive_description.h"
#include "simulator/drive_files.h"

namespace simulator {

// Writes a new description, replacing any earlier one (its command log and firmware file are
// kept). Refused when the drive's entry is a link to a real disk.
void writeDrive(const std::filesystem::path& driveFile, const DriveDescription& drive);

// A controller of `model` with defaults for its family; `presentMembers` members are present
// (default: every slot).
void createController(const std::filesystem::path& driveFile, std::string_view model,
                      std::optional<std::size_t> presentMembers = {});
void createDisk(const std::filesystem::path& driveFile, std::string_view model = kDefaultDiskModel,
                bool signature = true);
void createSilentDrive(const std::filesystem::path& driveFile, std::optional<std::uint32_t> answerAfterMs = {});

DriveDescription readDrive(const std::filesystem::path& driveFile);

// Reads the description, lets `change` alter it and stores it, all under the lock.
void updateDrive(const std::filesystem::path& driveFile, const std::function<void(DriveDescription&)>& change);

// Sets fields by dotted name from text ("raid.status" = "2"); all or none are applied.
void setFields(const std::filesystem::path& driveFile,
               const std::vector<std::pair<std::string, std::string>>& assignments);

// A member slot emptied (present and rebuilding cleared, its identity kept) or filled again.
void pullMember(const std::filesystem::path& driveFile, std::size_t slot);
void insertMember(const std::filesystem::path& driveFile, std::size_t slot);

// Removes the description, its command log and its firmware file.
void removeDrive(const std::filesystem::path& driveFile);

void clearCommandLog(const std::filesystem::path& driveFile);

// The DOWNLOAD MICROCODE data received, blocks in arrival order; empty when none.
Bytes readFirmware(const std::filesystem::path& driveFile);
void clearFirmware(const std::filesystem::path& driveFile);

struct DriveEntry {
    int number = 0;
    std::filesystem::path file;
    std::optional<DriveDescription> description;  // empty for a link or a file that is not valid
    std::string note;                             // the link target or the file's problem
};

// Every devices/PHYSICALDRIVEn entry of the root, by drive number.
std::vector<DriveEntry> listDrives(const std::filesystem::path& root);

}  // namespace simulator
