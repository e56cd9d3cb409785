#pragma once
// CPopupDlg: the top-most alert of one physical drive (template 138): the alert text, a system
// icon, "show information" and "close". Esc is swallowed; both buttons and the close box hide
// the alert and report it to the frame.

#include <functional>
#include <memory>
#include <string>

#include "gui/dialog_window.h"

namespace lmx::tray {

inline constexpr int kPopupTemplate = 138;
inline constexpr int kPopupText = 1033;
inline constexpr int kPopupIcon = 1034;

class PopupDialog {
public:
    // `closed(slot, showInformation)` is the frame's UWM_POPUP_CLOSED.
    using ClosedHandler = std::function<void(int slot, bool showInformation)>;
    PopupDialog(int slot, const std::string& text, int iconClass, ClosedHandler closed);

    int slot() const { return slot_; }
    gui::DialogWindow& window() { return *window_; }

private:
    void fitText();
    void report(bool showInformation);

    int slot_;
    ClosedHandler closed_;
    bool reported_ = false;
    std::unique_ptr<gui::DialogWindow> window_;
};

gui::DialogTemplate popupTemplate();

}  // namespace lmx::tray
