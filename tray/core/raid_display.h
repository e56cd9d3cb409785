#pragma once
// How the RAID information window shows a controller status record: the status texts, the
// capacity, the FPGA version, the member drives' temperatures and the rebuild or patrol
// progress. Both forms of the window (tabs and tree) use these rules.

#include <cstdint>
#include <optional>
#include <string>

#include "common/controller_status_record.h"
#include "tray/core/service_pipe_client.h"
#include "tray/core/string_source.h"

namespace lmx::tray {

// The tab form shows two member drives; the tree form three for three-drive models.
inline constexpr int kTabFormDriveCount = 2;

// RAID status: normal (with or without an error skip), abnormal, rebuilding, rebuild stopped,
// and "undefined" for every other code.
std::string raidStatusText(const ControllerStatusRecord& record, const StringSource& texts);
// A member drive: not detected, rebuilding, normal; a spare says so.
std::string driveStatusText(const MemberDriveSlot& drive, const StringSource& texts);
// Sectors of 512 bytes as whole decimal gigabytes: "%.1f GB", so the decimal is always 0.
std::string capacityText(std::uint64_t sectors);
// The FPGA version's low 32 bits, "%08X".
std::string fpgaText(const ControllerStatusRecord& record);

// True when the drive's temperature is valid, the alarm is on and the temperature has reached
// the threshold.
bool driveOverTemperature(const MemberDriveSlot& drive, std::uint32_t temperatureSetting);
// The tab form's temperature: "%2d C (judgement)", or "-- C" when the drive has no valid
// temperature.
std::string judgedTemperatureText(const MemberDriveSlot& drive, std::uint32_t temperatureSetting,
                                  const StringSource& texts);
// The tree form's temperature: "%2d C" without a judgement, or "-- C".
std::string plainTemperatureText(const MemberDriveSlot& drive);

// The progress bar: a rebuild (status 2 or 3) in orange, else a patrol (status 0, patrol state 1
// or 2) in green, else nothing (the bar hidden, its text empty).
struct ProgressDisplay {
    enum class Kind { None, Rebuild, Patrol };
    Kind kind = Kind::None;
    std::uint32_t barRgb = 0;  // 0xRRGGBB
    int position = 0;          // percent truncated, 0..100
    std::string text;
};
inline constexpr std::uint32_t kRebuildBarRgb = 0xFF6500;
inline constexpr std::uint32_t kPatrolBarRgb = 0x008000;
ProgressDisplay progressDisplay(const ControllerStatusRecord& record, const StringSource& texts);

// The tab labels and tree roots: "RAID No.%d" with the RAID number plus one.
std::string raidLabel(const ControllerStatusRecord& record);
// "ドライブ%2d" (string 156) with drive number `drive`.
std::string driveLabel(int drive, const StringSource& texts);
// How many member drives the tree shows for the record: three for three-drive models, else two.
int treeDriveCount(const ControllerStatusRecord& record);

// The present slot whose RAID number is `raidNumber`; the first in slot order when several
// claim it, none when no present slot does.
std::optional<int> slotOfRaidNumber(const PacketTable& packets, int raidNumber);

// Whether any present slot's model reports temperatures, or offers the display-form setting.
bool anyTemperatureModel(const PacketTable& packets);
bool anyDisplaySettingModel(const PacketTable& packets);

}  // namespace lmx::tray
