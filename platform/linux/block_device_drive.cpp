#include "platform/linux/block_device_drive.h"

#include <fcntl.h>
#include <linux/hdreg.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "common/ata_pass_through.h"
#include "platform/linux/ata_pass_through_sense.h"
#include "platform/linux/ata_task_file.h"
#include "platform/linux/sg_io_translation.h"
#include "platform/physical_drive.h"
#include "platform/system_info.h"
#include "platform/win_error.h"

namespace platform {

namespace {

std::atomic<bool> gRefuseAtaRequests{false};

// The descriptor's Length as a 32-bit process fills it, and as this process's layout is.
constexpr std::uint16_t kDescriptorLength32 = 40;
constexpr std::uint32_t kLargestTransfer = 1u << 20;
constexpr std::uint32_t kSmartTimeOutSeconds = 10;
constexpr std::uint8_t kSmartIdeError = 1;  // SENDCMDOUTPARAMS: the device ended the command with an error
constexpr std::size_t kSenseSize = 32;

std::uint32_t ioctlError(int errnoValue) {
    // A disk or driver without the ioctl answers with these: the request is not supported.
    if (errnoValue == EINVAL || errnoValue == ENOTTY || errnoValue == EOPNOTSUPP) return kErrorNotSupported;
    if (errnoValue == EIO) return kErrorIoDevice;
    return errorFromErrno(errnoValue);
}

// One debug line per request: "sda: direct EC: status 50 error 00".
void trace(const std::string& drive, const char* route, std::uint8_t command, const std::string& outcome) {
    char head[48];
    std::snprintf(head, sizeof head, ": %s %02X: ", route, command);
    debugOutput(drive + head + outcome + "\n");
}

std::string registersText(const sgio::AtaRegisters& registers) {
    char text[32];
    std::snprintf(text, sizeof text, "status %02X error %02X", registers.status(), registers.error());
    return text;
}

std::string errorText(std::uint32_t error) { return "fails with " + std::to_string(error); }

// The devices whose open was refused for lack of rights and said so in the log; a device that
// opens again leaves the set, so that a later refusal is said again.
std::mutex gRefusedDevicesLock;
std::set<std::string> gRefusedDevices;

// A disk the service may not open answers like a machine without a controller there; without
// this line nothing would tell the two apart. Said once per device, debug output or not.
void noteOpen(const std::filesystem::path& device, int failure) {
    const bool refused = failure == EPERM || failure == EACCES;
    std::lock_guard lock(gRefusedDevicesLock);
    if (!refused) {
        gRefusedDevices.erase(device.string());
        return;
    }
    if (!gRefusedDevices.insert(device.string()).second) return;
    std::fprintf(stderr,
                 "%s cannot be opened: %s; its drive is taken as having no controller (under systemd the unit's "
                 "DeviceAllow= list decides which disks the service may open).\n",
                 device.c_str(), std::strerror(failure));
    std::fflush(stderr);
}

class DeviceChannel final : public ScsiGenericChannel {
public:
    explicit DeviceChannel(int fd) : fd_(fd) {}
    ~DeviceChannel() override { ::close(fd_); }
    int sgIo(sg_io_hdr_t& header) override { return ioctl(fd_, SG_IO, &header) == 0 ? 0 : errno; }

private:
    int fd_;
};

class DiskDrive final : public DriveBackend {
public:
    DiskDrive(std::unique_ptr<ScsiGenericChannel> channel, std::string name, bool libata)
        : channel_(std::move(channel)), name_(std::move(name)), libata_(libata) {}

    bool ioControl(std::uint32_t code, const void* in, std::uint32_t inSize, void* out, std::uint32_t outSize,
                   std::uint32_t& bytesReturned, std::uint32_t& error) override {
        bytesReturned = 0;
        switch (code) {
            case lmx::kIoctlScsiPassThrough: return scsiPassThrough(in, inSize, out, outSize, bytesReturned, error);
            case lmx::kIoctlAtaPassThroughDirect: return ataDirect(in, inSize, out, outSize, bytesReturned, error);
            case lmx::kSmartSendDriveCommand: return smartCommand(in, inSize, out, outSize, bytesReturned, error);
            default: error = kErrorInvalidFunction; return false;
        }
    }

private:
    bool scsiPassThrough(const void* in, std::uint32_t inSize, void* out, std::uint32_t outSize,
                         std::uint32_t& bytesReturned, std::uint32_t& error) {
        // The request is one buffer: work on a copy large enough for both directions.
        std::vector<std::uint8_t> buffer(std::max(inSize, outSize), 0);
        std::memcpy(buffer.data(), in, inSize);
        sg_io_hdr_t header;
        if (!sgio::buildRequest(buffer.data(), inSize, outSize, header, error)) return false;
        const std::uint8_t command = header.cmdp[0] == lmx::kAtaPassThrough16 ? header.cmdp[lmx::kCdbCommand] : 0;
        if (const int failure = channel_->sgIo(header)) {
            error = ioctlError(failure);
            trace(name_, "SAT", command, errorText(error));
            return false;
        }
        const bool rewritten = libata_ && sgio::isAtaPassThrough(header.cmdp, header.cmd_len) &&
                               sgio::isOlderLibataLayout(header.sbp, header.sb_len_wr);
        if (!sgio::completeRequest(header, buffer.data(), libata_, error)) {
            trace(name_, "SAT", command, errorText(error));
            return false;
        }
        std::memcpy(out, buffer.data(), outSize);
        bytesReturned = outSize;
        traceScsi(header, command, rewritten);
        return true;
    }

