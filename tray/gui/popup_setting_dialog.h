#pragma once
// CPopupSetting: the pop-up display settings (template 139). For each alert class a check box
// (show its alerts) and a list of display times, enabled only while the box is ticked. Set
// ends with IDOK and the new PopMsgSetting value; Cancel with IDCANCEL, changing nothing.

#include <cstdint>

#include "tray/gui/setting_dialog.h"
#include "tray/core/string_source.h"

namespace lmx::tray {

inline constexpr int kPopupSettingTemplate = 139;
inline constexpr int kPopupSettingShow[3] = {1040, 1041, 1042};  // normal, rebuild, abnormal
inline constexpr int kPopupSettingTime[3] = {1035, 1036, 1037};
inline constexpr int kPopupSettingAccept = 1038;
inline constexpr int kPopupSettingCancel = 1039;

class PopupSettingDialog : public SettingDialog {
public:
    PopupSettingDialog(std::uint32_t popMsgSetting, const StringSource& texts, gui::DialogWindow* owner = nullptr);
    // The value the controls stand for (what Set returns).
    std::uint32_t value() const;

private:
    std::uint32_t value_;
};

gui::DialogTemplate popupSettingTemplate();

}  // namespace lmx::tray
