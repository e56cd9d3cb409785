#include "gui/modal_answer.h"

#include <utility>

#include "gui/dialog_window.h"

namespace lmx::gui {

namespace {

ModalAnswer* installedAnswer = nullptr;

}  // namespace

ModalAnswer::ModalAnswer(std::function<void(DialogWindow&)> act)
    : act_(std::move(act)), previous_(std::exchange(installedAnswer, this)) {}

ModalAnswer::~ModalAnswer() {
    installedAnswer = previous_;
}

void ModalAnswer::modalRunStarting(DialogWindow& window) {
    ModalAnswer* answer = installedAnswer;
    if (!answer || answer->answered_) return;
    answer->answered_ = true;
    // Posted to the window, so that it runs once the modal loop handles the window's messages.
    window.post([act = answer->act_, &window] { act(window); });
}

}  // namespace lmx::gui
