// window_grab WINDOW FILE: saves what an X window shows as a PNG file. WINDOW is the window's id
// (decimal, or hexadecimal with 0x), as xdotool prints it. The screenshots script uses it on an
// X server of its own.

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QString>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: window_grab WINDOW FILE\n");
        return 2;
    }
    QGuiApplication application(argc, argv);
    bool valid = false;
    const WId window = QString::fromLocal8Bit(argv[1]).toULongLong(&valid, 0);
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!valid || !screen) {
        std::fprintf(stderr, "window_grab: no window %s on this display\n", argv[1]);
        return 1;
    }
    const QPixmap picture = screen->grabWindow(window);
    if (picture.isNull() || !picture.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "window_grab: window %s could not be saved to %s\n", argv[1], argv[2]);
        return 1;
    }
    return 0;
}
