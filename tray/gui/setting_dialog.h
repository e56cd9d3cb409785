#pragma once
// What the settings dialogs share: a window of their template owned by the information window,
// its caption and the Set and Cancel buttons' texts from the string table, and Cancel ending it
// with kSettingCancel. Each dialog adds its controls and what Set stores.

#include <memory>

#include "gui/dialog_window.h"
#include "tray/gui/setting_dialog_results.h"

namespace lmx::tray {

class SettingDialog {
public:
    gui::DialogWindow& window() { return *window_; }
    int doModal() { return window_->doModal(); }

protected:
    SettingDialog(const gui::DialogTemplate& dialogTemplate, gui::DialogWindow* owner, int captionText, int setButton,
                  int cancelButton);
    ~SettingDialog() = default;
    SettingDialog(const SettingDialog&) = delete;
    SettingDialog& operator=(const SettingDialog&) = delete;

    std::unique_ptr<gui::DialogWindow> window_;
};

}  // namespace lmx::tray
