#pragma once
// What the RAID information window's two forms share: the window menu with its states, the
// menu's commands, the frame's messages, and the reload and rebuild on every show and hide.

#include <QString>

#include "gui/template_dialog.h"
#include "tray/core/info_menu.h"
#include "tray/gui/info_window_commands.h"
#include "tray/gui/info_window_host.h"
#include "tray/gui/info_window_menu.h"

class QHideEvent;
class QShowEvent;

namespace lmx::tray {

class InformationForm : public gui::TemplateDialog {
    Q_OBJECT
public:
    InformationForm(const gui::DialogTemplate& dialogTemplate, InformationWindowHost& host);

    InformationMenu& menu() { return menu_; }
    const MenuStates& menuStates() const { return states_; }
    InformationWindowCommands& commands() { return commands_; }

    // UWM_INFO_REFRESH: rebuild from the kept table, without reading the settings again.
    virtual void rebuild() = 0;
    // A show or hide: read the settings again, set the slot on view to 0, rebuild, repaint.
    virtual void reloadAndRebuild() = 0;

protected:
    // Builds the menu bar and attaches it; at initialisation.
    void buildMenu();
    // Enables the temperature and display-settings items when a present controller is of their
    // model class.
    void enableModelClassItems();
    // The menu-state rules for the slot on view and the service's state.
    void updateMenuStates();
    // The frame's messages; forms add their own before this.
    virtual std::intptr_t handleMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);

    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

    InformationWindowHost& host_;

private:
    void runCommand(int command);

    MenuStates states_;
    InformationMenu menu_;
    InformationWindowCommands commands_;
};

// The forms' caption: string 143.
QString informationCaption();

}  // namespace lmx::tray
