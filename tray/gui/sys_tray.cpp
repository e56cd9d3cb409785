#include "tray/gui/sys_tray.h"

#include <QAction>
#include <QMenu>
#include <QSystemTrayIcon>

#include "gui/qt/qt_string_table.h"

namespace lmx::tray {

namespace {

constexpr int kShellRefused = 1;

// The desktop's notification area. On StatusNotifierItem desktops Qt reports a left click as
// Trigger and never a double-click; on XEmbed trays Qt opens the context menu itself.
class DesktopShell final : public TrayShell {
public:
    explicit DesktopShell(SysTray& owner) : owner_(owner) {}

    bool add(const QIcon& icon, const QString& tooltip) override {
        if (!QSystemTrayIcon::isSystemTrayAvailable()) return false;
        if (!icon_) {
            icon_ = std::make_unique<QSystemTrayIcon>();
            icon_->setContextMenu(owner_.menu());
            QObject::connect(icon_.get(), &QSystemTrayIcon::activated, &owner_, [this](QSystemTrayIcon::ActivationReason why) {
                owner_.notified(why == QSystemTrayIcon::DoubleClick || why == QSystemTrayIcon::Trigger);
            });
        }
        icon_->setIcon(icon);
        icon_->setToolTip(tooltip);
        icon_->show();
        return icon_->isVisible();
    }
    bool modify(const QIcon& icon) override {
        if (!icon_ || !icon_->isVisible()) return false;
        icon_->setIcon(icon);
        return true;
    }
    void remove() override {
        if (icon_) icon_->hide();
    }

private:
    SysTray& owner_;
    std::unique_ptr<QSystemTrayIcon> icon_;
};

}  // namespace

SysTray::SysTray(std::unique_ptr<TrayShell> shell, CommandSink commands, ServiceProbe serviceRunning)
    : shell_(std::move(shell)), menu_(std::make_unique<QMenu>()), commands_(std::move(commands)),
      serviceRunning_(std::move(serviceRunning)) {
    if (!shell_) shell_ = std::make_unique<DesktopShell>(*this);
}

SysTray::~SysTray() = default;

int SysTray::createIcon(const QIcon& icon, const Sleeper& sleep) {
    const auto item = [this](int command, int text) {
        QAction* action = menu_->addAction(gui::loadQString(text));
        connect(action, &QAction::triggered, this, [this, command] { commands_(command); });
        return action;
    };
    menu_->clear();
    item(kCommandStartMonitoring, 197);
    item(kCommandStopMonitoring, 198);
    menu_->addSeparator();
    showInformation_ = item(kCommandShowInformation, 199);
    menu_->addSeparator();
    item(kCommandExit, 200);
    // The menu shows the service's state of the moment it opens.
    connect(menu_.get(), &QMenu::aboutToShow, this, [this] { notified(false); });

    if (shell_->add(icon, QString::fromUtf8(kTrayTooltip))) return 0;
    for (int attempt = 0; attempt < kTrayRetries; ++attempt) {
        sleep(kTrayRetryMilliseconds);
        if (shell_->modify(icon) || shell_->add(icon, QString::fromUtf8(kTrayTooltip))) return 0;
    }
    return kShellRefused;
}

void SysTray::setIcon(const QIcon& icon) { shell_->modify(icon); }

void SysTray::removeIcon() { shell_->remove(); }

void SysTray::notified(bool openRequested) {
    const bool running = serviceRunning_();
    if (showInformation_) showInformation_->setEnabled(running);
    if (openRequested && running) commands_(kCommandShowInformation);
}

}  // namespace lmx::tray
