#include "gui/icons.h"

#include <QPainter>
#include <QSvgRenderer>

#include <algorithm>

// Registers the icon resources of this static library; without a reference the linker would
// drop them. Outside any namespace, as Q_INIT_RESOURCE requires.
static void initialiseIconResources() {
    Q_INIT_RESOURCE(icons);
}

namespace lmx::gui {

namespace {

constexpr int kIconIds[] = {128, 129, 130, 131, 132, 133, 134, 149};

QString resourcePath(int id) {
    return QStringLiteral(":/lmx/icons/%1.svg").arg(id);
}

bool known(int id) {
    static const bool initialised = (initialiseIconResources(), true);
    (void)initialised;
    return std::find(std::begin(kIconIds), std::end(kIconIds), id) != std::end(kIconIds);
}

}  // namespace

QIcon loadIcon(int id) {
    if (!known(id)) return QIcon();
    return iconFromSvg(resourcePath(id));
}

QImage renderIcon(int id, int size) {
    if (!known(id)) return QImage();
    return renderSvg(resourcePath(id), size);
}

QIcon iconFromSvg(const QString& file) {
    QIcon icon;
    for (const int size : {16, 24, 32, 48}) icon.addPixmap(QPixmap::fromImage(renderSvg(file, size)));
    return icon;
}

QImage renderSvg(const QString& file, int size) {
    QSvgRenderer renderer(file);
    if (!renderer.isValid()) return QImage();
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(0, 0, size, size));
    return image;
}

std::vector<int> iconIds() {
    return {std::begin(kIconIds), std::end(kIconIds)};
}

}  // namespace lmx::gui
