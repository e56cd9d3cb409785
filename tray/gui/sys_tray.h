#pragma once
// CSysTray: the application's icon in the notification area, its tooltip and context menu, and
// the mouse actions on it turned into frame commands.

#include <QIcon>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace lmx::tray {

inline constexpr int kCommandStartMonitoring = 101;
inline constexpr int kCommandStopMonitoring = 102;
inline constexpr int kCommandShowInformation = 103;
inline constexpr int kCommandExit = 107;

// The shell's side of the icon: add, modify, delete. A shell may refuse (no notification area yet).
class TrayShell {
public:
    virtual ~TrayShell() = default;
    virtual bool add(const QIcon& icon, const QString& tooltip) = 0;
    virtual bool modify(const QIcon& icon) = 0;
    virtual void remove() = 0;
};

class SysTray : public QObject {
    Q_OBJECT
public:
    using CommandSink = std::function<void(int command)>;
    using ServiceProbe = std::function<bool()>;
    using Sleeper = std::function<void(int milliseconds)>;

    // `shell` may be null: the desktop's notification area through QSystemTrayIcon.
    SysTray(std::unique_ptr<TrayShell> shell, CommandSink commands, ServiceProbe serviceRunning);
    ~SysTray() override;

    // createIcon: the menu, then the icon; a refusing shell is asked again every 5 s, 60 times.
    // 0 on success, else a non-zero error.
    int createIcon(const QIcon& icon, const Sleeper& sleep);
    void setIcon(const QIcon& icon);  // modify, icon only
    void removeIcon();

    QMenu* menu() const { return menu_.get(); }
    // What a notification does: the menu item 103 follows the service; a double-click (or, on
    // desktops that report no double-click, a click) opens the information window.
    void notified(bool openRequested);

private:
    std::unique_ptr<TrayShell> shell_;
    std::unique_ptr<QMenu> menu_;
    QAction* showInformation_ = nullptr;
    CommandSink commands_;
    ServiceProbe serviceRunning_;
};

inline constexpr int kTrayRetries = 60;
inline constexpr int kTrayRetryMilliseconds = 5000;
inline constexpr const char* kTrayTooltip = "LMX Duowatch Service Tray Control";

}  // namespace lmx::tray
