#include "tray/gui/sys_tray.h"

#include "gui/string_table.h"

namespace lmx::tray {

namespace {

constexpr int kShellRefused = 1;

}  // namespace

SysTray::SysTray(std::unique_ptr<TrayShell> shell, CommandSink commands, ServiceProbe serviceRunning)
    : shell_(std::move(shell)), commands_(std::move(commands)), serviceRunning_(std::move(serviceRunning)) {
    if (!shell_) {
        // The menu shows the service's state of the moment it opens.
        shell_ = gui::createNotificationIcon({[this](int command) { menuCommand(command); },
                                              [this](bool openRequested) { notified(openRequested); },
                                              [this] { notified(false); }});
    }
}

SysTray::~SysTray() = default;

int SysTray::createIcon(int iconId, const Sleeper& sleep) {
    menu_ = {{kCommandStartMonitoring, gui::loadString(197)},
             {kCommandStopMonitoring, gui::loadString(198)},
             {0, ""},
             {kCommandShowInformation, gui::loadString(199)},
             {0, ""},
             {kCommandExit, gui::loadString(200)}};
    enabled_.clear();
    shell_->setMenu(menu_);

    if (shell_->add(iconId, kTrayTooltip)) return 0;
    for (int attempt = 0; attempt < kTrayRetries; ++attempt) {
        sleep(kTrayRetryMilliseconds);
        if (shell_->modify(iconId) || shell_->add(iconId, kTrayTooltip)) return 0;
    }
    return kShellRefused;
}

void SysTray::setIcon(int iconId) { shell_->modify(iconId); }

void SysTray::removeIcon() { shell_->remove(); }

bool SysTray::isMenuItemEnabled(int command) const {
    const auto found = enabled_.find(command);
    return found == enabled_.end() || found->second;
}

void SysTray::enableMenuItem(int command, bool enabled) {
    enabled_[command] = enabled;
    shell_->enableMenuItem(command, enabled);
}

void SysTray::menuCommand(int command) {
    if (isMenuItemEnabled(command)) commands_(command);
}

void SysTray::notified(bool openRequested) {
    const bool running = serviceRunning_();
    enableMenuItem(kCommandShowInformation, running);
    if (openRequested && running) commands_(kCommandShowInformation);
}

}  // namespace lmx::tray
