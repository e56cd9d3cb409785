#pragma once
// What a simulated drive does with one ATA command: answers IDENTIFY and page reads, and changes
// its state for SMART enable, the clock, the vendor controls and firmware blocks. No I/O here:
// the caller stores the changed description and the received firmware.

#include <string>

#include "simulator/ata_request.h"
#include "simulator/drive_description.h"

namespace simulator {

struct CommandOutcome {
    AtaAnswer answer;
    bool stateChanged = false;  // `drive` was changed and must be stored
    Bytes firmwareBlocks;       // DOWNLOAD MICROCODE data to append to the firmware file
    std::string action;         // what the command was taken for ("page E5", "start verify" …), for the log
};

CommandOutcome executeCommand(DriveDescription& drive, const AtaRequest& request);

// The log's action of a vendor page read: "page E5".
std::string pageAction(std::uint8_t page);

}  // namespace simulator
