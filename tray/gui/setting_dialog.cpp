#include "tray/gui/setting_dialog.h"

#include "gui/string_table.h"

namespace lmx::tray {

SettingDialog::SettingDialog(const gui::DialogTemplate& dialogTemplate, gui::DialogWindow* owner, int captionText,
                             int setButton, int cancelButton)
    : window_(gui::createDialogWindow(dialogTemplate, owner)) {
    window_->setCaption(gui::loadString(captionText));
    window_->setText(setButton, gui::loadString(kStringSet));
    window_->setText(cancelButton, gui::loadString(kStringCancel));
    window_->onCommand(cancelButton, [this] { window_->endDialog(kSettingCancel); });
}

}  // namespace lmx::tray
