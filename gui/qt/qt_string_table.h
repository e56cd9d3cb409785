#pragma once
// The string table's texts as Qt strings, for windows written against Qt's widgets directly.

#include <QString>

#include "gui/string_table.h"

namespace lmx::gui {

inline QString loadQString(int id) {
    return QString::fromStdString(loadString(id));
}

}  // namespace lmx::gui
