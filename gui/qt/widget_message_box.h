#pragma once
// The message box for windows still written against Qt's widgets directly: the same box and
// the same test answers as messageBox with a DialogWindow owner.

#include <QString>

#include "gui/message_box.h"

class QWidget;

namespace lmx::gui {

int messageBox(QWidget* owner, const QString& text, const QString& caption,
               MessageBoxButtons buttons = MessageBoxButtons::Ok, MessageBoxIcon icon = MessageBoxIcon::None,
               bool topMost = false);

}  // namespace lmx::gui
