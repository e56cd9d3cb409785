#pragma once
// CDialogSetting (template 217): which form the RAID information window takes. One check box,
// "hierarchical display" (the tree form); Set stores 1 or 0 in the DialogSetting copy and has
// the window that opened it rebuild before it ends.

#include <cstdint>

#include "tray/gui/setting_dialog.h"

namespace lmx::tray {

inline constexpr int kDialogSettingTemplate = 217;
inline constexpr int kDialogSettingBox = 1098;
inline constexpr int kDialogSettingSet = 1038;
inline constexpr int kDialogSettingCancel = 1039;

gui::DialogTemplate dialogSettingTemplate();

class CDialogSetting : public SettingDialog {
public:
    // `owner` is the information window, told to rebuild on Set; `dialogSetting` the settings
    // copy: its value opens the dialog and Set writes it.
    CDialogSetting(gui::DialogWindow& owner, std::uint32_t& dialogSetting);

private:
    void set();

    gui::DialogWindow& owner_;
    std::uint32_t& dialogSetting_;
};

}  // namespace lmx::tray
