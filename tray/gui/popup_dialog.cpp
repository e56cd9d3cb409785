#include "tray/gui/popup_dialog.h"

#include <QApplication>
#include <QLabel>
#include <QStyle>

#include "gui/qt/widget_message_box.h"
#include "gui/qt/qt_string_table.h"

namespace lmx::tray {

namespace {

QIcon systemIcon(int iconClass) {
    QStyle* style = QApplication::style();
    switch (iconClass) {
        case static_cast<int>(gui::MessageBoxIcon::Error): return style->standardIcon(QStyle::SP_MessageBoxCritical);
        case static_cast<int>(gui::MessageBoxIcon::Question): return style->standardIcon(QStyle::SP_MessageBoxQuestion);
        case static_cast<int>(gui::MessageBoxIcon::Warning): return style->standardIcon(QStyle::SP_MessageBoxWarning);
        case static_cast<int>(gui::MessageBoxIcon::Information):
            return style->standardIcon(QStyle::SP_MessageBoxInformation);
        default: return {};
    }
}

}  // namespace

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
    : gui::TemplateDialog(popupTemplate()), slot_(slot), closed_(std::move(closed)) {
    setWindowTitle(gui::loadQString(184));
    setControlText(gui::IdOk, gui::loadQString(206));
    setControlText(gui::IdCancel, gui::loadQString(207));
    // Alert texts use "\r\n" line ends; a label wants "\n".
    setControlText(kPopupText, QString::fromStdString(text).remove(QLatin1Char('\r')));
    fitText();
    if (auto* icon = controlAs<QLabel>(kPopupIcon)) {
        const QIcon picture = systemIcon(iconClass);
        if (!picture.isNull()) icon->setPixmap(picture.pixmap(32, 32));
    }
    onCommand(gui::IdOk, [this] { report(true); });
    onCommand(gui::IdCancel, [this] { report(false); });
    connect(this, &QDialog::finished, this, [this](int) { report(false); });
}

void PopupDialog::fitText() {
    // The template's text area holds ten lines; an alert of a three-drive controller with the
    // unreadable-sector warning, or a long translation, needs more. The alert grows downwards
    // by what is missing, with its buttons, so that no line of the message is cut off.
    auto* label = controlAs<QLabel>(kPopupText);
    if (!label) return;
    const int missing = label->heightForWidth(label->width()) - label->height();
    if (missing <= 0) return;
    label->resize(label->width(), label->height() + missing);
    for (const int button : {gui::IdOk, gui::IdCancel}) {
        if (QWidget* widget = control(button)) widget->move(widget->x(), widget->y() + missing);
    }
    setFixedSize(width(), height() + missing);
}

void PopupDialog::report(bool showInformation) {
    if (reported_) return;
    reported_ = true;
    hide();
    closed_(slot_, showInformation);
}

}  // namespace lmx::tray
