#pragma once
// The tray application's hidden main window as other programs find it, and its private window
// messages: the notifier's two signals, a second instance's request, and the requests the RAID
// information window, the settings dialogs and the pop-ups send the main window.

#include <cstdint>
#include <string_view>

namespace lmx::tray {

// The title of the main frame; the notifier and a second instance look it up by this title.
inline constexpr std::string_view kMainWindowTitle = "LMX Duowatch Service Tray Control";

// Registered by the second instance of the tray application and sent to every window.
inline constexpr std::string_view kSingleInstanceMessageName = "LMXDuowatchControl-SingleInstance-UWM_RU12";
inline constexpr std::string_view kSingleInstanceMutexName = "LMXDuowatchControl-SingleInstance";

inline constexpr std::uint32_t kWmApp = 0x8000;

inline constexpr std::uint32_t UWM_SVC_NOTIFY = kWmApp + 1;         // 0x8001 the service's data changed
inline constexpr std::uint32_t UWM_SVC_STOPPING = kWmApp + 2;       // 0x8002 the service stops
inline constexpr std::uint32_t UWM_INFO_REFRESH = 0x800A;           // to the forms: data changed
inline constexpr std::uint32_t UWM_SET_INTERVAL = 0x800B;           // pipe request 2
inline constexpr std::uint32_t UWM_VERIFY_START = 0x800C;           // pipe request 3, wParam = drive
inline constexpr std::uint32_t UWM_VERIFY_STOP = 0x800D;            // pipe request 4, wParam = drive
inline constexpr std::uint32_t UWM_SET_PATROL = 0x800E;             // pipe request 5
inline constexpr std::uint32_t UWM_GET_LOG_A = 0x800F;              // pipe request 6, wParam = drive
inline constexpr std::uint32_t UWM_GET_LOG_B = 0x8010;              // pipe request 7, wParam = drive
inline constexpr std::uint32_t UWM_SET_TEMPERATURE = 0x8011;        // pipe request 8
inline constexpr std::uint32_t UWM_BUZZER_STOP = 0x8012;            // pipe request 9, wParam = drive
inline constexpr std::uint32_t UWM_RAIDINFO_UPDATE = 0x8013;        // pipe request 1
inline constexpr std::uint32_t UWM_SET_POPMSG = 0x8014;             // pipe request 10
inline constexpr std::uint32_t UWM_INIT_DATA = 0x8015;              // first data load
inline constexpr std::uint32_t UWM_VERIFY_END = 0x8016;             // pipe request 12, wParam = drive
inline constexpr std::uint32_t UWM_SHOW_INFO = kWmApp + 23;         // 0x8017 show the RAID information window
inline constexpr std::uint32_t UWM_SET_DIALOG = 0x8018;             // pipe request 13
inline constexpr std::uint32_t UWM_LOG_ARRIVED = 0x8028;            // to the tab form: a log page came
inline constexpr std::uint32_t UWM_STATUS_CHANGED = 0x8029;         // to the forms: status changed
inline constexpr std::uint32_t UWM_POPUP_CLOSED = 0x8064;           // wParam = slot, lParam = show the window

}  // namespace lmx::tray
