#include "tray/core/raid_display.h"

#include <algorithm>

#include "common/controller_model.h"
#include "common/service_settings.h"
#include "tray/core/text_format.h"

namespace lmx::tray {

namespace {

constexpr std::uint64_t kBytesPerSector = 512;
constexpr std::uint64_t kBytesPerGigabyte = 1'000'000'000;
constexpr std::uint32_t kRebuildProgressUnit = 256;    // progress in 1/256 during a rebuild
constexpr std::uint32_t kPatrolProgressUnit = 65536;   // in 1/65536 during a patrol
constexpr std::uint8_t kPatrolRunning = 1;
constexpr std::uint8_t kPatrolStopped = 2;

}  // namespace

std::string raidStatusText(const ControllerStatusRecord& record, const StringSource& texts) {
    switch (record.raidStatus) {
        case kRaidNormal:
            return texts.load(record.errorSkipped != 0 ? strings::kStatusNormalErrorSkip : strings::kStatusNormal);
        case kRaidError: return texts.load(strings::kStatusAbnormal);
        case kRaidRebuilding: return texts.load(strings::kStatusRebuilding);
        case kRaidRebuildStopped: return texts.load(strings::kStatusRebuildStopped);
        default: return texts.load(strings::kStatusUndefined);
    }
}

std::string driveStatusText(const MemberDriveSlot& drive, const StringSource& texts) {
    const bool spare = (drive.statusExtra & kDriveSpareBit) != 0;
    if ((drive.status & kDrivePresentBit) == 0) return texts.load(spare ? strings::kNotDetectedSpare : strings::kNotDetected);
    if ((drive.status & kDriveRebuildingBit) != 0) return texts.load(strings::kDriveRebuilding);
    return texts.load(spare ? strings::kDriveNormalSpare : strings::kDriveNormal);
}

std::string capacityText(std::uint64_t sectors) {
    // The product wraps as an unsigned 64-bit number would; the gigabytes are whole.
    const std::uint64_t gigabytes = sectors * kBytesPerSector / kBytesPerGigabyte;
    return formatText("%.1f GB", {static_cast<double>(gigabytes)});
}

std::string fpgaText(const ControllerStatusRecord& record) {
    return formatText("%08X", {static_cast<std::int64_t>(fpgaVersion(record) & 0xFFFFFFFFu)});
}

bool driveOverTemperature(const MemberDriveSlot& drive, std::uint32_t temperatureSetting) {
    const TemperatureAlarm alarm = decodeTemperatureSetting(temperatureSetting);
    return drive.temperatureValid != 0 && alarm.enabled && drive.temperature >= alarm.thresholdCelsius;
}

std::string judgedTemperatureText(const MemberDriveSlot& drive, std::uint32_t temperatureSetting,
                                  const StringSource& texts) {
    if (drive.temperatureValid == 0) return "-- C";
    const std::string judgement = texts.load(driveOverTemperature(drive, temperatureSetting) ? strings::kTemperatureAbnormal
                                                                                              : strings::kDriveNormal);
    return formatText("%2d C (%s)", {std::int64_t{drive.temperature}, std::string_view(judgement)});
}

std::string plainTemperatureText(const MemberDriveSlot& drive) {
    if (drive.temperatureValid == 0) return "-- C";
    return formatText("%2d C", {std::int64_t{drive.temperature}});
}

ProgressDisplay progressDisplay(const ControllerStatusRecord& record, const StringSource& texts) {
    ProgressDisplay display;
    const std::uint32_t counter = progress(record);
    double percent = 0;
    int textId = 0;
    if (record.raidStatus == kRaidRebuilding || record.raidStatus == kRaidRebuildStopped) {
        display.kind = ProgressDisplay::Kind::Rebuild;
        display.barRgb = kRebuildBarRgb;
        percent = static_cast<double>(counter) / kRebuildProgressUnit * 100.0;
        textId = record.raidStatus == kRaidRebuilding ? strings::kProgressRebuilding : strings::kProgressRebuildStopped;
    } else if (record.raidStatus == kRaidNormal &&
               (record.patrolState == kPatrolRunning || record.patrolState == kPatrolStopped)) {
        display.kind = ProgressDisplay::Kind::Patrol;
        display.barRgb = kPatrolBarRgb;
        percent = static_cast<double>(counter) / kPatrolProgressUnit * 100.0;
        textId = record.patrolState == kPatrolRunning ? strings::kProgressPatrolling : strings::kProgressPatrolStopped;
    } else {
        return display;
    }
    // The bar's range is 0..100; a counter beyond its unit still fills the bar only once.
    display.position = static_cast<int>(std::clamp(percent, 0.0, 100.0));
    display.text = formatText(texts.load(textId), {percent});
    return display;
}

std::string raidLabel(const ControllerStatusRecord& record) {
    return formatText("RAID No.%d", {std::int64_t{record.ordinal} + 1});
}

std::string driveLabel(int drive, const StringSource& texts) {
    return formatText(texts.load(strings::kDriveLabel), {std::int64_t{drive}});
}

int treeDriveCount(const ControllerStatusRecord& record) {
    return isThreeDriveModel(fieldText(record.raidModel)) ? 3 : 2;
}

std::optional<int> slotOfRaidNumber(const PacketTable& packets, int raidNumber) {
    for (int slot = 0; slot < kPhysicalDriveCount; ++slot) {
        const ControllerStatusRecord& record = packets[static_cast<std::size_t>(slot)];
        if (record.present == 1 && record.ordinal == raidNumber) return slot;
    }
    return std::nullopt;
}

bool anyTemperatureModel(const PacketTable& packets) {
    return std::any_of(packets.begin(), packets.end(), [](const ControllerStatusRecord& record) {
        return record.present == 1 && isTemperatureModel(fieldText(record.raidModel));
    });
}

bool anyDisplaySettingModel(const PacketTable& packets) {
    return std::any_of(packets.begin(), packets.end(), [](const ControllerStatusRecord& record) {
        return record.present == 1 && isDisplaySettingModel(fieldText(record.raidModel));
    });
}

}  // namespace lmx::tray
