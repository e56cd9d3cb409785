#include "tray/core/frame_data.h"

#include <cstdio>

#include "common/controller_model.h"
#include "common/service_settings.h"
#include "common/status_change.h"
#include "platform/system_info.h"
#include "tray/core/alert_text.h"
#include "tray/core/raid_display.h"

namespace lmx::tray {

bool isOverTemperature(const ControllerStatusRecord& packet, std::uint32_t temperatureSetting) {
    if (!isTemperatureModel(fieldText(packet.raidModel))) return false;
    // All three slots, whatever the model's slot count, as the RAID information window reads them.
    for (const MemberDriveSlot& drive : packet.drive) {
        if (driveOverTemperature(drive, temperatureSetting)) return true;
    }
    return false;
}

std::vector<PopupRaise> applyFirstLoad(FrameData& data) {
    std::vector<PopupRaise> raises;
    for (int i = 0; i < kPhysicalDriveCount; ++i) {
        const std::uint8_t oldStatus = data.keptPackets[i].raidStatus;
        data.keptPackets[i] = data.currentPackets[i];
        const ControllerStatusRecord& kept = data.keptPackets[i];
        if (kept.present != 0 && kept.raidStatus != kRaidNormal) {
            raises.push_back({i, kept, popupIconForStatus(kept.raidStatus), oldStatus});
        }
    }
    data.dataInitialized = true;
    return raises;
}

CompareResult refreshAndCompare(FrameData& data, std::uint32_t temperatureSetting) {
    CompareResult result;
    if (!data.dataInitialized) return result;
    // Carries over from slot to slot: a lost controller's alert gets the last old status noted.
    std::uint8_t oldStatus = 0;
    for (int i = 0; i < kPhysicalDriveCount; ++i) {
        ControllerStatusRecord& kept = data.keptPackets[i];
        const ControllerStatusRecord& cur = data.currentPackets[i];
        if (kept.present == 1 && cur.present == 0) {
            kept.raidStatus = kRaidLost;
            result.raises.push_back({i, kept, kIconError, oldStatus});
            kept = cur;
            result.changed = true;
            continue;
        }
        if (sameRecord(kept, cur)) continue;
        if (kept.present == 0 && cur.present == 1) {
            oldStatus = kept.raidStatus;
            kept = cur;
            result.changed = true;
            result.raises.push_back({i, kept, popupIconForStatus(kept.raidStatus), oldStatus});
            continue;
        }
        // The member drives' present bits are the only member bytes whose change raises an alert.
        const bool noted = kept.raidStatus != cur.raidStatus || memberPresenceChanged(kept, cur);
        oldStatus = kept.raidStatus;
        kept = cur;
        if (kept.present == 1) {
            result.changed = true;
            if (noted) {
                result.raises.push_back({i, kept, popupIconForStatus(kept.raidStatus), oldStatus});
            } else {
                char line[112];
                std::snprintf(line, sizeof line,
                              "Pop-up of drive %d: none, the record changed but not its RAID status or members' presence.", i);
                platform::debugOutput(line);
            }
        }
        // A slot without a controller raises nothing, whatever temperatures its record holds.
        const bool over = kept.present != 0 && isOverTemperature(kept, temperatureSetting);
        if (!data.overTempShown[i] && over) {
            result.raises.push_back({i, kept, popupIconForStatus(kept.raidStatus), oldStatus});
            data.overTempShown[i] = true;
        } else if (data.overTempShown[i] && !over) {
            data.overTempShown[i] = false;
        }
    }
    return result;
}

}  // namespace lmx::tray
