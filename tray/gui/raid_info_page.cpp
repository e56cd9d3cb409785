#include "tray/gui/raid_info_page.h"

#include <QLabel>
#include <QLineEdit>
#include <QPalette>

#include "common/controller_model.h"
#include "gui/info_progress_bar.h"
#include "gui/qt/qt_string_table.h"
#include "tray/core/raid_display.h"
#include "tray/gui/label_gap.h"
#include "tray/gui/progress_view.h"

namespace lmx::tray {

namespace {

using gui::ControlKind;
using gui::TextAlign;

constexpr QRgb kAlarmRed = qRgb(255, 0, 0);

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

QString text(const std::string& utf8) { return QString::fromStdString(utf8); }

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

RaidInfoDlg::RaidInfoDlg(QWidget* parent) : gui::TemplateDialog(raidPageTemplate(), parent) {
    setControlText(page::kRaidGroup, gui::loadQString(kGroupRaidText));
    for (const LabelRow& row : kRaidLabels) setControlText(row.label, gui::loadQString(row.textId));
    for (int drive = 0; drive < 2; ++drive) {
        for (int row = 0; row < 5; ++row) setControlText(kDriveLabelIds[drive][row], gui::loadQString(kDriveLabelTexts[row]));
        setControlText(page::kDriveTemperatureLabel[drive], gui::loadQString(strings::kTemperature));
    }
    for (QLabel* label : findChildren<QLabel*>()) keepGapBeforeValue(*label);
}

QLineEdit* RaidInfoDlg::temperatureBox(int drive) const { return controlAs<QLineEdit>(page::kDriveTemperature[drive]); }

gui::InfoProgressBar* RaidInfoDlg::progressBar() const { return controlAs<gui::InfoProgressBar>(page::kProgress); }

void RaidInfoDlg::fill(const ControllerStatusRecord& record, std::uint32_t temperatureSetting, const StringSource& texts) {
    setControlText(page::kModel, text(std::string(trimmedField(record.raidModel))));
    setControlText(page::kSerial, text(std::string(trimmedField(record.raidSerial))));
    setControlText(page::kFirmware, text(std::string(trimmedField(record.raidFirmware))));
    setControlText(page::kStatus, text(raidStatusText(record, texts)));
    setControlText(page::kCapacity, text(capacityText(raidCapacity(record))));
    setControlText(page::kFpga, text(fpgaText(record)));

    const bool temperatures = isTemperatureModel(fieldText(record.raidModel));
    for (int drive = 0; drive < kTabFormDriveCount; ++drive) {
        const MemberDriveSlot& slot = record.drive[drive];
        setControlText(page::kDriveGroup[drive], text(driveLabel(drive, texts)));
        setControlText(page::kDriveStatus[drive], text(driveStatusText(slot, texts)));
        setControlText(page::kDriveModel[drive], text(std::string(trimmedField(slot.model))));
        setControlText(page::kDriveFirmware[drive], text(std::string(trimmedField(slot.firmware))));
        setControlText(page::kDriveSerial[drive], text(std::string(trimmedField(slot.serial))));
        setControlText(page::kDriveCapacity[drive], text(capacityText(driveCapacity(slot))));
        control(page::kDriveTemperatureLabel[drive])->setVisible(temperatures);
        control(page::kDriveTemperature[drive])->setVisible(temperatures);
        if (temperatures) setControlText(page::kDriveTemperature[drive], text(judgedTemperatureText(slot, temperatureSetting, texts)));
        colourTemperature(drive, temperatures && driveOverTemperature(slot, temperatureSetting));
    }
    showProgress(*progressBar(), record, texts);
}

void RaidInfoDlg::colourTemperature(int drive, bool alarm) {
    QLineEdit* box = temperatureBox(drive);
    QPalette colours = box->palette();
    colours.setColor(QPalette::Base, alarm ? QColor::fromRgb(kAlarmRed) : palette().color(QPalette::Button));
    box->setPalette(colours);
}

}  // namespace lmx::tray
