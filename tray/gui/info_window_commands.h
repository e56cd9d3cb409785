#pragma once
// The commands of the RAID information window's menu, shared by both forms: requests to the
// frame for the controller on view, the settings dialogs (one opener each), help, the About
// box and the mirror-log save.

#include "gui/dialog_window.h"
#include "tray/gui/info_window_host.h"

namespace lmx::tray {

class InformationWindowCommands {
public:
    InformationWindowCommands(InformationWindowHost& host, gui::DialogWindow& form) : host_(host), form_(form) {}

    // Carries out menu command `command`; false for a command that is not the window's.
    bool run(int command);

    void refresh();
    void help();
    void about();
    void saveMirrorLog();

    // The settings commands: each reads its setting afresh into the shared copy, opens its
    // dialog owned by the form and, when the dialog ends with Set, has the frame send the copy.
    void openPopupSetting();
    void openIntervalSetting();
    void openPatrolSetting();
    void openTemperatureSetting();
    void openDialogSetting();

private:
    void sendForSlotOnView(std::uint32_t message);

    InformationWindowHost& host_;
    gui::DialogWindow& form_;
};

}  // namespace lmx::tray
