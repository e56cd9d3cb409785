#include "gui/message_box.h"

#include <utility>

namespace lmx::gui {

namespace {

MessageBoxAnswers* installedAnswers = nullptr;

}  // namespace

std::vector<int> buttonIds(MessageBoxButtons buttons) {
    switch (buttons) {
        case MessageBoxButtons::Ok: return {IDOK};
        case MessageBoxButtons::OkCancel: return {IDOK, IDCANCEL};
        case MessageBoxButtons::AbortRetryIgnore: return {IDABORT, IDRETRY, IDIGNORE};
        case MessageBoxButtons::YesNoCancel: return {IDYES, IDNO, IDCANCEL};
        case MessageBoxButtons::YesNo: return {IDYES, IDNO};
        case MessageBoxButtons::RetryCancel: return {IDRETRY, IDCANCEL};
    }
    return {IDOK};
}

MessageBoxAnswers::MessageBoxAnswers() : previous_(std::exchange(installedAnswers, this)) {}

MessageBoxAnswers::~MessageBoxAnswers() {
    installedAnswers = previous_;
}

MessageBoxAnswers* MessageBoxAnswers::installed() {
    return installedAnswers;
}

int MessageBoxAnswers::take(const MessageBoxRequest& request) {
    asked_.push_back(request);
    if (answers_.empty()) return buttonIds(request.buttons).front();
    const int answer = answers_.front();
    answers_.pop_front();
    return answer;
}

}  // namespace lmx::gui
