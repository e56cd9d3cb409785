#pragma once
// CAboutDlg: the tool's About box (template 100) with the program icon, its name and version,
// and an OK button.

#include "gui/template_dialog.h"

namespace fwup::gui {

class CAboutDlg : public lmx::gui::TemplateDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

// The tool's icon (resource 128).
QIcon toolIcon();

}  // namespace fwup::gui
