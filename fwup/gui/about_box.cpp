#include "fwup/gui/about_box.h"

#include "fwup/gui/fwup_templates.h"

namespace fwup::gui {

CAboutDlg::CAboutDlg(lmx::gui::DialogWindow* owner)
    : window_(lmx::gui::createDialogWindow(aboutDialogTemplate(), owner)) {
    window_->setIcon(kToolIcon);
    window_->setControlIcon(kAboutIcon, kToolIcon);
}

}  // namespace fwup::gui
