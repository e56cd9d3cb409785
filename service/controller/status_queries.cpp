#include "service/controller/status_queries.h"

#include <array>

#include "common/vendor_pages.h"
#include "platform/system_info.h"
#include "service/controller/controller_commands.h"
#include "service/controller/identification.h"
#include "service/controller/page_decoders.h"

namespace controller {

namespace pages = lmx::pages;

namespace {

using Page = std::array<std::uint8_t, pages::kPageSize>;

bool isMollen(lmx::ControllerFamily family) {
    return family == lmx::ControllerFamily::Mollen || family == lmx::ControllerFamily::MollenThreeSlot;
}

}  // namespace

bool readVendorPage(Drive& drive, std::uint8_t pageCode, std::span<std::uint8_t, 512> buffer) {
    lmx::AtaRegisters registers;
    registers.features = pages::kFeatureVendorPageRead;
    registers.count = 1;
    registers.lbaMid = pages::kVendorPageLbaMid;
    registers.lbaHigh = pageCode;
    registers.device = pages::kDeviceDefault;
    registers.command = pages::kCommandSmart;
    auto request = makeAtaRequest(registers, lmx::kAtaFlagsDataIn, pages::kPageSize, buffer.data());
    lmx::AtaPassThroughDirect reply;
    return sendAtaCommand(drive, request, reply, false, buffer.data());
}

bool get_raid_info(Drive& drive, lmx::ControllerFamily family, lmx::ControllerStatusRecord& record) {
    Page page{};
    if (!readVendorPage(drive, pages::kRaidInfoPage, page) || !checkRaidPage(page, family)) return false;
    decodeRaidPage(page, family, record);
    return true;
}

bool get_standard_ex_info(Drive& drive, lmx::ControllerFamily family, lmx::ControllerStatusRecord& record) {
    Page page{};
    if (!readVendorPage(drive, pages::kStandardInfoPage, page) || !checkStandardPage(page, family)) return false;
    decodeStandardPage(page, family, record);
    return true;
}

bool get_hdd1_3_info(Drive& drive, lmx::ControllerFamily family, lmx::ControllerStatusRecord& record) {
    Page page{};
    if (!readVendorPage(drive, pages::kDriveInfoPage, page) || !checkDrivePage(page, family)) return false;
    decodeDrivePage(page, family, record);
    return true;
}

bool readDriveTemperature(Drive& drive, std::size_t slot, lmx::ControllerStatusRecord& record) {
    Page page{};
    if (!readVendorPage(drive, static_cast<std::uint8_t>(pages::kFirstSmartPage + slot), page)) return false;
    decodeSmartTemperature(page, record.drive[slot]);
    return true;
}

bool queryStatus(Drive& drive, lmx::ControllerFamily family, lmx::ControllerStatusRecord& record) {
    bool answered = false;
    if (!get_raid_info(drive, family, record)) {
        platform::debugOutput("get_raid_info() error.\n");
    } else if (!get_standard_ex_info(drive, family, record)) {
        platform::debugOutput("get_standard_ex_info() error.\n");
    } else if (!get_hdd1_3_info(drive, family, record)) {
        platform::debugOutput("get_hdd1_2_info() error.\n");
    } else {
        answered = true;
    }
    // Temperatures are read whatever happened above.
    if (lmx::isTemperatureModel(lmx::fieldText(record.raidModel))) {
        for (std::size_t k = 0; k < lmx::memberSlotCount(family); ++k) {
            if (record.drive[k].status & lmx::kDrivePresentBit) {
                record.drive[k].temperatureValid = readDriveTemperature(drive, k, record) ? 1 : 0;
            }
        }
    }
    return answered;
}

int pollController(int physicalNumber, lmx::ControllerStatusRecord& record, PollContext& context) {
    record.physicalNumber = static_cast<std::uint8_t>(physicalNumber);
    record.present = 0;
    Drive drive;
    if (openDrive(physicalNumber, context.presentAtLastPoll, drive) != 0) return kPollNoController;

    IdentifyFlags flags;
    // identifyController answers with the same values.
    if (const int identified = identifyController(drive, flags, context.family); identified != kPollRecordFilled) {
        return identified;
    }
    if (!flags.smartEnabled) enableSmart(drive);
    if (!queryStatus(drive, context.family, record)) return kPollNoProperAnswer;

    record.present = 1;
    record.ordinal = static_cast<std::uint8_t>(context.ordinalCounter++);
    if (isMollen(context.family)) setClockIfDue(drive, physicalNumber, flags, context.clockSet);
    return kPollRecordFilled;  // the drive closes with `drive`
}

}  // namespace controller
