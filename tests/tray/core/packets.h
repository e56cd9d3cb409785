#pragma once
// Building controller packets for the tray core's tests.

#include <string_view>

#include "common/controller_status_record.h"

namespace lmx::tray::testing {

inline ControllerStatusRecord absentPacket(int slot) {
    ControllerStatusRecord packet;
    clearRecord(packet);
    packet.physicalNumber = static_cast<std::uint8_t>(slot);
    return packet;
}

// A present controller with both member drives present.
inline ControllerStatusRecord presentPacket(int slot, std::uint8_t raidStatus, std::string_view model = "ZDA-GX460",
                                            std::uint8_t ordinal = 0) {
    ControllerStatusRecord packet = absentPacket(slot);
    packet.present = 1;
    packet.ordinal = ordinal;
    packet.raidStatus = raidStatus;
    setField(packet.raidModel, model);
    setField(packet.raidSerial, "  SN0042            ");
    setField(packet.raidFirmware, "1.20    ");
    packet.drive[0].status = kDrivePresentBit;
    packet.drive[1].status = kDrivePresentBit;
    return packet;
}

}  // namespace lmx::tray::testing