    void traceScsi(const sg_io_hdr_t& header, std::uint8_t command, bool rewritten) {
        const bool dataIn = header.dxfer_direction == SG_DXFER_FROM_DEV;
        if (header.status == lmx::kScsiStatusGood) {
            trace(name_, "SAT", command,
                  dataIn ? "GOOD, " + std::to_string(sgio::transferred(header)) + " bytes" : std::string("GOOD"));
            return;
        }
        char text[48];
        std::snprintf(text, sizeof text, "SCSI status %02X", header.status);
        std::string outcome = text;
        if (const auto key = sgio::senseKey(header.sbp, header.sb_len_wr)) {
            std::snprintf(text, sizeof text, ", sense %02X key %X", header.sbp[0], *key);
            outcome += text;
        }
        if (const auto registers = sgio::ataStatusReturn(header.sbp, header.sb_len_wr, false)) {
            outcome += ", " + registersText(*registers);
        }
        if (rewritten) outcome += " (older libata layout rewritten)";
        if (dataIn && !sgio::commandSucceeded(header)) outcome += ", no data";
        trace(name_, "SAT", command, outcome);
    }

    // One task-file command as ATA PASS-THROUGH(16) with CK_COND; `data` holds the data to send, or
    // receives the data that came. False with `error` when the call or the transport failed.
    bool sendTaskFile(const lmx::AtaPassThroughDirect& request, std::vector<std::uint8_t>& data,
                      sgio::TaskFileResult& result, std::uint32_t& moved, std::uint32_t& error) {
        std::uint8_t cdb[16];
        sgio::buildTaskFileCommand(request, cdb);
        std::uint8_t sense[kSenseSize] = {};
        sg_io_hdr_t header;
        std::memset(&header, 0, sizeof header);
        header.interface_id = 'S';
        header.cmd_len = sizeof cdb;
        header.cmdp = cdb;
        header.mx_sb_len = sizeof sense;
        header.sbp = sense;
        header.timeout = sgio::timeoutMilliseconds(request.TimeOutValue);
        header.dxfer_direction = SG_DXFER_NONE;
        if (!data.empty()) {
            header.dxfer_direction = request.AtaFlags & lmx::kAtaFlagsDataIn ? SG_DXFER_FROM_DEV : SG_DXFER_TO_DEV;
            header.dxfer_len = static_cast<unsigned>(data.size());
            header.dxferp = data.data();
        }
        if (const int failure = channel_->sgIo(header)) {
            error = ioctlError(failure);
            return false;
        }
        if (sgio::transportFailed(header, error)) return false;
        result = sgio::readTaskFileResult(header.status, sense, header.sb_len_wr,
                                          request.AtaFlags & lmx::kAtaFlags48BitCommand);
        moved = data.empty() ? 0 : sgio::transferred(header);
        return true;
    }

    bool refusesAtaRequests() const { return !libata_ || gRefuseAtaRequests.load(); }

    bool ataDirect(const void* in, std::uint32_t inSize, void* out, std::uint32_t outSize,
                   std::uint32_t& bytesReturned, std::uint32_t& error) {
        if (!in || !out || inSize < sizeof(lmx::AtaPassThroughDirect) || outSize < sizeof(lmx::AtaPassThroughDirect)) {
            error = kErrorInvalidParameter;
            return false;
        }
        lmx::AtaPassThroughDirect request;
        std::memcpy(&request, in, sizeof request);
        const std::uint8_t command = request.CurrentTaskFile[lmx::kTaskCommand];
        if (refusesAtaRequests()) {
            error = kErrorNotSupported;
            trace(name_, "direct", command, "not supported on this disk");
            return false;
        }
        const bool dataIn = request.AtaFlags & lmx::kAtaFlagsDataIn;
        const bool dataOut = request.AtaFlags & lmx::kAtaFlagsDataOut;
        const std::uint32_t length = dataIn || dataOut ? request.DataTransferLength : 0;
        if ((request.Length != sizeof request && request.Length != kDescriptorLength32) || (dataIn && dataOut) ||
            length > kLargestTransfer || (length > 0 && !request.DataBuffer)) {
            error = kErrorInvalidParameter;
            return false;
        }
        std::vector<std::uint8_t> data(length);
        if (dataOut && length > 0) std::memcpy(data.data(), request.DataBuffer, length);

        sgio::TaskFileResult result;
        std::uint32_t moved = 0;
        if (!sendTaskFile(request, data, result, moved, error)) {
            trace(name_, "direct", command, errorText(error));
            return false;
        }
        if (result.outcome == sgio::TaskFileOutcome::NotExpressed) {
            error = kErrorNotSupported;
            trace(name_, "direct", command, std::string("not supported: ") + result.reason);
            return false;
        }
        const bool completed = result.outcome == sgio::TaskFileOutcome::Completed;
        lmx::AtaPassThroughDirect reply = request;
        sgio::storeRegisters(result.registers, request.AtaFlags & lmx::kAtaFlags48BitCommand, reply);
        // Only a command that completed hands over data.
        if (dataIn && completed && moved > 0) std::memcpy(request.DataBuffer, data.data(), moved);
        reply.DataTransferLength = completed ? moved : 0;
        std::memcpy(out, &reply, sizeof reply);
        bytesReturned = sizeof reply;
        trace(name_, "direct", command,
              (completed ? "" : "device error, ") + registersText(result.registers) +
                  (dataIn ? ", " + std::to_string(reply.DataTransferLength) + " bytes" : ""));
        return true;
    }

