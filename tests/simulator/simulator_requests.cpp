#include "tests/simulator/simulator_requests.h"

#include <gtest/gtest.h>

#include <cstring>

#include "simulator/simulated_drive.h"

namespace simulator::testing {

namespace pages = lmx::pages;

TaskFile plainCommand(std::uint8_t code) {
    TaskFile task;
    task.command = code;
    return task;
}

TaskFile identifyCommand() {
    TaskFile task;
    task.command = pages::kCommandIdentify;
    task.transfer = Transfer::In;
    return task;
}

TaskFile pageRead(std::uint8_t page) {
    TaskFile task;
    task.features = pages::kFeatureVendorPageRead;
    task.count = 1;
    task.lbaMid = pages::kVendorPageLbaMid;
    task.lbaHigh = page;
    task.command = pages::kCommandSmart;
    task.transfer = Transfer::In;
    return task;
}

TaskFile vendorControl(std::uint8_t code) {
    TaskFile task;
    task.features = pages::kFeatureSmartEnable;
    task.count = static_cast<std::uint8_t>(~code);
    task.lbaLow = code;
    task.lbaMid = pages::kSmartLbaMid;
    task.lbaHigh = pages::kSmartLbaHigh;
    task.command = pages::kCommandSmart;
    return task;
}

TaskFile smartEnable() {
    TaskFile task = vendorControl(0);
    task.count = 0;
    return task;
}

TaskFile setClock(std::uint64_t milliseconds) {
    TaskFile task;
    task.lbaLow = static_cast<std::uint8_t>(milliseconds);
    task.lbaMid = static_cast<std::uint8_t>(milliseconds >> 8);
    task.lbaHigh = static_cast<std::uint8_t>(milliseconds >> 16);
    task.lba24 = static_cast<std::uint8_t>(milliseconds >> 24);
    task.lba32 = static_cast<std::uint8_t>(milliseconds >> 32);
    task.lba40 = static_cast<std::uint8_t>(milliseconds >> 40);
    task.device = pages::kDeviceLba;
    task.command = pages::kCommandSetDateTimeExt;
    task.extended = true;
    return task;
}

TaskFile microcodeBlock() {
    TaskFile task;
    task.features = 0x07;
    task.count = 1;
    task.device = pages::kDeviceLba;
    task.command = pages::kCommandDownloadMicrocode;
    task.transfer = Transfer::Out;
    return task;
}

DirectResult sendDirect(platform::DriveBackend& drive, const TaskFile& task, const std::uint8_t* dataOut) {
    DirectResult result;
    lmx::AtaPassThroughDirect request{};
    request.Length = sizeof request;
    request.AtaFlags = task.transfer == Transfer::In    ? lmx::kAtaFlagsDataIn
                       : task.transfer == Transfer::Out ? lmx::kAtaFlagsDataOut
                                                        : 0;
    if (task.extended) request.AtaFlags |= lmx::kAtaFlags48BitCommand;
    request.TimeOutValue = 10;
    Sector outData{};
    if (dataOut) std::memcpy(outData.data(), dataOut, outData.size());
    if (task.transfer != Transfer::None) {
        request.DataTransferLength = 512;
        request.DataBuffer = task.transfer == Transfer::In ? result.data.data() : outData.data();
    }
    request.PreviousTaskFile[lmx::kTaskFeatures] = task.featuresHigh;
    request.PreviousTaskFile[lmx::kTaskSectorCount] = task.countHigh;
    request.PreviousTaskFile[lmx::kTaskLbaLow] = task.lba24;
    request.PreviousTaskFile[lmx::kTaskLbaMid] = task.lba32;
    request.PreviousTaskFile[lmx::kTaskLbaHigh] = task.lba40;
    request.CurrentTaskFile[lmx::kTaskFeatures] = task.features;
    request.CurrentTaskFile[lmx::kTaskSectorCount] = task.count;
    request.CurrentTaskFile[lmx::kTaskLbaLow] = task.lbaLow;
    request.CurrentTaskFile[lmx::kTaskLbaMid] = task.lbaMid;
    request.CurrentTaskFile[lmx::kTaskLbaHigh] = task.lbaHigh;
    request.CurrentTaskFile[lmx::kTaskDevice] = task.device;
    request.CurrentTaskFile[lmx::kTaskCommand] = task.command;
    std::uint32_t returned = 0;
    result.ok = drive.ioControl(lmx::kIoctlAtaPassThroughDirect, &request, sizeof request, &result.reply,
                                sizeof result.reply, returned, result.error);
    return result;
}

SatResult sendSat(platform::DriveBackend& drive, const TaskFile& task, const std::uint8_t* dataOut) {
    SatResult result;
    auto& sat = result.buffer;
    lmx::storeLittleEndian<std::uint16_t>(sat.Length, lmx::kScsiPassThroughHeaderSize);
    sat.CdbLength = 16;
    sat.SenseInfoLength = lmx::kSatSenseSize;
    const std::uint32_t length = task.transfer == Transfer::None ? 0 : 512;
    sat.DataIn = task.transfer == Transfer::In    ? lmx::kScsiDataIn
                 : task.transfer == Transfer::Out ? lmx::kScsiDataOut
                                                  : lmx::kScsiDataUnspecified;
    lmx::setU32(sat.DataTransferLength, length);
    lmx::setU32(sat.TimeOutValue, 10);
    lmx::setU32(sat.DataBufferOffset, lmx::kSatDataOffset);
    lmx::setU32(sat.SenseInfoOffset, lmx::kSatSenseOffset);
    const std::uint8_t protocol = task.transfer == Transfer::In    ? lmx::kSatProtocolPioIn
                                  : task.transfer == Transfer::Out ? lmx::kSatProtocolPioOut
                                                                   : lmx::kSatProtocolNonData;
    sat.Cdb[0] = lmx::kAtaPassThrough16;
    sat.Cdb[lmx::kCdbProtocol] = static_cast<std::uint8_t>(protocol << 1 | (task.extended ? 1 : 0));
    sat.Cdb[lmx::kCdbTransfer] = task.transfer == Transfer::In ? 0x0E : task.transfer == Transfer::Out ? 0x06 : 0x0C;
    sat.Cdb[lmx::kCdbFeaturesHigh] = task.featuresHigh;
    sat.Cdb[lmx::kCdbFeatures] = task.features;
    sat.Cdb[lmx::kCdbCountHigh] = task.countHigh;
    sat.Cdb[lmx::kCdbCount] = task.count;
    sat.Cdb[lmx::kCdbLbaHigh24] = task.lba24;
    sat.Cdb[lmx::kCdbLbaLow] = task.lbaLow;
    sat.Cdb[lmx::kCdbLbaHigh32] = task.lba32;
    sat.Cdb[lmx::kCdbLbaMid] = task.lbaMid;
    sat.Cdb[lmx::kCdbLbaHigh40] = task.lba40;
    sat.Cdb[lmx::kCdbLbaHigh] = task.lbaHigh;
    sat.Cdb[lmx::kCdbDevice] = task.device;
    sat.Cdb[lmx::kCdbCommand] = task.command;
    std::uint32_t inSize = lmx::kScsiPassThroughHeaderSize;
    std::uint32_t outSize = lmx::kSatDataOffset;
    if (task.transfer == Transfer::Out) {
        if (dataOut) std::memcpy(sat.Data, dataOut, length);
        inSize = lmx::kSatDataOffset + length;
    } else if (task.transfer == Transfer::In) {
        outSize = lmx::kSatDataOffset + length;
    }
    std::uint32_t returned = 0;
    result.ok = drive.ioControl(lmx::kIoctlScsiPassThrough, &sat, inSize, &sat, outSize, returned, result.error);
    return result;
}

SmartResult sendSmart(platform::DriveBackend& drive, const TaskFile& task, std::uint8_t driveNumber) {
    SmartResult result;
    std::array<std::uint8_t, lmx::kSendCmdInSize + 1> in{};
    auto* params = reinterpret_cast<lmx::SendCmdInParams*>(in.data());
    params->irDriveRegs.bFeaturesReg = task.features;
    params->irDriveRegs.bSectorCountReg = task.count;
    params->irDriveRegs.bSectorNumberReg = task.lbaLow;
    params->irDriveRegs.bCylLowReg = task.lbaMid;
    params->irDriveRegs.bCylHighReg = task.lbaHigh;
    params->irDriveRegs.bDriveHeadReg = task.device;
    params->irDriveRegs.bCommandReg = task.command;
    params->bDriveNumber = driveNumber;
    std::uint32_t returned = 0;
    result.ok = drive.ioControl(lmx::kSmartSendDriveCommand, in.data(), lmx::kSendCmdInSize, &result.out,
                                lmx::kSendCmdOutSize, returned, result.error);
    return result;
}

Sector readPageDirect(platform::DriveBackend& drive, std::uint8_t page) {
    const DirectResult result = sendDirect(drive, pageRead(page));
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(0, result.reply.CurrentTaskFile[lmx::kTaskCommand] & lmx::kAtaStatusErr) << "page " << int(page);
    return result.data;
}

Sector readPageSat(platform::DriveBackend& drive, std::uint8_t page) {
    const SatResult result = sendSat(drive, pageRead(page));
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(lmx::kScsiStatusGood, result.status()) << "page " << int(page);
    Sector data{};
    std::memcpy(data.data(), result.buffer.Data, data.size());
    return data;
}

std::unique_ptr<platform::DriveBackend> openDrive(const std::filesystem::path& file) {
    std::uint32_t error = 0;
    auto drive = openSimulatedDrive(file, error);
    EXPECT_TRUE(drive) << "error " << error;
    return drive;
}

}  // namespace simulator::testing
