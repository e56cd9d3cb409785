#include "platform/linux/block_device_drive.h"

#include <fcntl.h>
#include <linux/hdreg.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "common/ata_pass_through.h"
#include "common/vendor_pages.h"
#include "platform/linux/sg_io_translation.h"
#include "platform/physical_drive.h"
#include "platform/win_error.h"

namespace platform {

namespace {

std::uint32_t ioctlError(int errnoValue) {
    // A disk or driver without the ioctl answers with these: the request is not supported.
    if (errnoValue == EINVAL || errnoValue == ENOTTY || errnoValue == EOPNOTSUPP) return kErrorNotSupported;
    if (errnoValue == EIO) return kErrorIoDevice;
    return errorFromErrno(errnoValue);
}

class BlockDeviceDrive final : public DriveBackend {
public:
    explicit BlockDeviceDrive(int fd) : fd_(fd) {}
    ~BlockDeviceDrive() override { ::close(fd_); }

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
        if (ioctl(fd_, SG_IO, &header) != 0) {
            error = ioctlError(errno);
            return false;
        }
        if (!sgio::completeRequest(header, buffer.data(), error)) return false;
        std::memcpy(out, buffer.data(), outSize);
        bytesReturned = outSize;
        return true;
    }

    // HDIO_DRIVE_TASK: a non-data command with the seven registers; they come back with status
    // in [0] and error in [1].
    bool driveTask(std::uint8_t registers[7], std::uint32_t& error) {
        if (ioctl(fd_, HDIO_DRIVE_TASK, registers) != 0) {
            error = ioctlError(errno);
            return false;
        }
        return true;
    }

    bool ataDirect(const void* in, std::uint32_t inSize, void* out, std::uint32_t outSize,
                   std::uint32_t& bytesReturned, std::uint32_t& error) {
        if (inSize < sizeof(lmx::AtaPassThroughDirect) || outSize < sizeof(lmx::AtaPassThroughDirect)) {
            error = kErrorInvalidParameter;
            return false;
        }
        lmx::AtaPassThroughDirect request;
        std::memcpy(&request, in, sizeof request);
        const auto* task = request.CurrentTaskFile;
        lmx::AtaPassThroughDirect reply = request;
        const bool dataIn = request.AtaFlags & lmx::kAtaFlagsDataIn;
        const bool dataOut = request.AtaFlags & lmx::kAtaFlagsDataOut;
        if (request.AtaFlags & lmx::kAtaFlags48BitCommand || dataOut) {
            error = kErrorNotSupported;
            return false;
        }
        if (!dataIn) {
            std::uint8_t registers[7] = {task[lmx::kTaskCommand], task[lmx::kTaskFeatures], task[lmx::kTaskSectorCount],
                                         task[lmx::kTaskLbaLow],  task[lmx::kTaskLbaMid],   task[lmx::kTaskLbaHigh],
                                         task[lmx::kTaskDevice]};
            if (!driveTask(registers, error)) return false;
            reply.CurrentTaskFile[lmx::kTaskCommand] = registers[0];
            reply.CurrentTaskFile[lmx::kTaskFeatures] = registers[1];
        } else if (task[lmx::kTaskCommand] == lmx::pages::kCommandIdentify && request.DataTransferLength == 512 &&
                   request.DataBuffer) {
            // HDIO_DRIVE_CMD expresses IDENTIFY exactly; vendor page reads (which need LBA
            // registers it cannot set) are not supported and go the SCSI way.
            std::uint8_t command[4 + 512] = {lmx::pages::kCommandIdentify, 0, 0, 1};
            if (ioctl(fd_, HDIO_DRIVE_CMD, command) != 0) {
                error = ioctlError(errno);
                return false;
            }
            std::memcpy(request.DataBuffer, command + 4, 512);
            reply.CurrentTaskFile[lmx::kTaskCommand] = command[0];
            reply.CurrentTaskFile[lmx::kTaskFeatures] = command[1];
        } else {
            error = kErrorNotSupported;
            return false;
        }
        std::memcpy(out, &reply, sizeof reply);
        bytesReturned = sizeof reply;
        return true;
    }

    bool smartCommand(const void* in, std::uint32_t inSize, void* out, std::uint32_t outSize,
                      std::uint32_t& bytesReturned, std::uint32_t& error) {
        if (inSize < lmx::kSendCmdInSize || outSize < offsetof(lmx::SendCmdOutParams, bBuffer)) {
            error = kErrorInvalidParameter;
            return false;
        }
        lmx::SendCmdInParams request{};
        std::memcpy(&request, in, lmx::kSendCmdInSize);
        if (lmx::loadLittleEndian<std::uint32_t>(request.cBufferSize) != 0) {
            error = kErrorNotSupported;
            return false;
        }
        const auto& regs = request.irDriveRegs;
        std::uint8_t registers[7] = {regs.bCommandReg, regs.bFeaturesReg, regs.bSectorCountReg, regs.bSectorNumberReg,
                                     regs.bCylLowReg,  regs.bCylHighReg,  regs.bDriveHeadReg};
        if (!driveTask(registers, error)) return false;
        std::vector<std::uint8_t> reply(outSize, 0);
        auto* status = reinterpret_cast<lmx::SendCmdOutParams*>(reply.data());
        status->DriverStatus.bIDEError = registers[1];
        std::memcpy(out, reply.data(), outSize);
        bytesReturned = outSize;
        return true;
    }

    int fd_;
};

}  // namespace

std::unique_ptr<DriveBackend> openBlockDevice(const std::filesystem::path& device, std::uint32_t& error) {
    const int fd = ::open(device.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = errorFromErrno(errno);
        return nullptr;
    }
    return std::make_unique<BlockDeviceDrive>(fd);
}

}  // namespace platform
