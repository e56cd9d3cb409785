#pragma once
// Answers a modal dialog from inside its modal loop, as a user would, for tests: while an object
// of this class lives, the next dialog window that starts a modal run has `act` called on it
// from inside that run (it clicks a button, presses a key, looks at the window). A dialog that
// never comes leaves `answered()` false. Installations nest; the newest answers.

#include <functional>

namespace lmx::gui {

class DialogWindow;

class ModalAnswer {
public:
    explicit ModalAnswer(std::function<void(DialogWindow&)> act);
    ~ModalAnswer();
    ModalAnswer(const ModalAnswer&) = delete;
    ModalAnswer& operator=(const ModalAnswer&) = delete;

    bool answered() const { return answered_; }

    // Called by every dialog window as its modal run starts.
    static void modalRunStarting(DialogWindow& window);

private:
    std::function<void(DialogWindow&)> act_;
    bool answered_ = false;
    ModalAnswer* previous_ = nullptr;
};

}  // namespace lmx::gui
