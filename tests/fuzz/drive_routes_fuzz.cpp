// The direct ATA and legacy SMART routes of a real disk (platform/linux/block_device_drive)
// over a channel that answers as a kernel might: any SCSI status, host and driver status,
// residue, sense and data. The input: route, libata or not, the request's flags and sizes, then
// the kernel's answer.
//
// Properties: nothing is written past the caller's output buffer or data buffer (each exactly
// sized), bytesReturned never exceeds the output size, a successful direct request reports
// exactly the registers the sense carried, whole (and no data on a device error), and a SMART
// reply is the driver status alone, every data byte zero.

#include <scsi/sg.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "common/ata_pass_through.h"
#include "platform/drive_backend.h"
#include "platform/linux/ata_pass_through_sense.h"
#include "platform/linux/block_device_drive.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

struct KernelAnswer {
    int failure = 0;
    std::uint8_t status = 0;
    std::uint8_t hostStatus = 0;
    std::uint8_t driverStatus = 0;
    int resid = 0;
    std::vector<std::uint8_t> sense;
    std::vector<std::uint8_t> data;
    // What the platform received, for the checks.
    std::vector<std::uint8_t> senseDelivered;
};

class AnsweringChannel final : public platform::ScsiGenericChannel {
public:
    explicit AnsweringChannel(KernelAnswer& answer) : answer_(answer) {}
    int sgIo(sg_io_hdr_t& header) override {
        if (answer_.failure) return answer_.failure;
        if (header.dxfer_direction == SG_DXFER_FROM_DEV && header.dxferp) {
            std::copy_n(answer_.data.begin(), std::min<std::size_t>(answer_.data.size(), header.dxfer_len),
                        static_cast<std::uint8_t*>(header.dxferp));
        }
        header.status = answer_.status;
        header.host_status = answer_.hostStatus;
        header.driver_status = answer_.driverStatus;
        header.resid = answer_.resid;
        header.sb_len_wr = static_cast<unsigned char>(std::min<std::size_t>(answer_.sense.size(), header.mx_sb_len));
        if (header.sbp) std::copy_n(answer_.sense.begin(), header.sb_len_wr, header.sbp);
        answer_.senseDelivered.assign(answer_.sense.begin(), answer_.sense.begin() + header.sb_len_wr);
        return 0;
    }

private:
    KernelAnswer& answer_;
};

constexpr std::uint8_t kDataPattern = 0xA5;

void directRoute(platform::DriveBackend& drive, lmx::fuzz::FuzzInput& input, KernelAnswer& answer) {
    lmx::AtaPassThroughDirect request;
    std::memset(&request, 0, sizeof request);
    const std::uint8_t flags = input.byte();
    request.Length = flags & 0x80 ? 40 : sizeof request;
    request.AtaFlags = flags & (lmx::kAtaFlagsDataIn | lmx::kAtaFlagsDataOut | lmx::kAtaFlags48BitCommand);
    request.DataTransferLength = input.u32() % 2048;
    request.TimeOutValue = 10;
    input.fill(request.CurrentTaskFile);
    const std::uint32_t outSize = input.byte() % 64;
    const bool extended = request.AtaFlags & lmx::kAtaFlags48BitCommand;
    const bool dataIn = request.AtaFlags & lmx::kAtaFlagsDataIn;

    // The caller's data buffer and output buffer, exactly sized.
    auto dataBuffer = std::make_unique<std::uint8_t[]>(request.DataTransferLength);
    std::memset(dataBuffer.get(), kDataPattern, request.DataTransferLength);
    request.DataBuffer = dataBuffer.get();
    auto out = std::make_unique<std::uint8_t[]>(outSize);

    std::uint32_t bytesReturned = 0, error = 0;
    const bool ok = drive.ioControl(lmx::kIoctlAtaPassThroughDirect, &request, sizeof request, out.get(), outSize,
                                    bytesReturned, error);
    FUZZ_CHECK(bytesReturned <= outSize);
    if (!ok) {
        FUZZ_CHECK(error != 0);
        return;
    }
    FUZZ_CHECK(bytesReturned == sizeof(lmx::AtaPassThroughDirect));
    lmx::AtaPassThroughDirect reply;
    std::memcpy(&reply, out.get(), sizeof reply);
    // Every register reported is one the sense carried.
    const auto carried = platform::sgio::ataStatusReturn(answer.senseDelivered.data(), answer.senseDelivered.size(),
                                                         extended);
    FUZZ_CHECK(carried.has_value());
    {
        FUZZ_CHECK(reply.CurrentTaskFile[lmx::kTaskFeatures] == carried->error());
        FUZZ_CHECK(reply.CurrentTaskFile[lmx::kTaskCommand] == carried->status());
        FUZZ_CHECK(reply.CurrentTaskFile[lmx::kTaskSectorCount] == carried->count);
        FUZZ_CHECK(reply.CurrentTaskFile[lmx::kTaskLbaHigh] == carried->lbaHigh);
        FUZZ_CHECK(!extended || reply.PreviousTaskFile[lmx::kTaskLbaHigh] == carried->lba40);
    }
    FUZZ_CHECK(reply.DataTransferLength <= request.DataTransferLength);
    const bool completed = platform::sgio::senseKeyMeansSuccess(
        platform::sgio::senseKey(answer.senseDelivered.data(), answer.senseDelivered.size()).value_or(0xFF));
    if (!completed) {
        // A device error (ERR or DF) hands over no data.
        FUZZ_CHECK(carried->status() & (lmx::kAtaStatusErr | 0x20));
        FUZZ_CHECK(reply.DataTransferLength == 0);
        if (dataIn) {
            FUZZ_CHECK(std::all_of(dataBuffer.get(), dataBuffer.get() + request.DataTransferLength,
                                   [](std::uint8_t b) { return b == kDataPattern; }));
        }
    }
}

