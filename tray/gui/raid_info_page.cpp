#include "tray/gui/raid_info_page.h"

#include "common/controller_model.h"
#include "gui/string_table.h"
#include "tray/core/raid_display.h"
#include "tray/gui/progress_view.h"

namespace lmx::tray {

namespace {

using gui::ControlKind;
using gui::TextAlign;

// Right-aligned labels end at the value box they name, a few pixels short of it where the
// text leaves room.
constexpr int kLabelGap = 4;

// Labels: their control, string and the value box they name, whose row they share.
struct LabelRow {
    int label;
    int textId;
    int value;
};

constexpr LabelRow kRaidLabels[] = {
    {1056, 150, page::kModel},  {1057, 151, page::kFirmware}, {1058, 152, page::kSerial},
    {1059, 149, page::kStatus}, {1060, 153, page::kCapacity}, {1061, 154, page::kFpga},
};
constexpr int kDriveLabelIds[2][5] = {{1062, 1063, 1064, 1065, 1066}, {1067, 1068, 1069, 1070, 1071}};
constexpr int kDriveLabelTexts[5] = {144, 145, 146, 147, 148};
constexpr int kGroupRaidText = 155;

gui::ControlTemplate value(int id, int x, int y, int height = 12) {
    return {id, ControlKind::ReadOnlyEdit, {x, y, 110, height}, "", TextAlign::Left, false, std::nullopt};
}

// A right-aligned label on the value box's text line, from the group's left edge to the box:
// the longest Japanese label (シリアルナンバー) needs all of that room.
gui::ControlTemplate label(int id, int groupX, int valueX, int valueY) {
    return {id, ControlKind::Label, {groupX, valueY + 2, valueX - groupX, 8}, "", TextAlign::Right, false, std::nullopt};
}

}  // namespace

gui::DialogTemplate raidPageTemplate() {
    gui::DialogTemplate dialog;
    dialog.id = kRaidPageTemplate;
    dialog.width = 398;
    dialog.height = 216;
    dialog.child = true;
    // Neither Enter nor Esc does anything in a page; it has no close box.
    dialog.keys = gui::KeyPolicy{std::nullopt, std::nullopt, std::nullopt};
    auto& controls = dialog.controls;
    controls.push_back({page::kRaidGroup, ControlKind::GroupBox, {6, 8, 187, 100}, "", TextAlign::Left, false, std::nullopt});
    controls.push_back({page::kDriveGroup[0], ControlKind::GroupBox, {3, 112, 191, 99}, "", TextAlign::Left, false, std::nullopt});
    controls.push_back({page::kDriveGroup[1], ControlKind::GroupBox, {199, 112, 191, 99}, "", TextAlign::Left, false, std::nullopt});

    // The RAID group: model, firmware, serial number, status, total capacity, FPGA.
    const int raidValueX[] = {66, 66, 65, 66, 66, 66};
    const int raidValueY[] = {23, 37, 51, 65, 79, 92};
    for (std::size_t row = 0; row < std::size(kRaidLabels); ++row) {
        controls.push_back(label(kRaidLabels[row].label, 6, raidValueX[row], raidValueY[row]));
        controls.push_back(value(kRaidLabels[row].value, raidValueX[row], raidValueY[row]));
    }
    // The drive groups: status, model, firmware, serial number, capacity, temperature.
    const int driveValueY[] = {122, 136, 150, 164, 179, 193};
    for (int drive = 0; drive < 2; ++drive) {
        const int groupX = drive == 0 ? 3 : 199;
        const int valueX = drive == 0 ? 65 : 262;
        const int values[] = {page::kDriveStatus[drive], page::kDriveModel[drive], page::kDriveFirmware[drive],
                              page::kDriveSerial[drive], page::kDriveCapacity[drive]};
        for (int row = 0; row < 5; ++row) {
            controls.push_back(label(kDriveLabelIds[drive][row], groupX, drive == 0 && row == 0 ? 66 : valueX, driveValueY[row]));
            controls.push_back(value(values[row], drive == 0 && row == 0 ? 66 : valueX, driveValueY[row]));
        }
        controls.push_back(label(page::kDriveTemperatureLabel[drive], groupX, valueX, driveValueY[5]));
        controls.push_back(value(page::kDriveTemperature[drive], valueX, driveValueY[5], 13));
    }
    controls.push_back({page::kProgress, ControlKind::ProgressBar, {203, 49, 188, 20}, "", TextAlign::Left, false, std::nullopt});
    return dialog;
}

RaidInfoDlg::RaidInfoDlg(gui::DialogWindow& form) : window_(gui::createDialogWindow(raidPageTemplate(), &form)) {
    gui::DialogWindow& page = *window_;
    page.setText(page::kRaidGroup, gui::loadString(kGroupRaidText));
    std::vector<int> labels;
    for (const LabelRow& row : kRaidLabels) {
        page.setText(row.label, gui::loadString(row.textId));
        labels.push_back(row.label);
    }
    for (int drive = 0; drive < 2; ++drive) {
        for (int row = 0; row < 5; ++row) {
            page.setText(kDriveLabelIds[drive][row], gui::loadString(kDriveLabelTexts[row]));
            labels.push_back(kDriveLabelIds[drive][row]);
        }
        page.setText(page::kDriveTemperatureLabel[drive], gui::loadString(strings::kTemperature));
        labels.push_back(page::kDriveTemperatureLabel[drive]);
    }
    for (const int label : labels) page.keepGapAfterText(label, kLabelGap);
}

void RaidInfoDlg::fill(const ControllerStatusRecord& record, std::uint32_t temperatureSetting, const StringSource& texts) {
    gui::DialogWindow& page = *window_;
    page.setText(page::kModel, trimmedField(record.raidModel));
    page.setText(page::kSerial, trimmedField(record.raidSerial));
    page.setText(page::kFirmware, trimmedField(record.raidFirmware));
    page.setText(page::kStatus, raidStatusText(record, texts));
    page.setText(page::kCapacity, capacityText(raidCapacity(record)));
    page.setText(page::kFpga, fpgaText(record));
    const bool temperatures = isTemperatureModel(fieldText(record.raidModel));
    for (int drive = 0; drive < kTabFormDriveCount; ++drive) {
        const MemberDriveSlot& slot = record.drive[drive];
        page.setText(page::kDriveGroup[drive], driveLabel(drive, texts));
        page.setText(page::kDriveStatus[drive], driveStatusText(slot, texts));
        page.setText(page::kDriveModel[drive], trimmedField(slot.model));
        page.setText(page::kDriveFirmware[drive], trimmedField(slot.firmware));
        page.setText(page::kDriveSerial[drive], trimmedField(slot.serial));
        page.setText(page::kDriveCapacity[drive], capacityText(driveCapacity(slot)));
        page.showControl(page::kDriveTemperatureLabel[drive], temperatures);
        page.showControl(page::kDriveTemperature[drive], temperatures);
        if (temperatures) page.setText(page::kDriveTemperature[drive], judgedTemperatureText(slot, temperatureSetting, texts));
        const bool alarm = temperatures && driveOverTemperature(slot, temperatureSetting);
        page.setBackground(page::kDriveTemperature[drive], alarm ? std::optional<std::uint32_t>(kAlarmRed) : std::nullopt);
    }
    showProgress(page, page::kProgress, record, texts);
}

}  // namespace lmx::tray
