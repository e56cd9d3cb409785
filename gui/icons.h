#pragma once
// The programs' icons by resource number: 128 (the firmware tool), 129 (service runs, every
// controller normal), 130 (service not running; also the start-up icon), 131 (the application,
// About box), 132 (a controller abnormal or its rebuild stopped), 133 (the last stop request
// failed), 134 (service runs, no controller present) and 149 (temperature alarm mark). Each tells its
// state apart by shape as well as by colour, also at 16 × 16.
// Icon 130 is the same picture in both languages, so it is compiled into the program and the
// language library carries no icons.

#include <QIcon>
#include <QImage>
#include <QString>

#include <vector>

namespace lmx::gui {

// The icon; a null icon for a number the program has no icon for.
QIcon loadIcon(int id);
// The icon drawn at size × size pixels (ARGB, premultiplied); null for an unknown number.
QImage renderIcon(int id, int size);
// Every icon number, ascending.
std::vector<int> iconIds();

// An icon of another program's own SVG picture (a file or a Qt resource path), drawn at the
// sizes the desktop asks for, and one drawing of it; null when the picture cannot be read.
QIcon iconFromSvg(const QString& file);
QImage renderSvg(const QString& file, int size);

}  // namespace lmx::gui
