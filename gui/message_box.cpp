#include "gui/message_box.h"

#include <QMessageBox>

#include <utility>

namespace lmx::gui {

namespace {

MessageBoxAnswers* installedAnswers = nullptr;

struct ButtonChoice {
    QMessageBox::StandardButton button;
    int id;
};

std::vector<ButtonChoice> buttonsOf(MessageBoxButtons buttons) {
    switch (buttons) {
        case MessageBoxButtons::Ok: return {{QMessageBox::Ok, IDOK}};
        case MessageBoxButtons::OkCancel: return {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}};
        case MessageBoxButtons::AbortRetryIgnore:
            return {{QMessageBox::Abort, IDABORT}, {QMessageBox::Retry, IDRETRY}, {QMessageBox::Ignore, IDIGNORE}};
        case MessageBoxButtons::YesNoCancel:
            return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
        case MessageBoxButtons::YesNo: return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}};
        case MessageBoxButtons::RetryCancel: return {{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}};
    }
    return {{QMessageBox::Ok, IDOK}};
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

}  // namespace

MessageBoxAnswers::MessageBoxAnswers() : previous_(std::exchange(installedAnswers, this)) {}

MessageBoxAnswers::~MessageBoxAnswers() {
    installedAnswers = previous_;
}

int MessageBoxAnswers::take(const MessageBoxRequest& request) {
    asked_.push_back(request);
    if (answers_.empty()) return buttonsOf(request.buttons).front().id;
    const int answer = answers_.front();
    answers_.pop_front();
    return answer;
}

int messageBox(QWidget* owner, const QString& text, const QString& caption, MessageBoxButtons buttons,
               MessageBoxIcon icon, bool topMost) {
    if (installedAnswers) return installedAnswers->take({text, caption, icon, buttons, topMost, owner != nullptr});

    const std::vector<ButtonChoice> choices = buttonsOf(buttons);
    QMessageBox::StandardButtons standard;
    for (const ButtonChoice& choice : choices) standard |= choice.button;
    QMessageBox box(qtIcon(icon), caption, text, standard, owner);
    if (topMost) box.setWindowFlag(Qt::WindowStaysOnTopHint);
    // The close box answers Cancel when there is one, else the only button.
    for (const ButtonChoice& choice : choices) {
        if (choice.id == IDCANCEL || choices.size() == 1) box.setEscapeButton(choice.button);
    }
    const auto pressed = static_cast<QMessageBox::StandardButton>(box.exec());
    for (const ButtonChoice& choice : choices) {
        if (choice.button == pressed) return choice.id;
    }
    return choices.size() == 1 ? choices.front().id : IDCANCEL;
}

}  // namespace lmx::gui
