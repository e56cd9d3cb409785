#include "platform/windows/disk_drive.h"

#include <windows.h>
#include <winioctl.h>
#include <ntddscsi.h>

#include <cstdio>
#include <string>

#include "common/ata_pass_through.h"
#include "platform/physical_drive.h"
#include "platform/system_info.h"
#include "platform/win_error.h"
#include "platform/windows/scsi_pass_through_layout.h"
#include "platform/windows/wide_text.h"

namespace platform::win32 {

static_assert(lmx::kIoctlAtaPassThroughDirect == IOCTL_ATA_PASS_THROUGH_DIRECT);
static_assert(lmx::kIoctlScsiPassThrough == IOCTL_SCSI_PASS_THROUGH);
static_assert(lmx::kSmartSendDriveCommand == SMART_SEND_DRIVE_COMMAND);
static_assert(sizeof(lmx::AtaPassThroughDirect) == sizeof(ATA_PASS_THROUGH_DIRECT));
static_assert(offsetof(lmx::AtaPassThroughDirect, DataBuffer) == offsetof(ATA_PASS_THROUGH_DIRECT, DataBuffer));
static_assert(offsetof(lmx::AtaPassThroughDirect, CurrentTaskFile) ==
              offsetof(ATA_PASS_THROUGH_DIRECT, CurrentTaskFile));

namespace {

// "PHYSICALDRIVE0: ioctl 4D004: fails with 50".
void trace(int driveNumber, std::uint32_t code, const std::string& outcome) {
    char head[64];
    std::snprintf(head, sizeof head, "PHYSICALDRIVE%d: ioctl %X: ", driveNumber, static_cast<unsigned>(code));
    debugOutput(head + outcome + "\n");
}

class DiskDrive final : public DriveBackend {
public:
    DiskDrive(HANDLE handle, int driveNumber) : handle_(handle), driveNumber_(driveNumber) {}
    ~DiskDrive() override { ::CloseHandle(handle_); }
    DiskDrive(const DiskDrive&) = delete;
    DiskDrive& operator=(const DiskDrive&) = delete;

    bool ioControl(std::uint32_t code, const void* in, std::uint32_t inSize, void* out, std::uint32_t outSize,
                   std::uint32_t& bytesReturned, std::uint32_t& error) override {
        bytesReturned = 0;
        const bool ok = code == lmx::kIoctlScsiPassThrough
                            ? scsiPassThrough(in, inSize, out, outSize, bytesReturned, error)
                            : deviceIoControl(code, const_cast<void*>(in), inSize, out, outSize, bytesReturned, error);
        trace(driveNumber_, code, ok ? std::to_string(bytesReturned) + " bytes" : "fails with " + std::to_string(error));
        return ok;
    }

private:
    bool deviceIoControl(std::uint32_t code, void* in, std::uint32_t inSize, void* out, std::uint32_t outSize,
                         std::uint32_t& bytesReturned, std::uint32_t& error) {
        DWORD returned = 0;
        if (!::DeviceIoControl(handle_, code, in, inSize, out, outSize, &returned, nullptr)) {
            error = ::GetLastError();
            return false;
        }
        bytesReturned = returned;
        return true;
    }

    bool scsiPassThrough(const void* in, std::uint32_t inSize, void* out, std::uint32_t outSize,
                         std::uint32_t& bytesReturned, std::uint32_t& error) {
        auto request = NativeScsiRequest::build(in, inSize, outSize, error);
        if (!request || !out) {
            error = kErrorInvalidParameter;
            return false;
        }
        std::uint32_t returned = 0;
        if (!deviceIoControl(IOCTL_SCSI_PASS_THROUGH, request->buffer(), request->inSize(), request->buffer(),
                             request->outSize(), returned, error)) {
            return false;
        }
        bytesReturned = request->answer(out, returned);
        return true;
    }

    HANDLE handle_;
    int driveNumber_;
};

}  // namespace

std::unique_ptr<DriveBackend> openDisk(int driveNumber, std::uint32_t& error) {
    // Read and write access, shared with every other program that talks to the disk.
    const HANDLE handle = ::CreateFileW(widen(physicalDrivePath(driveNumber)).c_str(), GENERIC_READ | GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error = ::GetLastError();
        return nullptr;
    }
    return std::make_unique<DiskDrive>(handle, driveNumber);
}

}  // namespace platform::win32
