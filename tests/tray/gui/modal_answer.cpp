#include "tests/tray/gui/modal_answer.h"

#include <QApplication>

namespace lmx::tray::testing {

ModalAnswer::ModalAnswer(std::function<void(QDialog&)> act) : act_(std::move(act)) {
    // Looked for on every pass of the modal loop's events, not after a time.
    timer_.setInterval(0);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible()) return;
        timer_.stop();
        answered_ = true;
        act_(*dialog);
    });
    timer_.start();
}

ModalAnswer::~ModalAnswer() { timer_.stop(); }

}  // namespace lmx::tray::testing
