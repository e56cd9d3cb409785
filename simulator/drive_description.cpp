#include "simulator/drive_description.h"

#include <algorithm>

#include "common/ata_pass_through.h"
#include "common/controller_status_record.h"
#include "common/vendor_pages.h"

namespace simulator {

namespace pages = lmx::pages;
using lmx::ControllerFamily;

namespace {

constexpr std::size_t kModelLength = lmx::kModelTextLength;
constexpr std::size_t kSerialLength = lmx::kSerialTextLength;
constexpr std::size_t kFirmwareLength = lmx::kFirmwareTextLength;
constexpr std::size_t kFpgaTextLength = 4;
constexpr std::size_t kBootLoaderTextLength = 8;
constexpr std::uint8_t kStatusBits23 = 0x0C;

constexpr std::uint64_t kDefaultCapacity = 1'953'525'168;    // 1 TB
constexpr std::uint64_t kDefaultDiskCapacity = 976'773'168;  // 500 GB
constexpr std::uint64_t kDefaultFpgaVersion = 0x20240115;

std::optional<std::string> textProblem(std::string_view name, const std::string& text, std::size_t limit) {
    if (text.size() > limit) return std::string(name) + " is longer than " + std::to_string(limit) + " characters";
    const bool printable = std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
    if (!printable) return std::string(name) + " holds a character that is not printable ASCII";
    return std::nullopt;
}

bool contains(const std::vector<std::uint8_t>& values, std::uint8_t value) {
    return std::find(values.begin(), values.end(), value) != values.end();
}

std::optional<std::string> memberProblem(const MemberDrive& member, std::size_t slot) {
    const std::string name = "members." + std::to_string(slot) + ".";
    if (auto problem = textProblem(name + "model", member.model, kModelLength)) return problem;
    if (auto problem = textProblem(name + "serial", member.serial, kSerialLength)) return problem;
    if (auto problem = textProblem(name + "firmware", member.firmware, kFirmwareLength)) return problem;
    if ((member.otherStatusBits & ~kStatusBits23) != 0) {
        return name + "otherStatusBits may hold only bits 2-3 (a mask of 0x04 and 0x08)";
    }
    if ((member.otherExtraBits & lmx::kDriveSpareBit) != 0) {
        return name + "otherExtraBits may not hold bit 2: set spare instead";
    }
    return std::nullopt;
}

std::optional<std::string> bytesProblem(std::string_view name, const Bytes& bytes) {
    if (bytes.size() != pages::kPageSize) return std::string(name) + " must be 512 bytes";
    return std::nullopt;
}

std::optional<std::string> controllerProblem(const DriveDescription& drive) {
    const auto match = lmx::matchControllerModel(drive.model);
    if (!match.family) return "model \"" + drive.model + "\" is not in the controller model table";
    const ControllerFamily family = *match.family;
    if (!contains(raidPageLengths(family), drive.pageLengths.raid)) {
        return "pageLengths.raid " + std::to_string(drive.pageLengths.raid) +
               " is not a RAID page length of this family";
    }
    if (!contains(drivePageLengths(family), drive.pageLengths.drive)) {
        return "pageLengths.drive " + std::to_string(drive.pageLengths.drive) +
               " is not a member drive page length of this family";
    }
    if (drive.raid.status > 0x0F) return "raid.status must be 0-15";
    if (drive.members.size() != lmx::memberSlotCount(family)) {
        return "members must list " + std::to_string(lmx::memberSlotCount(family)) + " slots for this family";
    }
    for (std::size_t slot = 0; slot < drive.members.size(); ++slot) {
        if (auto problem = memberProblem(drive.members[slot], slot)) return problem;
    }
    for (const auto& log : drive.mirrorLogs) {
        if (log) {
            if (auto problem = bytesProblem("a mirror log", *log)) return problem;
        }
    }
    return std::nullopt;
}

std::optional<std::string> faultsProblem(const Faults& faults) {
    if (faults.satSenseKey && *faults.satSenseKey > 0x0F) return "faults.satSenseKey must be 0-15";
    if (faults.scsiStatus && (*faults.scsiStatus == lmx::kScsiStatusGood || *faults.scsiStatus == lmx::kScsiStatusCheckCondition)) {
        return "faults.scsiStatus is for statuses other than GOOD (0) and CHECK CONDITION (2): use faults.sense or "
               "faults.satSenseKey for CHECK CONDITION";
    }
    if (faults.sense && (faults.sense->empty() || faults.sense->size() > kMaxSenseBytes)) {
        return "faults.sense must hold 1 to " + std::to_string(kMaxSenseBytes) + " bytes";
    }
    for (std::uint8_t page : faults.brokenFrames) {
        if (page != pages::kStandardInfoPage && page != pages::kDriveInfoPage && page != pages::kRaidInfoPage) {
            return "faults.brokenFrames may name only the framed pages E1, E2 and E5";
        }
    }
    return std::nullopt;
}

}  // namespace

std::uint8_t MemberDrive::statusNibble() const {
    std::uint8_t status = otherStatusBits & kStatusBits23;
    if (present) status |= lmx::kDrivePresentBit;
    if (rebuilding) status |= lmx::kDriveRebuildingBit;
    return status;
}

std::uint8_t MemberDrive::statusExtra() const {
    return static_cast<std::uint8_t>((otherExtraBits & ~lmx::kDriveSpareBit) | (spare ? lmx::kDriveSpareBit : 0));
}

ControllerFamily DriveDescription::family() const {
    const auto match = lmx::matchControllerModel(model);
    if (!match.family) throw SimulatorError("model \"" + model + "\" is not in the controller model table");
    return *match.family;
}

std::vector<std::uint8_t> raidPageLengths(ControllerFamily family) {
    switch (family) {
        case ControllerFamily::Zarkel: return {pages::kRaidLength, pages::kRaidLengthShort};
        case ControllerFamily::ZarkelT: return {pages::kRaidLength};
        case ControllerFamily::Quessa: return {pages::kRaidLengthQuessa};
        case ControllerFamily::Mollen:
        case ControllerFamily::MollenThreeSlot: return {pages::kRaidLengthLong, pages::kRaidLength};
    }
    return {};
}

std::vector<std::uint8_t> drivePageLengths(ControllerFamily family) {
    if (lmx::usesLongPageLayout(family)) return {pages::kDriveLengthThreeSlot, pages::kDriveLengthThreeSlotAlt};
    return {pages::kDriveLengthTwoSlot, pages::kDriveLengthTwoSlotAlt};
}

MemberDrive defaultMember(std::size_t slot) {
    MemberDrive member;
    member.model = "Lumavex LHD-1000";
    member.serial = "LHD00000000000" + std::to_string(slot + 1);
    member.firmware = "LH10";
    member.capacity = kDefaultCapacity;
    member.temperature = 35;
    member.temperature2 = 30;
    return member;
}

DriveDescription defaultController(std::string_view model, std::optional<std::size_t> presentMembers) {
    DriveDescription drive;
    drive.kind = DriveKind::Controller;
    drive.model = std::string(model);
    drive.serial = "LMX0000000000001";
    drive.firmware = "V1.05";
    drive.capacity = kDefaultCapacity;
    const ControllerFamily family = drive.family();
    drive.raid.fpgaVersion = kDefaultFpgaVersion;
    drive.identify.fpgaVersion = "0115";
    drive.identify.bootLoaderVersion = "BL1.02";
    drive.pageLengths.raid = raidPageLengths(family).front();
    drive.pageLengths.drive = drivePageLengths(family).front();
    const std::size_t slots = lmx::memberSlotCount(family);
    if (presentMembers && *presentMembers > slots) {
        throw SimulatorError("this family has " + std::to_string(slots) + " member slots");
    }
    for (std::size_t slot = 0; slot < slots; ++slot) {
        MemberDrive member = defaultMember(slot);
        member.present = slot < presentMembers.value_or(slots);
        drive.members.push_back(member);
    }
    checkDescription(drive);
    return drive;
}

DriveDescription defaultDisk(std::string_view model) {
    DriveDescription drive;
    drive.kind = DriveKind::Disk;
    drive.model = std::string(model);
    drive.serial = "DSK0000000000001";
    drive.firmware = "1.0";
    drive.capacity = kDefaultDiskCapacity;
    checkDescription(drive);
    return drive;
}

DriveDescription defaultSilentDrive() {
    DriveDescription drive;
    drive.kind = DriveKind::Silent;
    return drive;
}

std::optional<std::string> findProblem(const DriveDescription& drive) {
    if (drive.kind == DriveKind::Silent) return std::nullopt;
    if (auto problem = textProblem("model", drive.model, kModelLength)) return problem;
    if (auto problem = textProblem("serial", drive.serial, kSerialLength)) return problem;
    if (auto problem = textProblem("firmware", drive.firmware, kFirmwareLength)) return problem;
    if (auto problem = textProblem("identify.fpgaVersion", drive.identify.fpgaVersion, kFpgaTextLength)) {
        return problem;
    }
    if (auto problem =
            textProblem("identify.bootLoaderVersion", drive.identify.bootLoaderVersion, kBootLoaderTextLength)) {
        return problem;
    }
    if (drive.identifyOverride) {
        if (auto problem = bytesProblem("overrides.identify", *drive.identifyOverride)) return problem;
    }
    for (const auto& [page, bytes] : drive.pageOverrides) {
        if (auto problem = bytesProblem("a page override", bytes)) return problem;
    }
    if (auto problem = faultsProblem(drive.faults)) return problem;
    if (drive.kind == DriveKind::Controller) return controllerProblem(drive);
    return std::nullopt;
}

void checkDescription(const DriveDescription& drive) {
    if (auto problem = findProblem(drive)) throw SimulatorError(*problem);
}

std::string_view kindName(DriveKind kind) {
    switch (kind) {
        case DriveKind::Controller: return "controller";
        case DriveKind::Disk: return "disk";
        case DriveKind::Silent: return "silent";
    }
    return "controller";
}

std::string_view patrolName(PatrolState patrol) {
    switch (patrol) {
        case PatrolState::None: return "none";
        case PatrolState::Running: return "running";
        case PatrolState::Stopped: return "stopped";
    }
    return "none";
}

std::string_view senseFormatName(SenseFormat format) { return format == SenseFormat::Fixed ? "fixed" : "descriptor"; }

}  // namespace simulator
