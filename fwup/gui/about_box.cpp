#include "fwup/gui/about_box.h"

#include <QLabel>

#include "fwup/gui/fwup_templates.h"
#include "gui/icons.h"

// Registers the tool's icon resources of this static library; without a reference the linker
// would drop them. Outside any namespace, as Q_INIT_RESOURCE requires.
static void initialiseToolIconResources() {
    Q_INIT_RESOURCE(fwup_icons);
}

namespace fwup::gui {

QIcon toolIcon() {
    static const bool initialised = (initialiseToolIconResources(), true);
    (void)initialised;
    return lmx::gui::iconFromSvg(QStringLiteral(":/fwup/icons/128.svg"));
}

CAboutDlg::CAboutDlg(QWidget* parent) : TemplateDialog(aboutDialogTemplate(), parent) {
    setWindowIcon(toolIcon());
    if (auto* icon = controlAs<QLabel>(kAboutIcon)) icon->setPixmap(toolIcon().pixmap(32, 32));
}

}  // namespace fwup::gui
