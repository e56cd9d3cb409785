// vm_drive_probe: runs inside the test VM (tests/vm/run.sh) against its emulated AHCI disk.
//
// Sends the commands the suite sends (IDENTIFY, SMART ENABLE, a vendor page read, SET DATE & TIME
// EXT, DOWNLOAD MICROCODE, a vendor control) through the platform's drive interface by each route
// the suite uses them on, and through the service's own transport with both routes and with the
// SCSI route alone. Prints one ROW line per command and route, one line per check, the sense bytes
// the kernel returned (RAW lines, for the unit tests' captures), and ends with "N passed, M failed".
// The emulated disk is no controller: it answers IDENTIFY and SMART ENABLE and aborts the rest.
//
// Usage: vm_drive_probe DRIVE... (physical drive numbers of the system root in LMXDUOWATCH_ROOT)

#include <fcntl.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/ata_command_builder.h"
#include "common/ata_pass_through.h"
#include "common/vendor_pages.h"
#include "platform/ata_pass_through_calls.h"
#include "platform/linux/block_device_drive.h"
#include "platform/physical_drive.h"
#include "platform/win_error.h"
#include "service/controller/ata_transport.h"
#include "service/controller/controller_commands.h"
#include "service/controller/identification.h"
#include "service/controller/status_queries.h"

