#include "tray/gui/popup_dialog.h"

#include <algorithm>

#include "gui/message_box.h"
#include "gui/string_table.h"

namespace lmx::tray {

gui::DialogTemplate popupTemplate() {
    gui::DialogTemplate dialog;
    dialog.id = kPopupTemplate;
    dialog.width = 230;
    dialog.height = 118;
    dialog.topMost = true;
    dialog.keys = {1, std::nullopt, 2};  // Enter is "show information", Esc does nothing, the close box closes
    dialog.controls = {
        {kPopupIcon, gui::ControlKind::Icon, {8, 8, 21, 20}, "", gui::TextAlign::Left, false, std::nullopt},
        {kPopupText, gui::ControlKind::Label, {36, 8, 186, 84}, "", gui::TextAlign::Left, false, std::nullopt},
        {gui::IdOk, gui::ControlKind::PushButton, {62, 98, 76, 14}, "", gui::TextAlign::Center, true, std::nullopt},
        {gui::IdCancel, gui::ControlKind::PushButton, {146, 98, 76, 14}, "", gui::TextAlign::Center, false, std::nullopt},
    };
    return dialog;
}

PopupDialog::PopupDialog(int slot, const std::string& text, int iconClass, ClosedHandler closed)
    : slot_(slot), closed_(std::move(closed)), window_(gui::createDialogWindow(popupTemplate())) {
    window_->setCaption(gui::loadString(184));
    window_->setText(gui::IdOk, gui::loadString(206));
    window_->setText(gui::IdCancel, gui::loadString(207));
    // Alert texts use "\r\n" line ends; a static text wants "\n".
    std::string lines = text;
    lines.erase(std::remove(lines.begin(), lines.end(), '\r'), lines.end());
    window_->setText(kPopupText, lines);
    fitText();
    window_->setControlSystemIcon(kPopupIcon, iconClass);
    window_->onCommand(gui::IdOk, [this] { report(true); });
    window_->onCommand(gui::IdCancel, [this] { report(false); });
    window_->onClose([this] {
        report(false);
        return true;
    });
}

void PopupDialog::fitText() {
    // The template's text area holds ten lines; an alert of a three-drive controller with the
    // unreadable-sector warning, or a long translation, needs more. The alert grows downwards
    // by what is missing, with its buttons, so that no line of the message is cut off.
    gui::PixelRect label = window_->controlRect(kPopupText);
    const int missing = window_->textHeight(kPopupText) - label.height;
    if (missing <= 0) return;
    label.height += missing;
    window_->setControlRect(kPopupText, label);
    for (const int button : {gui::IdOk, gui::IdCancel}) {
        gui::PixelRect moved = window_->controlRect(button);
        moved.y += missing;
        window_->setControlRect(button, moved);
    }
    const gui::PixelRect client = window_->clientRect();
    window_->setClientSize(client.width, client.height + missing);
}

void PopupDialog::report(bool showInformation) {
    if (reported_) return;
    reported_ = true;
    window_->hide();
    closed_(slot_, showInformation);
}

}  // namespace lmx::tray
