#include "tray/app/frame_data.h"

#include "common/controller_model.h"
#include "tray/app/alert_text.h"

namespace lmx::tray {

bool isOverTemperature(const ControllerStatusRecord& packet, std::uint32_t temperatureSetting) {
    if (!(temperatureSetting & 1) || !isTemperatureModel(fieldText(packet.raidModel))) return false;
    const unsigned threshold = (temperatureSetting >> 8) & 0xFF;
    for (const MemberDriveSlot& drive : packet.drive) {
        if (drive.temperatureValid != 0 && drive.temperature >= threshold) return true;
    }
    return false;
}

std::vector<PopupRaise> applyFirstLoad(FrameData& data) {
    std::vector<PopupRaise> raises;
    for (int i = 0; i < kPhysicalDriveCount; ++i) {
        const std::uint8_t oldStatus = data.keptPackets[i].raidStatus;
        data.keptPackets[i] = data.currentPackets[i];
        const ControllerStatusRecord& kept = data.keptPackets[i];
        if (kept.present != 0 && kept.raidStatus != 0) {
            raises.push_back({i, kept, popupIconForStatus(kept.raidStatus), oldStatus});
        }
    }
    data.dataInitialized = true;
    return raises;
}

namespace {
// The member drives' present bits are the only member bytes whose change raises an alert.
bool memberPresenceDiffers(const ControllerStatusRecord& a, const ControllerStatusRecord& b) {
    for (std::size_t k = 0; k < kMemberSlotCount; ++k) {
        if ((a.drive[k].status ^ b.drive[k].status) & kDrivePresentBit) return true;
    }
    return false;
}
}  // namespace

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
        const bool noted = kept.raidStatus != cur.raidStatus || memberPresenceDiffers(kept, cur);
        oldStatus = kept.raidStatus;
        kept = cur;
        if (kept.present == 1) {
            result.changed = true;
            if (noted) result.raises.push_back({i, kept, popupIconForStatus(kept.raidStatus), oldStatus});
        }
        const bool over = isOverTemperature(kept, temperatureSetting);
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
