#pragma once
// What a simulated-drive file describes: a controller, an ordinary ATA disk, or a drive that
// never answers, with its state and the faults it is asked to show. This is the in-memory form;
// drive_json.h reads and writes the file form.

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "common/controller_model.h"
#include "simulator/hex_bytes.h"

namespace simulator {

// Every refusal of the simulator's API: a bad value, a broken file, a drive that is missing.
class SimulatorError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class DriveKind { Controller, Disk, Silent };
enum class PatrolState { None, Running, Stopped };
enum class SenseFormat { Descriptor, Fixed };

struct MemberDrive {
    bool present = true;
    bool rebuilding = false;
    std::uint8_t otherStatusBits = 0;  // bits 2-3 of the 4-bit drive status, as a mask
    bool spare = false;                // statusExtra bit 2
    std::uint8_t otherExtraBits = 0;   // statusExtra without bit 2, as a mask
    std::string model;
    std::string serial;
    std::string firmware;
    std::uint64_t capacity = 0;               // 512-byte sectors
    std::optional<std::uint8_t> temperature;  // °C; empty: no temperature attribute at all
    std::uint8_t temperature2 = 0;

    // The 4-bit status of the standard page and the statusExtra byte of the long layout.
    std::uint8_t statusNibble() const;
    std::uint8_t statusExtra() const;
};

struct IdentifyFlags {
    bool signature = true;  // 0xA5 and checksum in the last word
    bool smartEnabled = true;
    bool clockStateReported = false;
    bool clockIsSet = false;
};

struct ClockState {
    std::optional<std::uint64_t> lastSetMs;  // 48-bit milliseconds since 1970 of the last SET DATE & TIME
    std::uint32_t setCount = 0;
};

struct RaidState {
    std::uint8_t status = 0;           // 0 normal, 1 error, 2 rebuilding, 3 rebuild stopped (4 bits)
    std::uint8_t rebuildProgress = 0;  // 1/256
    PatrolState patrol = PatrolState::None;
    std::uint16_t patrolProgress = 0;  // 1/65536
    std::uint8_t optionFlags = 0;
    bool errorSkipped = false;
    std::uint64_t fpgaVersion = 0;
};

struct PageLengths {
    std::uint8_t raid = 0;   // RAID page 0xE5
    std::uint8_t drive = 0;  // member drive page 0xE2
};

// The most sense bytes a simulated answer carries (what a sense buffer of the suite holds).
inline constexpr std::size_t kMaxSenseBytes = 32;

struct Faults {
    std::uint32_t rejectDirect = 0;  // non-zero: the route's request fails with this error
    std::uint32_t rejectSat = 0;
    std::uint32_t rejectSmart = 0;
    bool directErrBit = false;                // the direct route answers every command with ERR
    std::optional<std::uint8_t> satSenseKey;  // the SAT route answers CHECK CONDITION with this key
    SenseFormat senseFormat = SenseFormat::Descriptor;
    bool senseValid = true;                  // fixed format: the VALID bit
    std::uint32_t failNext = 0;              // that many next commands fail (counted down)
    std::vector<std::uint8_t> brokenFrames;  // pages answered with a wrong trailer
    std::uint32_t delayMs = 0;               // every command waits this long before it is answered
    // SAT route: this SCSI status (other than GOOD and CHECK CONDITION, e.g. BUSY 0x08) with no
    // sense data; the command is carried out only when scsiStatusExecutes is set.
    std::optional<std::uint8_t> scsiStatus;
    bool scsiStatusExecutes = false;
    // SAT route: CHECK CONDITION with these sense bytes, returned verbatim (any response code,
    // any descriptors); the command is carried out, with its data, only when senseExecutes is set.
    std::optional<Bytes> sense;
    bool senseExecutes = false;
};

inline constexpr std::size_t kMirrorLogCount = 2;  // pages 0xF4 and 0xF5

struct DriveDescription {
    DriveKind kind = DriveKind::Controller;
    std::string model;
    std::string serial;
    std::string firmware;
    std::uint64_t capacity = 0;
    IdentifyFlags identify;
    ClockState clock;
    RaidState raid;
    PageLengths pageLengths;
    std::vector<MemberDrive> members;                              // one per member slot of the family
    std::uint32_t buzzerSilenced = 0;                              // silence-buzzer controls received
    std::array<std::optional<Bytes>, kMirrorLogCount> mirrorLogs;  // empty: the default pattern
    std::optional<Bytes> identifyOverride;                         // returned verbatim for IDENTIFY DEVICE
    std::map<std::uint8_t, Bytes> pageOverrides;                   // page code → returned verbatim
    Faults faults;
    std::optional<std::uint32_t> answerAfterMs;  // silent drive: wait this long instead of the time-out

    // The controller family of the model; throws for a model outside the model table.
    lmx::ControllerFamily family() const;
};

inline constexpr std::string_view kDefaultDiskModel = "LMXSIM ATA DISK";

// Descriptions with every field at its default. A controller's model must be in the model table;
// `presentMembers` (default: every slot) members are present, the rest pulled.
DriveDescription defaultController(std::string_view model, std::optional<std::size_t> presentMembers = {});
DriveDescription defaultDisk(std::string_view model = kDefaultDiskModel);
DriveDescription defaultSilentDrive();

// The default member drive of a slot, as a new controller has it.
MemberDrive defaultMember(std::size_t slot);

// The page lengths a family accepts; the first is the default.
std::vector<std::uint8_t> raidPageLengths(lmx::ControllerFamily family);
std::vector<std::uint8_t> drivePageLengths(lmx::ControllerFamily family);

// The first rule the description breaks, or empty when it is sound.
std::optional<std::string> findProblem(const DriveDescription& drive);

// Throws SimulatorError with the first problem.
void checkDescription(const DriveDescription& drive);

std::string_view kindName(DriveKind kind);
std::string_view patrolName(PatrolState patrol);
std::string_view senseFormatName(SenseFormat format);

}  // namespace simulator
