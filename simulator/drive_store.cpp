#include "simulator/drive_store.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "simulator/drive_json.h"
#include "simulator/field_assignment.h"

namespace simulator {

namespace fs = std::filesystem;

namespace {

// A drive entry that is a link or a device stands for a real disk and is never touched.
void refuseRealDisk(const fs::path& driveFile) {
    std::error_code error;
    const auto status = fs::symlink_status(driveFile, error);
    if (!error && fs::exists(status) && !fs::is_regular_file(status)) {
        throw SimulatorError(driveFile.string() + " is not a simulated drive (a link or device): left alone");
    }
}

void requireDrive(const fs::path& driveFile) {
    refuseRealDisk(driveFile);
    std::error_code error;
    if (!fs::is_regular_file(driveFile, error)) throw SimulatorError("no simulated drive at " + driveFile.string());
}

void checkSlot(const DriveDescription& drive, std::size_t slot) {
    if (drive.kind != DriveKind::Controller) throw SimulatorError("only a controller has member drives");
    if (slot >= drive.members.size()) {
        throw SimulatorError("this controller has member slots 0 to " + std::to_string(drive.members.size() - 1));
    }
}

void removeIfPresent(const fs::path& path) {
    std::error_code error;
    fs::remove(path, error);
    if (error) throw SimulatorError("cannot remove " + path.string() + ": " + error.message());
}

}  // namespace

void writeDrive(const fs::path& driveFile, const DriveDescription& drive) {
    checkDescription(drive);
    std::error_code error;
    fs::create_directories(driveFile.parent_path(), error);
    if (error) throw SimulatorError("cannot create " + driveFile.parent_path().string() + ": " + error.message());
    DriveLock lock(driveFile);
    refuseRealDisk(driveFile);
    writeDescriptionFile(driveFile, drive);
}

void createController(const fs::path& driveFile, std::string_view model, std::optional<std::size_t> presentMembers) {
    writeDrive(driveFile, defaultController(model, presentMembers));
}

void createDisk(const fs::path& driveFile, std::string_view model, bool signature) {
    DriveDescription drive = defaultDisk(model);
    drive.identify.signature = signature;
    writeDrive(driveFile, drive);
}

void createSilentDrive(const fs::path& driveFile, std::optional<std::uint32_t> answerAfterMs) {
    DriveDescription drive = defaultSilentDrive();
    drive.answerAfterMs = answerAfterMs;
    writeDrive(driveFile, drive);
}

DriveDescription readDrive(const fs::path& driveFile) {
    requireDrive(driveFile);
    return readDescriptionFile(driveFile);
}

void updateDrive(const fs::path& driveFile, const std::function<void(DriveDescription&)>& change) {
    requireDrive(driveFile);
    DriveLock lock(driveFile);
    DriveDescription drive = readDescriptionFile(driveFile);
    change(drive);
    writeDescriptionFile(driveFile, drive);
}

void setFields(const fs::path& driveFile, const std::vector<std::pair<std::string, std::string>>& assignments) {
    updateDrive(driveFile, [&](DriveDescription& drive) {
        DriveJson document = toJson(drive);
        for (const auto& [name, value] : assignments) assignField(document, name, value);
        drive = fromJson(document);
    });
}

void pullMember(const fs::path& driveFile, std::size_t slot) {
    updateDrive(driveFile, [slot](DriveDescription& drive) {
        checkSlot(drive, slot);
        drive.members[slot].present = false;
        drive.members[slot].rebuilding = false;
    });
}

void insertMember(const fs::path& driveFile, std::size_t slot) {
    updateDrive(driveFile, [slot](DriveDescription& drive) {
        checkSlot(drive, slot);
        drive.members[slot].present = true;
    });
}

void removeDrive(const fs::path& driveFile) {
    requireDrive(driveFile);
    DriveLock lock(driveFile);
    removeIfPresent(driveFile);
    removeIfPresent(commandLogPath(driveFile));
    removeIfPresent(firmwarePath(driveFile));
    // The lock file stays: a process waiting on it must not end up holding a lock on a file that
    // a newer drive no longer uses.
}

void clearCommandLog(const fs::path& driveFile) {
    DriveLock lock(driveFile);
    removeIfPresent(commandLogPath(driveFile));
}

Bytes readFirmware(const fs::path& driveFile) {
    DriveLock lock(driveFile);
    std::ifstream in(firmwarePath(driveFile), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void clearFirmware(const fs::path& driveFile) {
    DriveLock lock(driveFile);
    removeIfPresent(firmwarePath(driveFile));
}

std::vector<DriveEntry> listDrives(const fs::path& root) {
    std::vector<DriveEntry> entries;
    std::error_code error;
    const fs::path devices = root / "devices";
    for (const auto& item : fs::directory_iterator(devices, error)) {
        const auto number = driveNumberOfFile(item.path());
        if (!number) continue;
        DriveEntry entry;
        entry.number = *number;
        entry.file = item.path();
        std::error_code statusError;
        if (fs::is_symlink(item.symlink_status(statusError))) {
            entry.note = "link to " + fs::read_symlink(item.path(), statusError).string();
        } else if (!item.is_regular_file(statusError)) {
            entry.note = "not a regular file";
        } else {
            try {
                entry.description = readDescriptionFile(item.path());
            } catch (const SimulatorError& problem) {
                entry.note = problem.what();
            }
        }
        entries.push_back(std::move(entry));
    }
    std::sort(entries.begin(), entries.end(),
              [](const DriveEntry& a, const DriveEntry& b) { return a.number < b.number; });
    return entries;
}

}  // namespace simulator
