// A real disk's three request routes over SG_IO, with the kernel's answers replayed from captures.

#include "platform/linux/block_device_drive.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>

#include "common/ata_pass_through.h"
#include "platform/linux/ata_pass_through_sense.h"
#include "platform/linux/ata_task_file.h"
#include "platform/physical_drive.h"
#include "platform/win_error.h"
#include "tests/platform/captured_kernel_answers.h"
#include "tests/support/other_user.h"
#include "tests/support/temp_root.h"

namespace platform {
namespace {

using captured::Bytes;

// One kernel answer, and what was sent.
struct Answer {
    int failure = 0;  // errno of the call
    std::uint8_t status = 0;
    Bytes sense;
    Bytes data;       // written to a data-in buffer whatever the status, as /dev/sg* may
    int resid = 0;
};

struct Exchange {
    Answer answer;
    int calls = 0;
    std::uint8_t cdb[16] = {};
    int direction = 0;
    Bytes sent;  // data out
};

class ReplayChannel final : public ScsiGenericChannel {
public:
    explicit ReplayChannel(Exchange& exchange) : exchange_(exchange) {}
    int sgIo(sg_io_hdr_t& header) override {
        ++exchange_.calls;
        std::copy_n(header.cmdp, std::min<int>(header.cmd_len, 16), exchange_.cdb);
        exchange_.direction = header.dxfer_direction;
        const auto* data = static_cast<std::uint8_t*>(header.dxferp);
        if (header.dxfer_direction == SG_DXFER_TO_DEV) exchange_.sent.assign(data, data + header.dxfer_len);
        const Answer& answer = exchange_.answer;
        if (answer.failure) return answer.failure;
        if (header.dxfer_direction == SG_DXFER_FROM_DEV) {
            std::copy_n(answer.data.begin(), std::min<std::size_t>(answer.data.size(), header.dxfer_len),
                        static_cast<std::uint8_t*>(header.dxferp));
        }
        header.status = answer.status;
        header.driver_status = answer.sense.empty() ? 0 : 0x08;
        header.sb_len_wr = static_cast<unsigned char>(std::min<std::size_t>(answer.sense.size(), header.mx_sb_len));
        std::copy_n(answer.sense.begin(), header.sb_len_wr, header.sbp);
        header.resid = answer.resid;
        return 0;
    }

private:
    Exchange& exchange_;
};

Answer checkCondition(const Bytes& sense, Bytes data = {}) { return {0, 0x02, sense, std::move(data), 0}; }

Bytes identifyData() {
    Bytes data(512, 0x11);
    std::copy(captured::kIdentifyDataStart.begin(), captured::kIdentifyDataStart.end(), data.begin());
    return data;
}

class DiskDriveTest : public ::testing::Test {
protected:
    void TearDown() override { refuseAtaRequestsForTesting(false); }

    std::unique_ptr<DriveBackend> drive(bool libata = true) {
        return makeDiskDrive(std::make_unique<ReplayChannel>(exchange), "sda", libata);
    }

    lmx::AtaPassThroughDirect descriptor(std::uint16_t flags, std::uint8_t features, std::uint8_t count,
                                         std::uint8_t lbaMid, std::uint8_t lbaHigh, std::uint8_t command) {
        lmx::AtaPassThroughDirect request;
        std::memset(&request, 0, sizeof request);
        request.Length = sizeof request;
        request.AtaFlags = flags;
        request.TimeOutValue = 10;
        if (flags & (lmx::kAtaFlagsDataIn | lmx::kAtaFlagsDataOut)) {
            request.DataTransferLength = 512;
            request.DataBuffer = buffer;
        }
        request.CurrentTaskFile[lmx::kTaskFeatures] = features;
        request.CurrentTaskFile[lmx::kTaskSectorCount] = count;
        request.CurrentTaskFile[lmx::kTaskLbaMid] = lbaMid;
        request.CurrentTaskFile[lmx::kTaskLbaHigh] = lbaHigh;
        request.CurrentTaskFile[lmx::kTaskDevice] = 0xA0;
        request.CurrentTaskFile[lmx::kTaskCommand] = command;
        return request;
    }

