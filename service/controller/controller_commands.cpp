#include "service/controller/controller_commands.h"

#include <array>
#include <cstdio>
#include <cstring>

#include "common/vendor_pages.h"
#include "platform/system_info.h"
#include "service/controller/status_queries.h"

namespace controller {

namespace pages = lmx::pages;

int enableSmart(Drive& drive) {
    lmx::AtaRegisters registers;
    registers.features = pages::kFeatureSmartEnable;
    registers.lbaMid = pages::kSmartLbaMid;
    registers.lbaHigh = pages::kSmartLbaHigh;
    registers.device = pages::kDeviceDefault;
    registers.command = pages::kCommandSmart;
    auto request = makeAtaRequest(registers, 0, 0, nullptr);
    lmx::AtaPassThroughDirect reply;
    return sendAtaCommand(drive, request, reply, true, nullptr) ? 0 : -1;
}

std::uint64_t controllerClockValue(std::uint64_t utcFileTime) {
    return (utcFileTime - platform::kUnixEpochFileTime) / 10'000;
}

int setControllerClock(Drive& drive) {
    const auto now = platform::systemTimeToFileTime(platform::systemInfo().utcTime());
    if (!now) return -1;
    const std::uint64_t t = controllerClockValue(*now);
    lmx::AtaRegisters registers;
    registers.lbaLow = static_cast<std::uint8_t>(t);
    registers.lbaMid = static_cast<std::uint8_t>(t >> 8);
    registers.lbaHigh = static_cast<std::uint8_t>(t >> 16);
    registers.lba24 = static_cast<std::uint8_t>(t >> 24);
    registers.lba32 = static_cast<std::uint8_t>(t >> 32);
    registers.lba40 = static_cast<std::uint8_t>(t >> 40);
    registers.device = pages::kDeviceLba;
    registers.command = pages::kCommandSetDateTimeExt;
    auto request = makeAtaRequest(registers, lmx::kAtaFlags48BitCommand, 0, nullptr);
    lmx::AtaPassThroughDirect reply;
    return sendAtaCommand(drive, request, reply, true, nullptr) ? 0 : -1;
}

void setClockIfDue(Drive& drive, int physicalNumber, const IdentifyFlags& flags, bool& clockSet) {
    const bool due = flags.clockStateReported ? !flags.clockIsSet : !clockSet;
    if (!due) return;
    const bool ok = setControllerClock(drive) == 0;
    char line[48];
    std::snprintf(line, sizeof line, ok ? "dev[%d] SetDateAndTime success.\n" : "dev[%d] SetDateAndTime fail.\n",
                  physicalNumber);
    platform::debugOutput(line);
    clockSet = true;
}

namespace {

bool sendLegacySmartControl(std::uint8_t code, int physicalNumber, bool presentAtLastPoll) {
    Drive drive;
    if (openDrive(physicalNumber, presentAtLastPoll, drive) != 0 || !drive.handle()) return false;
    std::array<std::uint8_t, lmx::kSendCmdInSize + 1> in{};
    auto* params = reinterpret_cast<lmx::SendCmdInParams*>(in.data());
    params->irDriveRegs.bFeaturesReg = pages::kFeatureSmartEnable;
    params->irDriveRegs.bSectorCountReg = static_cast<std::uint8_t>(~code);
    params->irDriveRegs.bSectorNumberReg = code;
    params->irDriveRegs.bCylLowReg = pages::kSmartLbaMid;
    params->irDriveRegs.bCylHighReg = pages::kSmartLbaHigh;
    params->irDriveRegs.bDriveHeadReg = physicalNumber % 2 == 0 ? 0xA0 : 0xB0;
    params->irDriveRegs.bCommandReg = pages::kCommandSmart;
    params->bDriveNumber = static_cast<std::uint8_t>(physicalNumber);
    std::array<std::uint8_t, lmx::kSendCmdOutSize> out{};
    return drive.handle()->ioControl(lmx::kSmartSendDriveCommand, in.data(), lmx::kSendCmdInSize, out.data(),
                                     lmx::kSendCmdOutSize);
}

void sendAtaControl(std::uint8_t code, int physicalNumber, bool presentAtLastPoll) {
    Drive drive;
    if (openDrive(physicalNumber, presentAtLastPoll, drive) != 0 || !drive.handle()) return;
    lmx::AtaRegisters registers;
    registers.features = pages::kFeatureSmartEnable;
    registers.count = static_cast<std::uint8_t>(~code);
    registers.lbaLow = code;
    registers.lbaMid = pages::kSmartLbaMid;
    registers.lbaHigh = pages::kSmartLbaHigh;
    registers.device = pages::kDeviceDefault;
    registers.command = pages::kCommandSmart;
    auto request = makeAtaRequest(registers, 0, 0, nullptr);
    lmx::AtaPassThroughDirect reply;
    sendAtaCommand(drive, request, reply, false, nullptr);
}

}  // namespace

void sendVendorControl(std::uint8_t code, int physicalNumber, bool presentAtLastPoll) {
    if (!sendLegacySmartControl(code, physicalNumber, presentAtLastPoll)) sendAtaControl(code, physicalNumber, presentAtLastPoll);
}

bool readLogPage(std::uint8_t pageCode, int physicalNumber, bool presentAtLastPoll, std::span<std::uint8_t, 512> out) {
    Drive drive;
    if (openDrive(physicalNumber, presentAtLastPoll, drive) != 0) return false;
    std::array<std::uint8_t, pages::kPageSize> page{};
    if (!readVendorPage(drive, pageCode, page)) return false;
    std::memcpy(out.data(), page.data(), page.size());
    return true;
}

}  // namespace controller
