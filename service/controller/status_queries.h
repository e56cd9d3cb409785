#pragma once
// One poll of one physical drive: identify it, read its vendor pages and fill its controller
// status record.

#include <cstdint>
#include <span>

#include "common/controller_model.h"
#include "common/controller_status_record.h"
#include "service/controller/ata_transport.h"

namespace controller {

// What a poll needs from the poll cycle that runs it.
struct PollContext {
    int& ordinalCounter;          // position among the controllers found in this cycle
    bool presentAtLastPoll;       // the drive's record was present: open retries apply
    bool& clockSet;               // the drive's clock-set flag for this service run
    lmx::ControllerFamily& family;  // set by the identification of this drive
};

// readVendorPage: one 512-byte vendor page by either route (no error check).
bool readVendorPage(Drive& drive, std::uint8_t pageCode, std::span<std::uint8_t, 512> buffer);

// What pollController returns.
inline constexpr int kPollRecordFilled = 0;   // the record is filled (present = 1)
inline constexpr int kPollNoProperAnswer = 1;  // a drive that did not answer properly: try again
inline constexpr int kPollNoController = -1;  // no drive, or no supported controller

// pollController: one of the results above. `record` must be cleared by the caller.
int pollController(int physicalNumber, lmx::ControllerStatusRecord& record, PollContext& context);

// The page reads in order, on the open drive; false when the RAID, standard or drive page failed.
bool queryStatus(Drive& drive, lmx::ControllerFamily family, lmx::ControllerStatusRecord& record);

bool get_raid_info(Drive& drive, lmx::ControllerFamily family, lmx::ControllerStatusRecord& record);
bool get_standard_ex_info(Drive& drive, lmx::ControllerFamily family, lmx::ControllerStatusRecord& record);
bool get_hdd1_3_info(Drive& drive, lmx::ControllerFamily family, lmx::ControllerStatusRecord& record);
// Reads member `slot`'s SMART page into the record; true when the page could be read.
bool readDriveTemperature(Drive& drive, std::size_t slot, lmx::ControllerStatusRecord& record);

}  // namespace controller
