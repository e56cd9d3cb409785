#include "tray/gui/zarkel_info_dialog.h"

#include "common/tray_messages.h"
#include "gui/message_box.h"
#include "platform/system_info.h"
#include "platform/win_error.h"
#include "tray/core/frame_data.h"
#include "tray/core/raid_display.h"
#include "tray/core/service_state.h"
#include "tray/core/text_format.h"

namespace lmx::tray {

namespace {

// The accelerators' commands: Ctrl+Tab, F1 and F5 act whatever the menu's states.
constexpr int kNextTabKey = 0x8101;
constexpr int kHelpKey = 0x8102;
constexpr int kRefreshKey = 0x8103;

}  // namespace

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
    initialise();
}

CZarkelInfoDlg::~CZarkelInfoDlg() = default;

void CZarkelInfoDlg::initialise() {
    buildMenu();
    // The keys of the window and its pages are looked at before any control handles them.
    window_->setAccelerators({{gui::DialogKey::CtrlTab, kNextTabKey}, {gui::DialogKey::F1, kHelpKey},
                              {gui::DialogKey::F5, kRefreshKey}});
    window_->onCommand(kNextTabKey, [this] { selectNextTab(); });
    window_->onCommand(kHelpKey, [this] { commands().help(); });
    window_->onCommand(kRefreshKey, [this] { commands().refresh(); });
    window_->onTabChosen(kTabControl, [this](int) { showPage(); });
    initialised_ = true;
    reloadAndRebuild();
}

RaidInfoDlg* CZarkelInfoDlg::page(int slot) const {
    return slot >= 0 && slot < kPhysicalDriveCount ? raidPages_[static_cast<std::size_t>(slot)].get() : nullptr;
}

std::unique_ptr<RaidInfoDlg> CZarkelInfoDlg::createPage() { return std::make_unique<RaidInfoDlg>(*window_); }

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
    std::unique_ptr<RaidInfoDlg>& page = raidPages_[static_cast<std::size_t>(slot)];
    if (!page) return;
    page->window().hide();
    if (retiredPages_.empty()) window_->post([this] { retiredPages_.clear(); });
    retiredPages_.push_back(std::move(page));
}

void CZarkelInfoDlg::rebuild() {
    const PacketTable& kept = host_.keptPackets();
    bool failed = false;
    const int remembered = window_->selectedTab(kTabControl);
    // Every page goes, also those after a page that cannot be made: none outlives a rebuild.
    for (int slot = 0; slot < kPhysicalDriveCount; ++slot) destroyPage(slot);
    std::vector<gui::TabItem> tabs;
    for (int slot = 0; slot < kPhysicalDriveCount && !failed; ++slot) {
        const ControllerStatusRecord& record = kept[static_cast<std::size_t>(slot)];
        if (record.present != 1) continue;
        std::unique_ptr<RaidInfoDlg> page = createPage();
        if (!page) {
            failed = true;
            break;
        }
        page->fill(record, host_.settings().temperature, host_.texts());
        page->window().placeInOwner(kPageX, kPageY);
        page->window().show();
        raidPages_[static_cast<std::size_t>(slot)] = std::move(page);
        tabs.push_back({raidLabel(record), isOverTemperature(record, host_.settings().temperature) ? kAlarmIcon : 0});
    }
    window_->setTabs(kTabControl, tabs);
    if (remembered != -1) window_->selectTab(kTabControl, remembered);
    if (failed) {
        gui::messageBox(window_.get(), "RaidInfoDlg Tab Control Error.", "Program Error", gui::MessageBoxButtons::Ok,
                        gui::MessageBoxIcon::Error);
    } else {
        showPage();
    }
    enableModelClassItems();
    updateMenuAndFocus();
}

void CZarkelInfoDlg::showPage() {
    const int selected = window_->selectedTab(kTabControl);
    const PacketTable& kept = host_.keptPackets();
    for (int slot = 0; slot < kPhysicalDriveCount; ++slot) {
        RaidInfoDlg* shown = page(slot);
        if (!shown) continue;
        if (kept[static_cast<std::size_t>(slot)].ordinal == selected) {
            shown->window().show();
            host_.currentSlot() = slot;
        } else {
            shown->window().hide();
        }
    }
    updateMenuAndFocus();
}

void CZarkelInfoDlg::updateMenuAndFocus() {
    updateMenuStates();
    if (focusTabOnShow_ == 1) {
        focusTabOnShow_ = 0;
        window_->focus(kTabControl);
    }
    if (window_->isVisible()) window_->focus(kTabControl);
}

void CZarkelInfoDlg::selectNextTab() {
    const int count = static_cast<int>(window_->tabs(kTabControl).size());
    if (count < 2) return;
    window_->selectTab(kTabControl, (window_->selectedTab(kTabControl) + 1) % count);
    showPage();
    window_->focus(kTabControl);
}

}  // namespace lmx::tray