void smartRoute(platform::DriveBackend& drive, lmx::fuzz::FuzzInput& input, KernelAnswer&) {
    std::uint8_t in[lmx::kSendCmdInSize] = {};
    input.fill(in);
    in[0] = in[1] = in[2] = in[3] = 0;  // cBufferSize 0: the commands sent this way move no data
    const std::uint32_t outSize = input.byte() % 32 + input.byte() % 2 * 528;
    auto out = std::make_unique<std::uint8_t[]>(outSize);
    std::memset(out.get(), kDataPattern, outSize);
    std::uint32_t bytesReturned = 0, error = 0;
    const bool ok = drive.ioControl(lmx::kSmartSendDriveCommand, in, sizeof in, out.get(), outSize, bytesReturned, error);
    FUZZ_CHECK(bytesReturned <= outSize);
    if (!ok) {
        FUZZ_CHECK(error != 0);
        return;
    }
    FUZZ_CHECK(outSize >= offsetof(lmx::SendCmdOutParams, bBuffer));
    const std::uint8_t driverError = out[offsetof(lmx::SendCmdOutParams, DriverStatus)];
    FUZZ_CHECK(driverError == 0 || driverError == 1);
    FUZZ_CHECK(std::all_of(out.get() + offsetof(lmx::SendCmdOutParams, bBuffer), out.get() + bytesReturned,
                           [](std::uint8_t b) { return b == 0; }));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    lmx::fuzz::FuzzInput input(data, size);
    const std::uint8_t route = input.byte();
    const bool libata = !(route & 0x80);
    // The request's bytes come first, the kernel's answer takes the rest.
    std::uint8_t requestBytes[48];
    input.fill(requestBytes);
    lmx::fuzz::FuzzInput requestInput(requestBytes, sizeof requestBytes);
    KernelAnswer answer;
    const std::uint8_t outcome = input.byte();
    answer.failure = outcome == 0xFF ? 5 : 0;  // EIO
    answer.status = input.byte();
    answer.hostStatus = outcome & 0x01 ? input.byte() : 0;
    answer.driverStatus = outcome & 0x02 ? input.byte() : 0;
    answer.resid = static_cast<int>(input.u32());
    answer.sense = input.bytes(input.byte());
    answer.data = input.rest();

    auto drive = platform::makeDiskDrive(std::make_unique<AnsweringChannel>(answer), "fuzz", libata);
    if (route & 1) {
        smartRoute(*drive, requestInput, answer);
    } else {
        directRoute(*drive, requestInput, answer);
    }
    return 0;
}
