#pragma once
// The service's registry key under HKEY_LOCAL_MACHINE and the names of its settings values. The
// service writes them and the tray application reads them; both take the names from here.

#include <cstdint>
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

}  // namespace lmx
