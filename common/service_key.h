#pragma once
// The service's registry key under HKEY_LOCAL_MACHINE and the names of its settings values. The
// service writes them and the tray application reads them; both take the names from here.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace lmx {

inline constexpr std::string_view kServiceKeyPath = "SYSTEM\\CurrentControlSet\\Services\\LMXDuowatch";

inline constexpr std::string_view kAutoStart = "AutoStart";
inline constexpr std::string_view kIntervalSetting = "IntervalSetting";
inline constexpr std::string_view kNextPatrolTimeHigh = "NextPatrolTimeHigh";
inline constexpr std::string_view kNextPatrolTimeLow = "NextPatrolTimeLow";
inline constexpr std::string_view kPatrolSetting = "PatrolSetting";
inline constexpr std::string_view kPopMsgSetting = "PopMsgSetting";
inline constexpr std::string_view kServiceRunning = "ServiceRunning";
inline constexpr std::string_view kTemperatureSetting = "TemperatureSetting";
inline constexpr std::string_view kDialogSetting = "DialogSetting";
inline constexpr std::string_view kLanguage = "Language";
// REG_SZ, read by the service at its start: the folder it writes its Prometheus metrics file
// into after every poll cycle (node_exporter's textfile collector folder). Not written at install.
// REG_DWORD, read by the service at its start: the event log's maximum size in bytes (its
// files together), beyond which its oldest entries go. Not written at install.
inline constexpr std::string_view kEventLogMaxSize = "EventLogMaxSize";
inline constexpr std::uint32_t kDefaultEventLogMaxSize = 16u * 1024 * 1024;
inline constexpr std::string_view kTextfileCollectorFolder = "TextfileCollectorFolder";

// The values of a drive's record under \Phy_n; a member slot's are "Drive<k>_" and a suffix.
inline constexpr std::string_view kPhysicalNumberValue = "PhysicalNumber";
inline constexpr std::string_view kSupportDriveValue = "SupportDrive";
inline constexpr std::string_view kRaidStatusValue = "Raid_Status";
inline constexpr std::string_view kRaidModelNumberValue = "Raid_ModelNumber";
inline constexpr std::string_view kRaidSerialNumberValue = "Raid_SerialNumber";
inline constexpr std::string_view kMemberStatusSuffix = "Status";
inline constexpr std::string_view kMemberModelNumberSuffix = "ModelNumber";
inline constexpr std::string_view kMemberSerialNumberSuffix = "SerialNumber";

inline std::string memberValueName(std::size_t slot, std::string_view suffix) {
    return "Drive" + std::to_string(slot) + "_" + std::string(suffix);
}

}  // namespace lmx
