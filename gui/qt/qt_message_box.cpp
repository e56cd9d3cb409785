#include <QMessageBox>

#include "gui/message_box.h"
#include "gui/qt/qt_dialog_window.h"
#include "gui/qt/widget_message_box.h"

namespace lmx::gui {

namespace {

QMessageBox::StandardButton qtButton(int id) {
    switch (id) {
        case IdOk: return QMessageBox::Ok;
        case IdCancel: return QMessageBox::Cancel;
        case IdAbort: return QMessageBox::Abort;
        case IdRetry: return QMessageBox::Retry;
        case IdIgnore: return QMessageBox::Ignore;
        case IdYes: return QMessageBox::Yes;
        case IdNo: return QMessageBox::No;
        default: break;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon qtIcon(MessageBoxIcon icon) {
    switch (icon) {
        case MessageBoxIcon::Error: return QMessageBox::Critical;
        case MessageBoxIcon::Question: return QMessageBox::Question;
        case MessageBoxIcon::Warning: return QMessageBox::Warning;
        case MessageBoxIcon::Information: return QMessageBox::Information;
        case MessageBoxIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

int showMessageBox(QWidget* owner, const MessageBoxRequest& request) {
    if (auto* answers = MessageBoxAnswers::installed()) return answers->take(request);

    const std::vector<int> ids = buttonIds(request.buttons);
    QMessageBox::StandardButtons standard;
    for (const int id : ids) standard |= qtButton(id);
    QMessageBox box(qtIcon(request.icon), QString::fromStdString(request.caption),
                    QString::fromStdString(request.text), standard, owner);
    if (request.topMost) box.setWindowFlag(Qt::WindowStaysOnTopHint);
    // The close box answers Cancel when there is one, else the only button.
    for (const int id : ids) {
        if (id == IdCancel || ids.size() == 1) box.setEscapeButton(qtButton(id));
    }
    const auto pressed = static_cast<QMessageBox::StandardButton>(box.exec());
    for (const int id : ids) {
        if (qtButton(id) == pressed) return id;
    }
    return ids.size() == 1 ? ids.front() : IdCancel;
}

}  // namespace

int messageBox(QWidget* owner, const QString& text, const QString& caption, MessageBoxButtons buttons,
               MessageBoxIcon icon, bool topMost) {
    return showMessageBox(owner, {text.toStdString(), caption.toStdString(), icon, buttons, topMost, owner != nullptr});
}

int messageBox(DialogWindow* owner, std::string_view text, std::string_view caption, MessageBoxButtons buttons,
               MessageBoxIcon icon, bool topMost) {
    return showMessageBox(widgetOf(owner),
                          {std::string(text), std::string(caption), icon, buttons, topMost, owner != nullptr});
}

}  // namespace lmx::gui
