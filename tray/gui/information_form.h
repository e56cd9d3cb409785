#pragma once
// What the RAID information window's two forms share: the window of the form's template with
// its menu and the menu's states, the menu's commands, the frame's messages, and the reload and
// rebuild on every show and hide.

#include <memory>
#include <string>

#include "gui/dialog_window.h"
#include "tray/core/info_menu.h"
#include "tray/gui/info_window_commands.h"
#include "tray/gui/info_window_host.h"
#include "tray/gui/info_window_menu.h"

namespace lmx::tray {

class InformationForm {
public:
    InformationForm(const gui::DialogTemplate& dialogTemplate, InformationWindowHost& host);
    virtual ~InformationForm();
    InformationForm(const InformationForm&) = delete;
    InformationForm& operator=(const InformationForm&) = delete;

    gui::DialogWindow& window() { return *window_; }
    const gui::DialogWindow& window() const { return *window_; }
    InformationMenu& menu() { return menu_; }
    const MenuStates& menuStates() const { return states_; }
    InformationWindowCommands& commands() { return commands_; }

    // UWM_INFO_REFRESH: rebuild from the kept table, without reading the settings again.
    virtual void rebuild() = 0;
    // A show or hide: read the settings again, set the slot on view to 0, rebuild.
    virtual void reloadAndRebuild() = 0;

protected:
    // Gives the window its menu bar; at initialisation.
    void buildMenu();
    // Enables the temperature and display-settings items when a present controller is of their
    // model class.
    void enableModelClassItems();
    // The menu-state rules for the slot on view and the service's state.
    void updateMenuStates();
    // The frame's messages; forms add their own before this.
    virtual std::intptr_t handleMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);

    std::unique_ptr<gui::DialogWindow> window_;
    InformationWindowHost& host_;

private:
    MenuStates states_;
    InformationMenu menu_;
    InformationWindowCommands commands_;
};

// The forms' caption: string 143.
std::string informationCaption();

}  // namespace lmx::tray