    bool smartCommand(const void* in, std::uint32_t inSize, void* out, std::uint32_t outSize,
                      std::uint32_t& bytesReturned, std::uint32_t& error) {
        if (!in || !out || inSize < lmx::kSendCmdInSize || outSize < offsetof(lmx::SendCmdOutParams, bBuffer)) {
            error = kErrorInvalidParameter;
            return false;
        }
        lmx::SendCmdInParams request{};
        std::memcpy(&request, in, lmx::kSendCmdInSize);
        const auto& regs = request.irDriveRegs;
        // Only commands without data: what the programs send this way.
        if (refusesAtaRequests() || lmx::loadLittleEndian<std::uint32_t>(request.cBufferSize) != 0) {
            error = kErrorNotSupported;
            trace(name_, "SMART", regs.bCommandReg, "not supported on this disk");
            return false;
        }
        lmx::AtaPassThroughDirect task;
        std::memset(&task, 0, sizeof task);
        task.Length = sizeof task;
        task.TimeOutValue = kSmartTimeOutSeconds;
        task.CurrentTaskFile[lmx::kTaskFeatures] = regs.bFeaturesReg;
        task.CurrentTaskFile[lmx::kTaskSectorCount] = regs.bSectorCountReg;
        task.CurrentTaskFile[lmx::kTaskLbaLow] = regs.bSectorNumberReg;
        task.CurrentTaskFile[lmx::kTaskLbaMid] = regs.bCylLowReg;
        task.CurrentTaskFile[lmx::kTaskLbaHigh] = regs.bCylHighReg;
        task.CurrentTaskFile[lmx::kTaskDevice] = regs.bDriveHeadReg;
        task.CurrentTaskFile[lmx::kTaskCommand] = regs.bCommandReg;

        std::vector<std::uint8_t> noData;
        sgio::TaskFileResult result;
        std::uint32_t moved = 0;
        if (!sendTaskFile(task, noData, result, moved, error)) {
            trace(name_, "SMART", regs.bCommandReg, errorText(error));
            return false;
        }
        if (result.outcome == sgio::TaskFileOutcome::NotExpressed) {
            error = kErrorNotSupported;
            trace(name_, "SMART", regs.bCommandReg, std::string("not supported: ") + result.reason);
            return false;
        }
        // As the platform's driver answers: the request succeeds, and a device error shows in
        // the driver status with the error register.
        std::vector<std::uint8_t> reply(outSize, 0);
        auto* status = reinterpret_cast<lmx::SendCmdOutParams*>(reply.data());
        const bool completed = result.outcome == sgio::TaskFileOutcome::Completed;
        status->DriverStatus.bDriverError = completed ? 0 : kSmartIdeError;
        status->DriverStatus.bIDEError = result.registers.error();
        std::memcpy(out, reply.data(), outSize);
        bytesReturned = outSize;
        trace(name_, "SMART", regs.bCommandReg, (completed ? "" : "device error, ") + registersText(result.registers));
        return true;
    }

    std::unique_ptr<ScsiGenericChannel> channel_;
    std::string name_;
    bool libata_;
};

// libata answers the kernel's ATA ioctls; other SCSI drivers do not.
bool drivenByLibata(int fd) {
    long mode = 0;
    return ioctl(fd, HDIO_GET_32BIT, &mode) == 0;
}

}  // namespace

std::unique_ptr<DriveBackend> openBlockDevice(const std::filesystem::path& device, std::uint32_t& error) {
    const int fd = ::open(device.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    const int failure = fd < 0 ? errno : 0;
    noteOpen(device, failure);
    if (fd < 0) {
        error = errorFromErrno(failure);
        return nullptr;
    }
    std::error_code ignored;
    const auto target = std::filesystem::weakly_canonical(device, ignored);
    const std::string name = (target.empty() ? device : target).filename().string();
    const bool libata = drivenByLibata(fd);
    return makeDiskDrive(std::make_unique<DeviceChannel>(fd), name, libata);
}

std::unique_ptr<DriveBackend> makeDiskDrive(std::unique_ptr<ScsiGenericChannel> channel, std::string name,
                                            bool libata) {
    return std::make_unique<DiskDrive>(std::move(channel), std::move(name), libata);
}

void refuseAtaRequestsForTesting(bool refuse) { gRefuseAtaRequests.store(refuse); }

}  // namespace platform
