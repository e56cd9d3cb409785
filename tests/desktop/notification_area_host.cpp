// A minimal StatusNotifierItem host for tests and screenshots: it owns the session bus name
// org.kde.StatusNotifierWatcher, says a host is registered, and prints each item that registers
// ("item <bus name>") on standard output, so that a Qt program on X11 finds a notification area
// where no desktop runs.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QStringList>

#include <cstdio>

namespace {

constexpr const char* kWatcherService = "org.kde.StatusNotifierWatcher";
constexpr const char* kWatcherPath = "/StatusNotifierWatcher";
constexpr const char* kWatcherInterface = "org.kde.StatusNotifierWatcher";
constexpr const char* kPropertiesInterface = "org.freedesktop.DBus.Properties";

class Watcher : public QDBusVirtualObject {
public:
    QString introspect(const QString&) const override {
        return QStringLiteral(
            "<interface name=\"org.kde.StatusNotifierWatcher\">"
            "<method name=\"RegisterStatusNotifierItem\"><arg name=\"service\" type=\"s\" direction=\"in\"/></method>"
            "<method name=\"RegisterStatusNotifierHost\"><arg name=\"service\" type=\"s\" direction=\"in\"/></method>"
            "<property name=\"RegisteredStatusNotifierItems\" type=\"as\" access=\"read\"/>"
            "<property name=\"IsStatusNotifierHostRegistered\" type=\"b\" access=\"read\"/>"
            "<property name=\"ProtocolVersion\" type=\"i\" access=\"read\"/>"
            "<signal name=\"StatusNotifierItemRegistered\"><arg type=\"s\"/></signal>"
            "<signal name=\"StatusNotifierItemUnregistered\"><arg type=\"s\"/></signal>"
            "<signal name=\"StatusNotifierHostRegistered\"/>"
            "</interface>");
    }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        const QString member = message.member();
        if (message.interface() == QLatin1String(kPropertiesInterface)) {
            if (member == QLatin1String("GetAll")) {
                QVariantMap all;
                for (const char* name : {"RegisteredStatusNotifierItems", "IsStatusNotifierHostRegistered", "ProtocolVersion"})
                    all.insert(QLatin1String(name), property(QLatin1String(name)));
                connection.send(message.createReply(QVariant(all)));
                return true;
            }
            if (member == QLatin1String("Get") && message.arguments().size() == 2) {
                const QVariant value = property(message.arguments().at(1).toString());
                if (!value.isValid()) return false;
                connection.send(message.createReply(QVariant::fromValue(QDBusVariant(value))));
                return true;
            }
            return false;
        }
        if (member == QLatin1String("RegisterStatusNotifierItem") && message.arguments().size() == 1) {
            QString item = message.arguments().at(0).toString();
            // An item may register by its object path only; its bus name is then the sender's.
            if (item.startsWith(QLatin1Char('/'))) item = message.service();
            items_.append(item);
            connection.send(message.createReply());
            QDBusMessage signal = QDBusMessage::createSignal(QLatin1String(kWatcherPath), QLatin1String(kWatcherInterface),
                                                             QStringLiteral("StatusNotifierItemRegistered"));
            signal << item;
            connection.send(signal);
            std::printf("item %s\n", item.toUtf8().constData());
            std::fflush(stdout);
            return true;
        }
        if (member == QLatin1String("RegisterStatusNotifierHost")) {
            connection.send(message.createReply());
            return true;
        }
        return false;
    }

private:
    QVariant property(const QString& name) const {
        if (name == QLatin1String("IsStatusNotifierHostRegistered")) return true;
        if (name == QLatin1String("ProtocolVersion")) return 0;
        if (name == QLatin1String("RegisteredStatusNotifierItems")) return items_;
        return {};
    }

    QStringList items_;
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QDBusConnection bus = QDBusConnection::sessionBus();
    Watcher watcher;
    if (!bus.isConnected() || !bus.registerVirtualObject(QLatin1String(kWatcherPath), &watcher) ||
        !bus.registerService(QLatin1String(kWatcherService))) {
        std::fprintf(stderr, "notification_area_host: cannot serve %s on the session bus\n", kWatcherService);
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return application.exec();
}
