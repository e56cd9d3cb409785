#pragma once
// CAboutDlg: the tool's About box (template 100) with the program icon, its name and version,
// and an OK button.

#include <memory>

#include "gui/dialog_window.h"

namespace fwup::gui {

class CAboutDlg {
public:
    explicit CAboutDlg(lmx::gui::DialogWindow* owner = nullptr);

    lmx::gui::DialogWindow& window() { return *window_; }
    int doModal() { return window_->doModal(); }

private:
    std::unique_ptr<lmx::gui::DialogWindow> window_;
};

}  // namespace fwup::gui
