// Draws the programs' icons into Windows icon files (.ico, each size a PNG image), from the same
// SVG pictures the Qt side draws: scripts/draw-windows-icons.sh runs it and keeps the files in
// gui/icons/windows/, from which the Windows build's resources take them.
//
//   lmx_draw_windows_icons FOLDER     writes FOLDER/iconNNN.ico for every icon

#include <QApplication>
#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QtEndian>

#include <cstdio>
#include <vector>

#include "gui/icons.h"

namespace {

constexpr int kSizes[] = {16, 24, 32, 48};

void appendLittleEndian(QByteArray& out, quint32 value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
}

QByteArray iconFile(int id) {
    std::vector<QByteArray> images;
    for (const int size : kSizes) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        lmx::gui::renderIcon(id, size).save(&buffer, "PNG");
        images.push_back(png);
    }
    QByteArray out;
    appendLittleEndian(out, 0, 2);  // reserved
    appendLittleEndian(out, 1, 2);  // an icon
    appendLittleEndian(out, static_cast<quint32>(images.size()), 2);
    quint32 offset = 6 + 16 * static_cast<quint32>(images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        appendLittleEndian(out, static_cast<quint32>(kSizes[i]), 1);  // width
        appendLittleEndian(out, static_cast<quint32>(kSizes[i]), 1);  // height
        appendLittleEndian(out, 0, 1);                                // no palette
        appendLittleEndian(out, 0, 1);
        appendLittleEndian(out, 1, 2);   // planes
        appendLittleEndian(out, 32, 2);  // bits per pixel
        appendLittleEndian(out, static_cast<quint32>(images[i].size()), 4);
        appendLittleEndian(out, offset, 4);
        offset += static_cast<quint32>(images[i].size());
    }
    for (const QByteArray& image : images) out.append(image);
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: lmx_draw_windows_icons FOLDER\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    for (const int id : lmx::gui::iconIds()) {
        QFile file(QString::fromLocal8Bit(argv[1]) + QStringLiteral("/icon%1.ico").arg(id));
        if (!file.open(QIODevice::WriteOnly) || file.write(iconFile(id)) < 0) {
            std::fprintf(stderr, "lmx_draw_windows_icons: cannot write %s\n", qPrintable(file.fileName()));
            return 1;
        }
    }
    return 0;
}
