#pragma once
// User-visible texts of the tray application, loaded by their string-table number. The GUI
// plugs in its string table (Japanese, or the language library's English texts under the same
// numbers); the core only knows the numbers.

#include <string>

namespace lmx::tray {

class StringSource {
public:
    virtual ~StringSource() = default;
    // The text of string `id`; empty when the table has no such entry.
    virtual std::string load(int id) const = 0;
};

// String numbers the core uses.
namespace strings {
inline constexpr int kStatusNormal = 158;
inline constexpr int kStatusRebuilding = 159;
inline constexpr int kStatusRebuildStopped = 160;
inline constexpr int kStatusAbnormal = 161;
inline constexpr int kDriveNormal = 163;
inline constexpr int kDriveRebuilding = 164;
inline constexpr int kNotDetected = 165;
inline constexpr int kPopupSettingTitle = 170;
inline constexpr int kPopupSettingDisplay = 171;
inline constexpr int kPopupSettingTime = 172;
inline constexpr int kPopupClassNormal = 173;
inline constexpr int kPopupClassRebuild = 174;
inline constexpr int kPopupClassAbnormal = 175;
inline constexpr int kPopupTimeForever = 176;
inline constexpr int kPopupTimeSeconds = 177;  // "%3d秒"
inline constexpr int kPopupSettingAccept = 178;
inline constexpr int kPopupSettingCancel = 179;
inline constexpr int kAlertTitle = 184;
inline constexpr int kAlertHeader = 201;
inline constexpr int kAlertDriveLine = 202;    // physical drive, RAID number
inline constexpr int kAlertRaidStatus = 203;   // status name
inline constexpr int kAlertMemberDrive = 204;  // member index, state
inline constexpr int kAlertShowInfo = 206;
inline constexpr int kAlertClose = 207;
inline constexpr int kAlertLost = 208;         // drive, RAID number, model, serial, firmware
inline constexpr int kTemperature = 209;
inline constexpr int kUnreadableSectors = 213;
inline constexpr int kTemperatureAbnormal = 217;
inline constexpr int kDriveNormalSpare = 233;
inline constexpr int kNotDetectedSpare = 234;
inline constexpr int kMonitoringStarted = 303;
inline constexpr int kMonitoringAlreadyStarted = 304;
inline constexpr int kMonitoringStartFailed = 305;
inline constexpr int kMonitoringStopped = 306;
inline constexpr int kMonitoringAlreadyStopped = 307;
inline constexpr int kMonitoringStopFailed = 308;
}  // namespace strings

}  // namespace lmx::tray
