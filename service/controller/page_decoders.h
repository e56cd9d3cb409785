#pragma once
// Checking and decoding the vendor pages into a controller status record, by controller family.
// Pure functions of the page bytes.

#include <cstdint>
#include <span>

#include "common/controller_model.h"
#include "common/controller_status_record.h"

namespace controller {

using PageBytes = std::span<const std::uint8_t, 512>;

// Each check writes the family's debug line when the page is rejected.
bool checkRaidPage(PageBytes page, lmx::ControllerFamily family);
void decodeRaidPage(PageBytes page, lmx::ControllerFamily family, lmx::ControllerStatusRecord& record);

bool checkStandardPage(PageBytes page, lmx::ControllerFamily family);
void decodeStandardPage(PageBytes page, lmx::ControllerFamily family, lmx::ControllerStatusRecord& record);

bool checkDrivePage(PageBytes page, lmx::ControllerFamily family);
// Copies the blocks of the present slots (slot 2 only for three-slot families).
void decodeDrivePage(PageBytes page, lmx::ControllerFamily family, lmx::ControllerStatusRecord& record);

// The temperature attribute of a member's SMART page into slot `slot`; the last one wins.
void decodeSmartTemperature(PageBytes page, lmx::MemberDriveSlot& slot);

}  // namespace controller