    bool direct(DriveBackend& backend, lmx::AtaPassThroughDirect& request, lmx::AtaPassThroughDirect& reply) {
        std::memset(&reply, 0, sizeof reply);
        std::uint32_t returned = 0;
        return backend.ioControl(lmx::kIoctlAtaPassThroughDirect, &request, sizeof request, &reply, sizeof reply,
                                 returned, error);
    }

    lmx::ScsiPassThroughRequest satRequest(std::uint8_t direction, std::uint8_t command) {
        lmx::ScsiPassThroughRequest sat{};
        sat.Length[0] = 44;
        sat.CdbLength = 16;
        sat.SenseInfoLength = 32;
        sat.DataIn = direction;
        lmx::setU32(sat.DataTransferLength, direction == lmx::kScsiDataUnspecified ? 0 : 512);
        lmx::setU32(sat.TimeOutValue, 10);
        lmx::setU32(sat.DataBufferOffset, 80);
        lmx::setU32(sat.SenseInfoOffset, 48);
        sat.Cdb[0] = 0x85;
        sat.Cdb[1] = 0x08;
        sat.Cdb[2] = 0x0E;
        sat.Cdb[14] = command;
        return sat;
    }

    Exchange exchange;
    std::uint8_t buffer[512] = {};
    std::uint32_t error = 0;
};

TEST_F(DiskDriveTest, DirectRouteReturnsTheRegistersTheDeviceEndedWith) {
    auto backend = drive();
    exchange.answer = checkCondition(captured::kSmartEnableCheckCondition);
    auto request = descriptor(0, 0xD8, 0, 0x4F, 0xC2, 0xB0);
    lmx::AtaPassThroughDirect reply;
    ASSERT_TRUE(direct(*backend, request, reply));
    EXPECT_EQ(0x85, exchange.cdb[0]);
    EXPECT_EQ(0x06, exchange.cdb[1]);  // non-data
    EXPECT_EQ(0x2C, exchange.cdb[2]);  // CK_COND set
    EXPECT_EQ(0xD8, exchange.cdb[4]);
    EXPECT_EQ(0xB0, exchange.cdb[14]);
    EXPECT_EQ(0x50, reply.CurrentTaskFile[lmx::kTaskCommand]);
    EXPECT_EQ(0x00, reply.CurrentTaskFile[lmx::kTaskFeatures]);
    EXPECT_EQ(0xC2, reply.CurrentTaskFile[lmx::kTaskLbaHigh]);

    // A data-in command that completed hands its data over.
    exchange.answer = checkCondition(captured::kSmartEnableCheckCondition, identifyData());
    auto read = descriptor(lmx::kAtaFlagsDataIn, 0xD0, 1, 0x44, 0xE5, 0xB0);
    ASSERT_TRUE(direct(*backend, read, reply));
    EXPECT_EQ(SG_DXFER_FROM_DEV, exchange.direction);
    EXPECT_EQ(512u, reply.DataTransferLength);
    EXPECT_EQ(0x40, buffer[0]);
    EXPECT_EQ(0x82, buffer[2]);
}

TEST_F(DiskDriveTest, DirectRouteReportsADeviceErrorWithoutItsData) {
    auto backend = drive();
    // 6.12: the failed page read's fixed sense carries all the registers.
    exchange.answer = checkCondition(captured::kPageReadFailed612, identifyData());
    auto read = descriptor(lmx::kAtaFlagsDataIn, 0xD0, 1, 0x44, 0xE5, 0xB0);
    lmx::AtaPassThroughDirect reply;
    ASSERT_TRUE(direct(*backend, read, reply));
    EXPECT_EQ(0x41, reply.CurrentTaskFile[lmx::kTaskCommand]);
    EXPECT_EQ(0x04, reply.CurrentTaskFile[lmx::kTaskFeatures]);
    EXPECT_EQ(0xE5, reply.CurrentTaskFile[lmx::kTaskLbaHigh]);
    EXPECT_EQ(0u, reply.DataTransferLength);
    EXPECT_TRUE(std::all_of(std::begin(buffer), std::end(buffer), [](std::uint8_t b) { return b == 0; }));
}

TEST_F(DiskDriveTest, DirectRouteFailsAsNotSupportedWhenTheRegistersAreNotAllThere) {
    auto backend = drive();
    lmx::AtaPassThroughDirect reply;
    const struct {
        Answer answer;
        std::uint16_t flags;
        std::uint8_t command;
    } cases[] = {
        // 6.1 cut LBA(15:8) and LBA(23:16) off the failed page read's sense.
        {checkCondition(captured::kPageReadFailed61, identifyData()), lmx::kAtaFlagsDataIn, 0xB0},
        // The emulated disk's IDENTIFY: failed by libata with status 58 and no device error.
        {checkCondition(captured::kIdentifyCheckCondition612, identifyData()), lmx::kAtaFlagsDataIn, 0xEC},
        // 48-bit: fixed format flags the high-order bytes without them.
        {checkCondition(captured::kSetDateTimeFailed612), lmx::kAtaFlags48BitCommand, 0x77},
        // A SCSI layer that ignores CK_COND.
        {Answer{}, 0, 0xB0},
        // No ATA pass-through at all.
        {checkCondition(captured::kInvalidParameterList), 0, 0xB0},
        {Answer{ENOTTY, 0, {}, {}, 0}, 0, 0xB0},
    };
    for (const auto& c : cases) {
        exchange.answer = c.answer;
        std::fill(std::begin(buffer), std::end(buffer), std::uint8_t{0xCC});
        auto request = descriptor(c.flags, 0, 1, 0, 0, c.command);
        EXPECT_FALSE(direct(*backend, request, reply)) << int(c.command);
        EXPECT_EQ(kErrorNotSupported, error);
        EXPECT_EQ(0xCC, buffer[0]);
    }
    exchange.answer = Answer{EIO, 0, {}, {}, 0};
    auto request = descriptor(0, 0xD8, 0, 0x4F, 0xC2, 0xB0);
    EXPECT_FALSE(direct(*backend, request, reply));
    EXPECT_EQ(kErrorIoDevice, error);
}

TEST_F(DiskDriveTest, DirectAndSmartRoutesAreRefusedWhereLibataDoesNotDriveTheDiskOrTheTestSaysSo) {
    lmx::AtaPassThroughDirect reply;
    auto request = descriptor(0, 0xD8, 0, 0x4F, 0xC2, 0xB0);
    lmx::SendCmdInParams smart{};
    smart.irDriveRegs.bCommandReg = 0xB0;
    std::uint8_t smartOut[lmx::kSendCmdOutSize] = {};
    std::uint32_t returned = 0;

    auto other = drive(false);
    EXPECT_FALSE(direct(*other, request, reply));
    EXPECT_EQ(kErrorNotSupported, error);
    EXPECT_FALSE(other->ioControl(lmx::kSmartSendDriveCommand, &smart, lmx::kSendCmdInSize, smartOut, sizeof smartOut,
                                  returned, error));
    EXPECT_EQ(kErrorNotSupported, error);
    EXPECT_EQ(0, exchange.calls);

    auto libata = drive();
    refuseAtaRequestsForTesting(true);
    EXPECT_FALSE(direct(*libata, request, reply));
    EXPECT_EQ(kErrorNotSupported, error);
    EXPECT_EQ(0, exchange.calls);
    // The SCSI route still goes to the disk.
    auto sat = satRequest(lmx::kScsiDataIn, 0xEC);
    exchange.answer = Answer{0, 0x00, {}, identifyData(), 0};
    EXPECT_TRUE(libata->ioControl(lmx::kIoctlScsiPassThrough, &sat, 44, &sat, 592, returned, error));
    EXPECT_EQ(1, exchange.calls);
    EXPECT_EQ(0x0E, exchange.cdb[2]);  // the program's own command block, CK_COND clear
    EXPECT_EQ(512u, lmx::u32(sat.DataTransferLength));
    EXPECT_EQ(0x40, sat.Data[0]);
}

TEST_F(DiskDriveTest, ScsiRouteRewritesOlderLibataSenseAndDropsTheDataOfAFailedRead) {
    auto backend = drive();
    std::uint32_t returned = 0;
    // /dev/sg* on 6.1: the failed page read leaves the earlier IDENTIFY's data in the buffer.
    auto sat = satRequest(lmx::kScsiDataIn, 0xB0);
    exchange.answer = checkCondition(captured::kPageReadFailed61, identifyData());
    ASSERT_TRUE(backend->ioControl(lmx::kIoctlScsiPassThrough, &sat, 44, &sat, 592, returned, error));
    EXPECT_EQ(0x02, sat.ScsiStatus);
    EXPECT_EQ(18, sat.SenseInfoLength);
    Bytes expected = captured::kPageReadFailed612;
    expected[10] = expected[11] = 0;  // cut off by 6.1
    EXPECT_EQ(expected, Bytes(sat.Sense, sat.Sense + 18));
    EXPECT_EQ(0u, lmx::u32(sat.DataTransferLength));
    EXPECT_TRUE(std::all_of(std::begin(sat.Data), std::end(sat.Data), [](std::uint8_t b) { return b == 0; }));

    // Sense already in a SAT layout passes unchanged.
    for (const Bytes& sense : {captured::kPageReadFailed612, captured::kPageReadFailedDescriptor}) {
        sat = satRequest(lmx::kScsiDataIn, 0xB0);
        exchange.answer = checkCondition(sense, identifyData());
        ASSERT_TRUE(backend->ioControl(lmx::kIoctlScsiPassThrough, &sat, 44, &sat, 592, returned, error));
        EXPECT_EQ(sense, Bytes(sat.Sense, sat.Sense + sense.size()));
        EXPECT_EQ(0, sat.Data[0]);
    }

    // A disk that libata does not drive: its sense is not libata's, and is left alone.
    auto other = drive(false);
    sat = satRequest(lmx::kScsiDataIn, 0xB0);
    exchange.answer = checkCondition(captured::kPageReadFailed61, identifyData());
    ASSERT_TRUE(other->ioControl(lmx::kIoctlScsiPassThrough, &sat, 44, &sat, 592, returned, error));
    EXPECT_EQ(captured::kPageReadFailed61, Bytes(sat.Sense, sat.Sense + 18));
    EXPECT_EQ(0, sat.Data[0]);

    // A data-in command that succeeded with CK_COND (RECOVERED ERROR) keeps its data.
    sat = satRequest(lmx::kScsiDataIn, 0xB0);
    exchange.answer = checkCondition(captured::kSmartEnableCheckCondition, identifyData());
    ASSERT_TRUE(backend->ioControl(lmx::kIoctlScsiPassThrough, &sat, 44, &sat, 592, returned, error));
    EXPECT_EQ(512u, lmx::u32(sat.DataTransferLength));
    EXPECT_EQ(0x40, sat.Data[0]);
}

TEST_F(DiskDriveTest, SmartRouteSendsTheVendorControlAndReportsTheDriverStatus) {
    auto backend = drive();
    lmx::SendCmdInParams smart{};
    smart.irDriveRegs = {0xD8, 0xD6, 0x29, 0x4F, 0xC2, 0xB0, 0xB0, 0};
    lmx::SendCmdOutParams out{};
    std::uint32_t returned = 0;
    exchange.answer = checkCondition(captured::kVendorControlCheckCondition);
    ASSERT_TRUE(backend->ioControl(lmx::kSmartSendDriveCommand, &smart, lmx::kSendCmdInSize, &out, sizeof out,
                                   returned, error));
    const std::uint8_t sent[16] = {0x85, 0x06, 0x2C, 0, 0xD8, 0, 0xD6, 0, 0x29, 0, 0x4F, 0, 0xC2, 0xB0, 0xB0, 0};
    EXPECT_TRUE(std::equal(std::begin(sent), std::end(sent), exchange.cdb));
    EXPECT_EQ(0, out.DriverStatus.bDriverError);
    EXPECT_EQ(0, out.DriverStatus.bIDEError);

    // A command the device aborts: the request succeeds, the driver status says so.
    exchange.answer = checkCondition(captured::kSetDateTimeFailed612);
    ASSERT_TRUE(backend->ioControl(lmx::kSmartSendDriveCommand, &smart, lmx::kSendCmdInSize, &out, sizeof out,
                                   returned, error));
    EXPECT_EQ(1, out.DriverStatus.bDriverError);
    EXPECT_EQ(0x04, out.DriverStatus.bIDEError);

    // Without the registers it is not supported.
    exchange.answer = checkCondition(captured::kPageReadFailed61);
    EXPECT_FALSE(backend->ioControl(lmx::kSmartSendDriveCommand, &smart, lmx::kSendCmdInSize, &out, sizeof out,
                                    returned, error));
    EXPECT_EQ(kErrorNotSupported, error);
}

TEST_F(DiskDriveTest, DownloadMicrocodeGoesOutWithItsBlock) {
    auto backend = drive();
    std::fill(std::begin(buffer), std::end(buffer), std::uint8_t{0x5A});
    auto request = descriptor(lmx::kAtaFlagsDataOut, 0x07, 1, 0, 0, 0x92);
    request.CurrentTaskFile[lmx::kTaskDevice] = 0xE0;
    request.TimeOutValue = 120;
    exchange.answer = checkCondition(captured::kDownloadFailed612);
    lmx::AtaPassThroughDirect reply;
    ASSERT_TRUE(direct(*backend, request, reply));
    EXPECT_EQ(SG_DXFER_TO_DEV, exchange.direction);
    EXPECT_EQ(Bytes(512, 0x5A), exchange.sent);
    EXPECT_EQ(0x0A, exchange.cdb[1]);  // PIO data-out
    EXPECT_EQ(0x26, exchange.cdb[2]);  // CK_COND, T_DIR out, BYT_BLOK, length in the count
    EXPECT_EQ(0x41, reply.CurrentTaskFile[lmx::kTaskCommand]);

    // Malformed descriptors.
    auto noBuffer = request;
    noBuffer.DataBuffer = nullptr;
    EXPECT_FALSE(direct(*backend, noBuffer, reply));
    EXPECT_EQ(kErrorInvalidParameter, error);
    auto bothWays = request;
    bothWays.AtaFlags |= lmx::kAtaFlagsDataIn;
    EXPECT_FALSE(direct(*backend, bothWays, reply));
    EXPECT_EQ(kErrorInvalidParameter, error);
}

TEST(DiskDriveEntry, ACharacterDeviceOpensAsADiskAndAnswersAsOneWithoutPassThrough) {
    // A SCSI generic device is a character device; /dev/null stands in for one that answers no
    // SCSI or ATA ioctl.
    lmx::testing::TempRoot root;
    std::filesystem::create_directories(root.path() / "devices");
    std::filesystem::create_symlink("/dev/null", driveEntryPath(0));
    auto handle = DriveHandle::open("\\\\.\\PHYSICALDRIVE0");
    ASSERT_TRUE(handle.has_value());
    lmx::AtaPassThroughDirect request;
    std::memset(&request, 0, sizeof request);
    request.Length = sizeof request;
    lmx::AtaPassThroughDirect reply;
    EXPECT_FALSE(handle->ioControl(lmx::kIoctlAtaPassThroughDirect, &request, sizeof request, &reply, sizeof reply));
    EXPECT_EQ(kErrorNotSupported, lastError());
    lmx::ScsiPassThroughRequest sat{};
    sat.Length[0] = 44;
    sat.CdbLength = 16;
    sat.DataIn = lmx::kScsiDataUnspecified;
    EXPECT_FALSE(handle->ioControl(lmx::kIoctlScsiPassThrough, &sat, 44, &sat, 80));
    EXPECT_EQ(kErrorNotSupported, lastError());
}

// A disk the service may not open (a device outside its unit's DeviceAllow= list) would look
// like a machine without a controller; the log says why, once, without debug output.
TEST(DiskDriveEntry, ADeviceRefusedForLackOfRightsIsSaidInTheLogOnce) {
    if (!lmx::testing::canActAsOtherUser()) GTEST_SKIP() << "acting as another user needs root";
    lmx::testing::TempRoot root;
    const auto device = root.path() / "sdz";
    { std::ofstream{device} << "x"; }
    std::filesystem::permissions(device, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    lmx::testing::openToOtherUsers(root.path());
    const int outcome = lmx::testing::runAsOtherUser([&] {
        ::testing::internal::CaptureStderr();
        std::uint32_t first = 0;
        std::uint32_t second = 0;
        const bool refused = !openBlockDevice(device, first) && !openBlockDevice(device, second);
        const std::string log = ::testing::internal::GetCapturedStderr();
        if (!refused || first != kErrorAccessDenied || second != kErrorAccessDenied) return 1;
        if (std::count(log.begin(), log.end(), '\n') != 1) return 2;
        return log.starts_with(device.string() + " cannot be opened: Permission denied") ? 0 : 3;
    });
    EXPECT_EQ(0, outcome) << "1: not refused, 2: not said exactly once, 3: the line does not name the device";
}

}  // namespace
}  // namespace platform
