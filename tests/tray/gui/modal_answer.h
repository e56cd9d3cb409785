#pragma once
// Answers a modal dialog from inside its modal loop, as a user would: once the next modal
// dialog is shown, `act` runs on it (clicks a button, presses a key, looks at it). While the
// object lives it watches; a dialog that never comes leaves `answered()` false.

#include <QDialog>
#include <QTimer>

#include <functional>

namespace lmx::tray::testing {

class ModalAnswer {
public:
    explicit ModalAnswer(std::function<void(QDialog&)> act);
    ~ModalAnswer();
    ModalAnswer(const ModalAnswer&) = delete;
    ModalAnswer& operator=(const ModalAnswer&) = delete;

    bool answered() const { return answered_; }

private:
    std::function<void(QDialog&)> act_;
    QTimer timer_;
    bool answered_ = false;
};

}  // namespace lmx::tray::testing
