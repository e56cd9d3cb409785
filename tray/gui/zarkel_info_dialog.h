#pragma once
// CZarkelInfoDlg (template 136): the RAID information window in tab form. One tab per present
// controller, labelled with its RAID number, each with its RaidInfoDlg page; the tab of a
// controller at or above the temperature alarm carries the alarm mark. It also receives the
// frame's word that a mirror-log page has arrived.
//
// Keys: Ctrl+Tab selects the next tab (also from inside a page), F1 opens help, F5 asks the
// frame for fresh data; Enter and Esc do nothing, the close box hides the window.

#include <array>
#include <memory>
#include <vector>

#include "platform/sync_event.h"
#include "tray/gui/information_form.h"
#include "tray/gui/raid_info_page.h"

namespace lmx::tray {

inline constexpr int kTabFormTemplate = 136;
inline constexpr int kTabControl = 1019;
inline constexpr int kAlarmIcon = 149;
// Where a page lies in the container's client area, in pixels.
inline constexpr int kPageX = 10;
inline constexpr int kPageY = 30;

gui::DialogTemplate tabFormTemplate();

class CZarkelInfoDlg : public InformationForm {
public:
    // Initialises hidden: caption, menu, then the first reload and rebuild.
    explicit CZarkelInfoDlg(InformationWindowHost& host);
    ~CZarkelInfoDlg() override;

    void rebuild() override;
    void reloadAndRebuild() override;
    // The frame shows this window: the next menu-state update gives the tab control the focus.
    void setFocusTabOnShow() { focusTabOnShow_ = 1; }
    // The mirror-log save's wait for UWM_LOG_ARRIVED (the event resets as the wait takes it).
    bool waitLogArrived();
    // The page of slot `slot`, null where the slot is empty.
    RaidInfoDlg* page(int slot) const;
    // Ctrl+Tab: the next tab (after the last the first) when there are at least two.
    void selectNextTab();

protected:
    // Tests replace it to see a page that cannot be made (null).
    virtual std::unique_ptr<RaidInfoDlg> createPage();
    std::intptr_t handleMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;

private:
    void initialise();
    void destroyPage(int slot);
    void showPage();
    void updateMenuAndFocus();

    std::array<std::unique_ptr<RaidInfoDlg>, kPhysicalDriveCount> raidPages_{};
    // Pages taken down by a rebuild, destroyed once control is back in the message loop: a page
    // may be on the call stack of the message that led to the rebuild.
    std::vector<std::unique_ptr<RaidInfoDlg>> retiredPages_;
    platform::SyncEvent logArrivedEvent_{platform::SyncEvent::Reset::Automatic, false};
    int focusTabOnShow_ = 0;
    bool initialised_ = false;
};

}  // namespace lmx::tray
