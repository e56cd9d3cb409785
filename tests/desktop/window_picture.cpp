// window_picture WINDOW FILE: writes the picture of X window WINDOW (its id, decimal or 0x hex,
// as xdotool prints it) to FILE as PNG, as the X server shows it. For scripts/screenshots.sh.

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: window_picture WINDOW FILE\n");
        return 2;
    }
    char* end = nullptr;
    const unsigned long long window = std::strtoull(argv[1], &end, 0);
    if (*end != '\0' || window == 0) {
        std::fprintf(stderr, "window_picture: %s is not a window id\n", argv[1]);
        return 2;
    }
    QGuiApplication application(argc, argv);
    QScreen* screen = QGuiApplication::primaryScreen();
    const QPixmap picture = screen ? screen->grabWindow(static_cast<WId>(window)) : QPixmap();
    if (picture.isNull()) {
        std::fprintf(stderr, "window_picture: window %s cannot be read\n", argv[1]);
        return 1;
    }
    if (!picture.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "window_picture: %s cannot be written\n", argv[2]);
        return 1;
    }
    return 0;
}