namespace {

namespace pages = lmx::pages;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kStatusBusy = 0x80;
constexpr std::uint8_t kStatusDrq = 0x08;
constexpr std::uint8_t kAbortedCommand = 0x0B;
constexpr std::uint8_t kErrorAbort = 0x04;
constexpr std::uint8_t kFill = 0xCC;
// SET DATE & TIME EXT at 2009-01-01 00:00:00 UTC.
constexpr std::uint64_t kClockValue = 1'230'768'000'000ULL;

int passed = 0;
int failed = 0;

void check(bool ok, const std::string& what) {
    std::printf("%s %s\n", ok ? "ok" : "FAIL", what.c_str());
    (ok ? passed : failed)++;
}

std::string hex(const std::uint8_t* bytes, std::size_t count) {
    std::string text;
    char part[4];
    for (std::size_t i = 0; i < count; ++i) {
        std::snprintf(part, sizeof part, i ? " %02x" : "%02x", bytes[i]);
        text += part;
    }
    return text;
}

std::string byteText(std::uint8_t value) {
    char text[4];
    std::snprintf(text, sizeof text, "%02X", value);
    return text;
}

bool allBytes(const std::uint8_t* data, std::size_t count, std::uint8_t value) {
    return std::all_of(data, data + count, [value](std::uint8_t b) { return b == value; });
}

// One command as the suite describes it.
struct Command {
    const char* name;
    lmx::AtaRegisters ata;
    std::uint16_t flags = 0;
    std::uint32_t transferLength = 0;
    std::uint32_t timeOut = controller::kCommandTimeOutSeconds;
};

std::vector<Command> suiteCommands() {
    std::vector<Command> commands;
    lmx::AtaRegisters identify;
    identify.device = pages::kDeviceDefault;
    identify.command = pages::kCommandIdentify;
    commands.push_back({"IDENTIFY", identify, lmx::kAtaFlagsDataIn, 512});

    lmx::AtaRegisters smart;
    smart.features = pages::kFeatureSmartEnable;
    smart.lbaMid = pages::kSmartLbaMid;
    smart.lbaHigh = pages::kSmartLbaHigh;
    smart.device = pages::kDeviceDefault;
    smart.command = pages::kCommandSmart;
    commands.push_back({"SMART-ENABLE", smart});

    lmx::AtaRegisters page;
    page.features = pages::kFeatureVendorPageRead;
    page.count = 1;
    page.lbaMid = pages::kVendorPageLbaMid;
    page.lbaHigh = 0xE5;
    page.device = pages::kDeviceDefault;
    page.command = pages::kCommandSmart;
    commands.push_back({"PAGE-E5", page, lmx::kAtaFlagsDataIn, 512});

    lmx::AtaRegisters clock;
    clock.lbaLow = static_cast<std::uint8_t>(kClockValue);
    clock.lbaMid = static_cast<std::uint8_t>(kClockValue >> 8);
    clock.lbaHigh = static_cast<std::uint8_t>(kClockValue >> 16);
    clock.lba24 = static_cast<std::uint8_t>(kClockValue >> 24);
    clock.lba32 = static_cast<std::uint8_t>(kClockValue >> 32);
    clock.lba40 = static_cast<std::uint8_t>(kClockValue >> 40);
    clock.device = pages::kDeviceLba;
    clock.command = pages::kCommandSetDateTimeExt;
    commands.push_back({"SET-DATE-TIME", clock, lmx::kAtaFlags48BitCommand});

    lmx::AtaRegisters download;
    download.features = 0x07;
    download.count = 1;
    download.device = pages::kDeviceLba;
    download.command = pages::kCommandDownloadMicrocode;
    commands.push_back({"DOWNLOAD", download, lmx::kAtaFlagsDataOut, 512, 120});

    lmx::AtaRegisters control;
    control.features = pages::kFeatureSmartEnable;
    control.count = static_cast<std::uint8_t>(~pages::kControlStartVerify);
    control.lbaLow = pages::kControlStartVerify;
    control.lbaMid = pages::kSmartLbaMid;
    control.lbaHigh = pages::kSmartLbaHigh;
    control.device = pages::kDeviceDefault;
    control.command = pages::kCommandSmart;
    commands.push_back({"VENDOR-CONTROL", control});
    return commands;
}

lmx::AtaPassThroughDirect describe(const Command& command, void* data) {
    return lmx::makeAtaRequest(command.ata, command.flags, command.transferLength, command.timeOut, data);
}

bool isData(const Command& command) { return command.flags & (lmx::kAtaFlagsDataIn | lmx::kAtaFlagsDataOut); }
bool isDataIn(const Command& command) { return command.flags & lmx::kAtaFlagsDataIn; }
bool fails(const Command& command) {
    return command.ata.command != pages::kCommandIdentify && command.ata.features != pages::kFeatureSmartEnable;
}

// The data the disk answers IDENTIFY with, by the SCSI route; the other routes are compared with it.
Bytes identifyData;

std::string modelOf(const Bytes& data) {
    std::span<const std::uint8_t, 512> block(data.data(), 512);
    std::string model = controller::identifyModel(block);
    while (!model.empty() && (model.back() == ' ' || model.back() == '\0')) model.pop_back();
    return model;
}

void row(const std::string& drive, const char* route, const Command& command, const std::string& outcome) {
    std::printf("ROW %s %s %s: %s\n", drive.c_str(), route, command.name, outcome.c_str());
}

void directRoute(platform::DriveHandle& handle, const std::string& drive, const Command& command) {
    Bytes data(512, kFill);
    auto request = describe(command, isData(command) ? data.data() : nullptr);
    lmx::AtaPassThroughDirect reply;
    std::memset(&reply, 0, sizeof reply);
    const bool ok = handle.ioControl(lmx::kIoctlAtaPassThroughDirect, &request, sizeof request, &reply, sizeof reply);
    const std::string what = drive + " direct " + command.name;
    if (!ok) {
        const auto error = platform::lastError();
        row(drive, "direct", command, "fails with " + std::to_string(error));
        check(error == platform::kErrorNotSupported, what + ": a route it cannot express fails as not supported");
        if (isDataIn(command)) check(allBytes(data.data(), 512, kFill), what + ": no data handed over");
        return;
    }
    const std::uint8_t status = reply.CurrentTaskFile[lmx::kTaskCommand];
    const std::uint8_t error = reply.CurrentTaskFile[lmx::kTaskFeatures];
    std::string outcome = "status " + byteText(status) + " error " + byteText(error);
    if (isDataIn(command)) outcome += ", " + std::to_string(reply.DataTransferLength) + " bytes";
    row(drive, "direct", command, outcome);
    check(status != command.ata.command, what + ": the status is not the command byte");
    check(!(status & (kStatusBusy | kStatusDrq)), what + ": the status is an ending status");
    if (fails(command)) {
        check((status & lmx::kAtaStatusErr) && error == kErrorAbort, what + ": the device's abort (ERR, error 04)");
        if (isDataIn(command)) {
            check(reply.DataTransferLength == 0 && allBytes(data.data(), 512, kFill), what + ": no data handed over");
        }
        return;
    }
    check(!(status & lmx::kAtaStatusErr) && error == 0, what + ": no error");
    if (command.ata.command == pages::kCommandIdentify) {
        check(Bytes(data.begin(), data.end()) == identifyData, what + ": the IDENTIFY data");
    }
}

// The sense as the program reads it; its INFORMATION field or ATA Status Return descriptor.
struct SenseRegisters {
    std::uint8_t error = 0;
    std::uint8_t status = 0;
};

std::optional<SenseRegisters> satLayoutRegisters(const std::uint8_t* sense) {
    const std::uint8_t code = sense[0] & 0x7F;
    if ((code == 0x70 || code == 0x71) && (sense[0] & 0x80)) return SenseRegisters{sense[3], sense[4]};
    if ((code == 0x72 || code == 0x73) && sense[8] == 0x09) return SenseRegisters{sense[11], sense[21]};
    return std::nullopt;
}

std::uint8_t senseKeyOf(const std::uint8_t* sense) {
    const std::uint8_t code = sense[0] & 0x7F;
    return (code == 0x72 || code == 0x73 ? sense[1] : sense[2]) & 0x0F;
}

void satRoute(platform::DriveHandle& handle, const std::string& drive, const Command& command) {
    Bytes out(512, 0x5A);
    auto request = describe(command, nullptr);
    lmx::ScsiPassThroughRequest sat;
    const auto sizes = lmx::buildSatRequest(request, out.data(), sat);
    const bool ok = sizes && platform::callScsiPassThrough(handle, sat, *sizes);
    const std::string what = drive + " SAT " + command.name;
    if (!ok) {
        row(drive, "SAT", command, "fails with " + std::to_string(platform::lastError()));
        check(false, what + ": the request reaches the disk");
        return;
    }
    const std::uint32_t moved = lmx::u32(sat.DataTransferLength);
    if (sat.ScsiStatus == lmx::kScsiStatusGood) {
        row(drive, "SAT", command, "GOOD" + (isDataIn(command) ? ", " + std::to_string(moved) + " bytes" : ""));
        check(!fails(command), what + ": GOOD");
        if (command.ata.command == pages::kCommandIdentify) {
            const Bytes data(sat.Data, sat.Data + 512);
            if (identifyData.empty()) identifyData = data;
            check(moved == 512 && data == identifyData && !modelOf(data).empty(),
                  what + ": 512 bytes of IDENTIFY data, model \"" + modelOf(data) + "\"");
        }
        return;
    }
    const std::size_t senseLength = sat.SenseInfoLength;
    std::string outcome = "SCSI status " + byteText(sat.ScsiStatus) + ", sense " + hex(sat.Sense, senseLength);
    if (isDataIn(command)) outcome += ", " + std::to_string(moved) + " bytes";
    row(drive, "SAT", command, outcome);
    check(fails(command) && sat.ScsiStatus == lmx::kScsiStatusCheckCondition, what + ": CHECK CONDITION");
    check(senseKeyOf(sat.Sense) == kAbortedCommand, what + ": ABORTED COMMAND");
    const auto registers = satLayoutRegisters(sat.Sense);
    check(registers && (registers->status & lmx::kAtaStatusErr) && registers->error == kErrorAbort,
          what + ": the registers where SAT puts them (VALID and INFORMATION, or the descriptor)");
    lmx::AtaPassThroughDirect reply;
    std::memset(&reply, 0, sizeof reply);
    check(!controller::readSatOutcome(sat, reply) && reply.CurrentTaskFile[lmx::kTaskCommand] == registers->status,
          what + ": the service reads a failure with status " + byteText(registers ? registers->status : 0));
    if (isDataIn(command)) {
        check(moved == 0 && allBytes(sat.Data, 512, 0), what + ": no data and a transfer length of 0");
    }
}

void smartRoute(platform::DriveHandle& handle, const std::string& drive, const Command& command) {
    lmx::SendCmdInParams in{};
    in.irDriveRegs.bFeaturesReg = command.ata.features;
    in.irDriveRegs.bSectorCountReg = command.ata.count;
    in.irDriveRegs.bSectorNumberReg = command.ata.lbaLow;
    in.irDriveRegs.bCylLowReg = command.ata.lbaMid;
    in.irDriveRegs.bCylHighReg = command.ata.lbaHigh;
    in.irDriveRegs.bDriveHeadReg = command.ata.device;
    in.irDriveRegs.bCommandReg = command.ata.command;
    lmx::SendCmdOutParams out{};
    const bool ok = handle.ioControl(lmx::kSmartSendDriveCommand, &in, lmx::kSendCmdInSize, &out, lmx::kSendCmdOutSize);
    const std::string what = drive + " SMART " + command.name;
    if (!ok) {
        row(drive, "SMART", command, "fails with " + std::to_string(platform::lastError()));
        check(false, what + ": accepted");
        return;
    }
    row(drive, "SMART", command,
        "driver error " + std::to_string(out.DriverStatus.bDriverError) + " error " + byteText(out.DriverStatus.bIDEError));
    check(out.DriverStatus.bDriverError == 0 && out.DriverStatus.bIDEError == 0, what + ": done without error");
}

// The service's own transport: both routes, or (with the direct routes refused) the SCSI route alone.
void serviceTransport(int number, const std::string& drive, const char* mode) {
    controller::Drive conversation;
    if (controller::openDrive(number, true, conversation) != 0 || !conversation.handle()) {
        check(false, drive + " " + mode + ": drive opens");
        return;
    }
    const std::string what = drive + " service(" + mode + ")";
    const auto commands = suiteCommands();

    Bytes data(512, 0);
    auto identify = describe(commands[0], data.data());
    lmx::AtaPassThroughDirect reply;
    const bool identified = controller::sendAtaCommand(conversation, identify, reply, false, data.data());
    std::printf("ROW %s service-%s IDENTIFY: %s\n", drive.c_str(), mode, identified ? "sent" : "failed");
    check(identified && data == identifyData, what + " IDENTIFY: the same data as the SCSI route");
    controller::IdentifyFlags flags;
    lmx::ControllerFamily family{};
    const int identification = controller::identifyController(conversation, flags, family);
    std::printf("ROW %s service-%s identifyController: %d\n", drive.c_str(), mode, identification);
    check(identification == 1, what + ": no controller (IDENTIFY data without the integrity signature)");

    const int smart = controller::enableSmart(conversation);
    std::printf("ROW %s service-%s enableSmart: %d\n", drive.c_str(), mode, smart);
    check(smart == 0, what + ": SMART ENABLE succeeds");
    const int clock = controller::setControllerClock(conversation);
    std::printf("ROW %s service-%s setControllerClock: %d\n", drive.c_str(), mode, clock);
    check(clock == -1, what + ": SET DATE & TIME EXT fails");

    std::array<std::uint8_t, 512> page{};
    const bool read = controller::readVendorPage(conversation, 0xE5, page);
    std::printf("ROW %s service-%s readVendorPage(E5): %s\n", drive.c_str(), mode, read ? "true" : "false");
    // Without the error check the direct route's answer counts when it is a device error; either
    // way no data of the failed read reaches the page.
    check(allBytes(page.data(), page.size(), 0), what + ": the aborted page read hands over no data");
    controller::closeDrive(conversation);
}

// The sense the kernel returns, before the platform sees it: RAW lines for the unit tests.
void rawCapture(const std::filesystem::path& device) {
    const int fd = ::open(device.c_str(), O_RDWR | O_NONBLOCK);
    if (fd < 0) return;
    for (const auto& command : suiteCommands()) {
        if (!fails(command) && command.ata.command != pages::kCommandIdentify) continue;
        for (const bool checkCondition : {false, true}) {
            Bytes data(512, 0);
            auto request = describe(command, nullptr);
            std::uint8_t cdb[16];
            lmx::fillAtaPassThrough16(request, cdb);
            if (checkCondition) cdb[lmx::kCdbTransfer] |= lmx::kCdbCheckCondition;
            std::uint8_t sense[32] = {};
            sg_io_hdr_t header;
            std::memset(&header, 0, sizeof header);
            header.interface_id = 'S';
            header.cmd_len = 16;
            header.cmdp = cdb;
            header.mx_sb_len = sizeof sense;
            header.sbp = sense;
            header.timeout = 10'000;
            header.dxfer_direction = isData(command) ? (isDataIn(command) ? SG_DXFER_FROM_DEV : SG_DXFER_TO_DEV)
                                                     : SG_DXFER_NONE;
            if (isData(command)) {
                header.dxfer_len = 512;
                header.dxferp = data.data();
            }
            if (ioctl(fd, SG_IO, &header) != 0) continue;
            std::printf("RAW %s %s ck_cond=%d status=%02x resid=%d data=%s sense=%s\n",
                        device.filename().c_str(), command.name, checkCondition, header.status, header.resid,
                        hex(data.data(), 4).c_str(), hex(sense, header.sb_len_wr).c_str());
        }
    }
    ::close(fd);
}

void probeDrive(int number) {
    std::error_code ignored;
    const auto target = std::filesystem::read_symlink(platform::driveEntryPath(number), ignored);
    const std::string drive = target.empty() ? "drive" + std::to_string(number) : target.filename().string();
    char name[24];
    std::snprintf(name, sizeof name, "\\\\.\\PHYSICALDRIVE%d", number);
    auto handle = platform::DriveHandle::open(name);
    check(handle.has_value(), drive + ": opens as " + name);
    if (!handle) return;

    const auto commands = suiteCommands();
    // The SCSI route first, so that IDENTIFY's data is known; on /dev/sg* the failed page read
    // that follows IDENTIFY would find that data still in the kernel's buffer.
    for (const auto& command : commands) satRoute(*handle, drive, command);
    for (const auto& command : commands) directRoute(*handle, drive, command);
    smartRoute(*handle, drive, commands.back());

    // The SCSI route alone: the direct and SMART requests are refused as on a disk without them.
    platform::refuseAtaRequestsForTesting(true);
    lmx::AtaPassThroughDirect reply;
    auto request = describe(commands[1], nullptr);
    check(!handle->ioControl(lmx::kIoctlAtaPassThroughDirect, &request, sizeof request, &reply, sizeof reply) &&
              platform::lastError() == platform::kErrorNotSupported,
          drive + ": with the direct routes refused, the direct request fails as not supported");
    serviceTransport(number, drive, "sat-only");
    platform::refuseAtaRequestsForTesting(false);
    serviceTransport(number, drive, "both");

    if (!target.empty()) rawCapture(target);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: vm_drive_probe DRIVE...\n");
        return 2;
    }
    for (int i = 1; i < argc; ++i) probeDrive(std::atoi(argv[i]));
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 && passed > 0 ? 0 : 1;
}
