#pragma once
// How the service's settings dialogs end: Set with 1 (the new value already in the settings
// copy), the Cancel button with 2, Esc and the close box with 0. Enter does nothing in them.

namespace lmx::tray {

inline constexpr int kSettingClosed = 0;
inline constexpr int kSettingSet = 1;
inline constexpr int kSettingCancel = 2;

inline constexpr int kStringSet = 178;     // "設定(&S)"
inline constexpr int kStringCancel = 179;  // "キャンセル(&C)"

}  // namespace lmx::tray
