#include <QAction>
#include <QMenu>
#include <QSystemTrayIcon>

#include <map>

#include "gui/icons.h"
#include "gui/notification_icon.h"

namespace lmx::gui {

namespace {

// The desktop's notification area through QSystemTrayIcon. On StatusNotifierItem desktops Qt
// reports a left click as Trigger and never a double-click; on XEmbed trays Qt opens the
// context menu itself.
class QtNotificationIcon final : public NotificationIcon {
public:
    explicit QtNotificationIcon(Events events) : events_(std::move(events)) {
        QObject::connect(&menu_, &QMenu::aboutToShow, &menu_, [this] {
            if (events_.menuOpening) events_.menuOpening();
        });
    }

    bool add(int iconId, std::string_view tooltip) override {
        if (!QSystemTrayIcon::isSystemTrayAvailable()) return false;
        if (!icon_) {
            icon_ = std::make_unique<QSystemTrayIcon>();
            icon_->setContextMenu(&menu_);
            QObject::connect(icon_.get(), &QSystemTrayIcon::activated, &menu_, [this](QSystemTrayIcon::ActivationReason why) {
                if (events_.activated) events_.activated(why == QSystemTrayIcon::DoubleClick || why == QSystemTrayIcon::Trigger);
            });
        }
        icon_->setIcon(loadIcon(iconId));
        icon_->setToolTip(QString::fromUtf8(tooltip.data(), static_cast<qsizetype>(tooltip.size())));
        icon_->show();
        return icon_->isVisible();
    }

    bool modify(int iconId) override {
        if (!icon_ || !icon_->isVisible()) return false;
        icon_->setIcon(loadIcon(iconId));
        return true;
    }

    void remove() override {
        if (icon_) icon_->hide();
    }

    void setMenu(const std::vector<MenuItem>& items) override {
        menu_.clear();
        actions_.clear();
        for (const MenuItem& item : items) {
            if (item.command == 0) {
                menu_.addSeparator();
                continue;
            }
            QAction* action = menu_.addAction(QString::fromStdString(item.text));
            QObject::connect(action, &QAction::triggered, &menu_, [this, command = item.command] {
                if (events_.menuCommand) events_.menuCommand(command);
            });
            actions_[item.command] = action;
        }
    }

    void enableMenuItem(int command, bool enabled) override {
        if (const auto found = actions_.find(command); found != actions_.end()) found->second->setEnabled(enabled);
    }

private:
    Events events_;
    QMenu menu_;
    std::map<int, QAction*> actions_;
    std::unique_ptr<QSystemTrayIcon> icon_;
};

}  // namespace

std::unique_ptr<NotificationIcon> createNotificationIcon(NotificationIcon::Events events) {
    return std::make_unique<QtNotificationIcon>(std::move(events));
}

}  // namespace lmx::gui
