#include "tray/gui/information_form.h"

#include "common/tray_messages.h"
#include "gui/string_table.h"
#include "tray/core/string_source.h"

namespace lmx::tray {

std::string informationCaption() { return gui::loadString(strings::kRaidInformation); }

InformationForm::InformationForm(const gui::DialogTemplate& dialogTemplate, InformationWindowHost& host)
    : window_(gui::createDialogWindow(dialogTemplate)),
      host_(host),
      states_(initialMenuStates()),
      menu_(*window_, [this](int command) { commands_.run(command); }),
      commands_(host, *window_) {
    window_->setCaption(informationCaption());
    window_->setWindowProcedure([this](std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
        return handleMessage(message, wParam, lParam);
    });
    // Every show and every hide reads the settings again and rebuilds.
    window_->onShowHide([this](bool) { reloadAndRebuild(); });
}

InformationForm::~InformationForm() {
    // The forms behind the handlers are gone already.
    window_->onShowHide(nullptr);
    window_->setWindowProcedure(nullptr);
}

void InformationForm::buildMenu() { menu_.build(); }

void InformationForm::enableModelClassItems() {
    tray::enableModelClassItems(states_, host_.keptPackets());
    menu_.apply(states_);
}

void InformationForm::updateMenuStates() {
    tray::updateMenuStates(states_, presentRecord(host_.keptPackets(), host_.currentSlot()), host_.serviceRunning());
    menu_.apply(states_);
}

std::intptr_t InformationForm::handleMessage(std::uint32_t message, std::uintptr_t, std::intptr_t) {
    switch (message) {
        case UWM_INFO_REFRESH: rebuild(); return 0;
        case UWM_STATUS_CHANGED: return 0;  // the refresh before it did the work
        default: return 0;
    }
}

}  // namespace lmx::tray
