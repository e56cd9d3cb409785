#include "tray/gui/zarkel_info_dialog.h"

#include <QApplication>
#include <QKeyEvent>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTabWidget>

#include "common/tray_messages.h"
#include "gui/icons.h"
#include "gui/qt/widget_message_box.h"
#include "platform/system_info.h"
#include "platform/win_error.h"
#include "tray/core/frame_data.h"
#include "tray/core/raid_display.h"
#include "tray/core/service_state.h"
#include "tray/core/text_format.h"

namespace lmx::tray {

gui::DialogTemplate tabFormTemplate() {
    gui::DialogTemplate form;
    form.id = kTabFormTemplate;
    form.width = 412;
    form.height = 252;
    form.keys = gui::KeyPolicy::closeBoxOnly();  // Enter and Esc do nothing
    form.controls = {{kTabControl, gui::ControlKind::TabControl, {2, 2, 408, 250}, "", gui::TextAlign::Left, false, std::nullopt}};
    return form;
}

CZarkelInfoDlg::CZarkelInfoDlg(InformationWindowHost& host) : InformationForm(tabFormTemplate(), host) {
    // The keys of the window and its pages are looked at before any control handles them.
    qApp->installEventFilter(this);
    initialise();
}

CZarkelInfoDlg::~CZarkelInfoDlg() = default;

void CZarkelInfoDlg::initialise() {
    buildMenu();
    QTabWidget* tabs = tabControl();
    tabs->setIconSize(QSize(16, 16));
    alarmIcon_ = gui::loadIcon(kAlarmIcon);
    if (alarmIcon_.isNull()) {
        platform::debugOutput("CImageList Error\n");
        platform::debugOutput(formatText("LastError = %08X.\n", {std::int64_t{platform::lastError()}}));
    }
    connect(tabs, &QTabWidget::currentChanged, this, [this] { showPage(); });
    initialised_ = true;
    reloadAndRebuild();
}

QTabWidget* CZarkelInfoDlg::tabControl() const { return controlAs<QTabWidget>(kTabControl); }

RaidInfoDlg* CZarkelInfoDlg::page(int slot) const {
    return slot >= 0 && slot < kPhysicalDriveCount ? raidPages_[static_cast<std::size_t>(slot)] : nullptr;
}

RaidInfoDlg* CZarkelInfoDlg::createPage() { return new RaidInfoDlg(this); }

bool CZarkelInfoDlg::waitLogArrived() {
    // The frame answers on this thread inside the request's send, so the word is either there
    // already or will never come: the wait does not block.
    return platform::waitFor(logArrivedEvent_, 0) == platform::kWaitObject0;
}

std::intptr_t CZarkelInfoDlg::handleMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    if (message == UWM_LOG_ARRIVED) {
        logArrivedEvent_.set();
        return 0;
    }
    return InformationForm::handleMessage(message, wParam, lParam);
}

void CZarkelInfoDlg::reloadAndRebuild() {
    if (!initialised_) return;
    reloadSettings(host_.settings());
    host_.currentSlot() = 0;
    rebuild();
}

void CZarkelInfoDlg::destroyPage(int slot) {
    RaidInfoDlg*& page = raidPages_[static_cast<std::size_t>(slot)];
    if (!page) return;
    // Hidden now and deleted once control returns to the event loop: a page may be on the call
    // stack of the event that led here.
    page->hide();
    page->deleteLater();
    page = nullptr;
}

void CZarkelInfoDlg::rebuild() {
    QTabWidget* tabs = tabControl();
    const PacketTable& kept = host_.keptPackets();
    bool failed = false;
    {
        // The tab control reports only the user's selections.
        const QSignalBlocker quiet(tabs);
        const int remembered = tabs->currentIndex();
        while (tabs->count() > 0) {
            QWidget* placeholder = tabs->widget(0);
            tabs->removeTab(0);
            delete placeholder;
        }
        // Every page goes, also those after a page that cannot be made: none outlives a rebuild.
        for (int slot = 0; slot < kPhysicalDriveCount; ++slot) destroyPage(slot);
        for (int slot = 0; slot < kPhysicalDriveCount && !failed; ++slot) {
            const ControllerStatusRecord& record = kept[static_cast<std::size_t>(slot)];
            if (record.present != 1) continue;
            RaidInfoDlg* page = createPage();
            if (!page) {
                failed = true;
                break;
            }
            raidPages_[static_cast<std::size_t>(slot)] = page;
            page->fill(record, host_.settings().temperature, host_.texts());
            page->move(clientOrigin() + QPoint(kPageX, kPageY));
            page->show();
            page->raise();
            // The tab holds an empty placeholder: the pages lie over the tab control, shown and
            // hidden by the selection.
            const int index = tabs->addTab(new QWidget, QString::fromStdString(raidLabel(record)));
            if (index < 0) {
                failed = true;
                continue;
            }
            if (isOverTemperature(record, host_.settings().temperature) && !alarmIcon_.isNull()) {
                tabs->setTabIcon(index, alarmIcon_);
            }
        }
        if (remembered != -1) tabs->setCurrentIndex(remembered);
    }
    if (failed) {
        gui::messageBox(this, QStringLiteral("RaidInfoDlg Tab Control Error."), QStringLiteral("Program Error"),
                        gui::MessageBoxButtons::Ok, gui::MessageBoxIcon::Error);
    } else {
        showPage();
    }
    enableModelClassItems();
    updateMenuAndFocus();
}

void CZarkelInfoDlg::showPage() {
    const int selected = tabControl()->currentIndex();
    const PacketTable& kept = host_.keptPackets();
    for (int slot = 0; slot < kPhysicalDriveCount; ++slot) {
        RaidInfoDlg* page = raidPages_[static_cast<std::size_t>(slot)];
        if (!page) continue;
        if (kept[static_cast<std::size_t>(slot)].ordinal == selected) {
            page->show();
            host_.currentSlot() = slot;
        } else {
            page->hide();
        }
    }
    updateMenuAndFocus();
}

void CZarkelInfoDlg::updateMenuAndFocus() {
    updateMenuStates();
    QTabWidget* tabs = tabControl();
    if (focusTabOnShow_ == 1) {
        focusTabOnShow_ = 0;
        tabs->setFocus();
    }
    if (tabs->isVisible()) tabs->setFocus();
}

void CZarkelInfoDlg::selectNextTab() {
    QTabWidget* tabs = tabControl();
    if (tabs->count() < 2) return;
    {
        const QSignalBlocker quiet(tabs);
        tabs->setCurrentIndex((tabs->currentIndex() + 1) % tabs->count());
    }
    showPage();
    tabs->tabBar()->setFocus();
}

bool CZarkelInfoDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    if (key->key() == Qt::Key_Tab && modifiers == Qt::ControlModifier) {
        selectNextTab();
        return true;
    }
    if (modifiers != Qt::NoModifier) return false;
    // Taken here, once: a key no control wants travels on to the controls' parents.
    if (key->key() == Qt::Key_F1) {
        commands().help();
        return true;
    }
    if (key->key() == Qt::Key_F5) {
        commands().refresh();
        return true;
    }
    return false;
}

}  // namespace lmx::tray
