#include "tray/gui/information_form.h"

#include <QHideEvent>
#include <QShowEvent>

#include "common/tray_messages.h"
#include "gui/qt/qt_string_table.h"
#include "tray/core/string_source.h"

namespace lmx::tray {

QString informationCaption() { return gui::loadQString(strings::kRaidInformation); }

InformationForm::InformationForm(const gui::DialogTemplate& dialogTemplate, InformationWindowHost& host)
    : gui::TemplateDialog(dialogTemplate),
      host_(host),
      states_(initialMenuStates()),
      menu_([this](int command) { runCommand(command); }),
      commands_(host, *this) {
    setWindowTitle(informationCaption());
    setWindowProcedure([this](std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
        return handleMessage(message, wParam, lParam);
    });
}

void InformationForm::buildMenu() {
    attachMenuBar(menu_.build());
}

void InformationForm::enableModelClassItems() {
    tray::enableModelClassItems(states_, host_.keptPackets());
    menu_.apply(states_);
}

void InformationForm::updateMenuStates() {
    tray::updateMenuStates(states_, presentRecord(host_.keptPackets(), host_.currentSlot()), host_.serviceRunning());
    menu_.apply(states_);
}

void InformationForm::runCommand(int command) { commands_.run(command); }

std::intptr_t InformationForm::handleMessage(std::uint32_t message, std::uintptr_t, std::intptr_t) {
    switch (message) {
        case UWM_INFO_REFRESH: rebuild(); return 0;
        case UWM_STATUS_CHANGED: return 0;  // the refresh before it did the work
        default: return 0;
    }
}

void InformationForm::showEvent(QShowEvent* event) {
    gui::TemplateDialog::showEvent(event);
    reloadAndRebuild();
    repaint();
}

void InformationForm::hideEvent(QHideEvent* event) {
    gui::TemplateDialog::hideEvent(event);
    reloadAndRebuild();
}

}  // namespace lmx::tray
