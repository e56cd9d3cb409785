#pragma once
// CPatrolSettingDlg (template 142): the controllers' scheduled verify (patrol). A check box
// switches the schedule on, four lists choose weekly or monthly, the weekday or day of the
// month, the hour and the minute; a line shows the next run time the service computed. Set
// stores the PatrolSetting copy.

#include <cstdint>
#include <optional>

#include "tray/core/string_source.h"
#include "tray/gui/setting_dialog.h"

namespace lmx::tray {

inline constexpr int kPatrolSettingTemplate = 142;
inline constexpr int kPatrolEnabled = 1048;
inline constexpr int kPatrolKind = 1049;
inline constexpr int kPatrolDay = 1050;
inline constexpr int kPatrolHour = 1051;
inline constexpr int kPatrolMinute = 1052;
inline constexpr int kPatrolCancel = 1053;
inline constexpr int kPatrolSet = 1054;
inline constexpr int kPatrolNextTime = 1055;

gui::DialogTemplate patrolSettingTemplate();

class CPatrolSettingDlg : public SettingDialog {
public:
    // `patrolSetting` is the settings copy: its value opens the dialog and Set writes it. The
    // next run time comes in the two halves the service publishes (both 0: none).
    CPatrolSettingDlg(gui::DialogWindow* owner, std::uint32_t& patrolSetting, std::uint32_t nextPatrolTimeHigh,
                      std::uint32_t nextPatrolTimeLow, const StringSource& texts);

private:
    void enableLists(bool enabled);
    void kindChanged(int index);
    void set();

    std::uint32_t& patrolSetting_;
    std::uint32_t nextPatrolTimeHigh_;
    std::uint32_t nextPatrolTimeLow_;
    const StringSource& texts_;
    // The kind the day list was filled for: choosing that kind again leaves the days alone.
    int lastKindIndex_ = -1;
};

}  // namespace lmx::tray
