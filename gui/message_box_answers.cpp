#include "gui/message_box.h"

#include <utility>

namespace lmx::gui {

namespace {

MessageBoxAnswers* installedAnswers = nullptr;

}  // namespace

std::vector<int> buttonIds(MessageBoxButtons buttons) {
    switch (buttons) {
        case MessageBoxButtons::Ok: return {IdOk};
        case MessageBoxButtons::OkCancel: return {IdOk, IdCancel};
        case MessageBoxButtons::AbortRetryIgnore: return {IdAbort, IdRetry, IdIgnore};
        case MessageBoxButtons::YesNoCancel: return {IdYes, IdNo, IdCancel};
        case MessageBoxButtons::YesNo: return {IdYes, IdNo};
        case MessageBoxButtons::RetryCancel: return {IdRetry, IdCancel};
    }
    return {IdOk};
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
