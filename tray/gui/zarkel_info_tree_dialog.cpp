#include "tray/gui/zarkel_info_tree_dialog.h"

#include "gui/string_table.h"
#include "tray/core/raid_display.h"
#include "tray/core/service_state.h"
#include "tray/gui/progress_view.h"

namespace lmx::tray {

namespace {

constexpr int kLabelTexts[7] = {149, 150, 152, 151, 154, 148, 209};
constexpr int kRowY[7] = {14, 28, 42, 56, 70, 84, 98};  // value boxes; labels 3 lower
constexpr const char* kNotAvailable = "N/A";
// Right-aligned labels end at their value box, a few pixels short of it where the text
// leaves room.
constexpr int kLabelGap = 4;

}  // namespace

gui::DialogTemplate treeFormTemplate() {
    using gui::ControlKind;
    using gui::TextAlign;
    gui::DialogTemplate form;
    form.id = kTreeFormTemplate;
    form.width = 412;
    form.height = 181;
    form.keys = gui::KeyPolicy::standard();  // Enter and Esc end the dialog, which hides it
    form.controls = {
        {tree::kTree, ControlKind::Tree, {7, 7, 188, 115}, "", TextAlign::Left, false, std::nullopt},
        {tree::kProgress, ControlKind::ProgressBar, {7, 127, 188, 20}, "", TextAlign::Left, false, std::nullopt},
    };
    for (int row = 0; row < 7; ++row) {
        // Right-aligned labels ending at 260 as the template has them, but starting at 200 rather
        // than 210: the longest Japanese label (シリアルナンバー) is wider than 50 units.
        form.controls.push_back({tree::kLabels[row], ControlKind::Label, {200, kRowY[row] + 3, 60, 8}, "", TextAlign::Right, false, std::nullopt});
        form.controls.push_back({tree::kValues[row], ControlKind::ReadOnlyEdit, {263, kRowY[row], 110, 12}, "", TextAlign::Left, false, std::nullopt});
    }
    return form;
}

CZarkelInfoNewDlg::CZarkelInfoNewDlg(InformationWindowHost& host) : InformationForm(treeFormTemplate(), host) {
    buildMenu();
    for (int row = 0; row < 7; ++row) {
        window_->setText(tree::kLabels[row], gui::loadString(kLabelTexts[row]));
        window_->keepGapAfterText(tree::kLabels[row], kLabelGap);
    }
    window_->onTreeSelection(tree::kTree, [this](std::optional<gui::TreePosition> item) { showDetail(item); });
    window_->showControl(tree::kProgress, false);
    initialised_ = true;
    reloadAndRebuild();
}

void CZarkelInfoNewDlg::reloadAndRebuild() {
    if (!initialised_) return;
    reloadSettings(host_.settings());
    host_.currentSlot() = 0;
    rebuild();
}

void CZarkelInfoNewDlg::rebuild() {
    const std::optional<gui::TreePosition> selected = window_->selectedTreeItem(tree::kTree);
    const int position = selected ? selected->root : 0;
    std::vector<gui::TreeItem> roots;
    for (const ControllerStatusRecord& record : host_.keptPackets()) {
        if (record.present != 1) continue;
        gui::TreeItem root{raidLabel(record), {}};
        for (int drive = 0; drive < treeDriveCount(record); ++drive) root.children.push_back(driveLabel(drive, host_.texts()));
        roots.push_back(std::move(root));
    }
    window_->setTree(tree::kTree, roots);
    // The selection lands on the root it was under: a drive selected before is replaced by
    // its RAID. Selecting fills the panel.
    if (position >= 0 && position < static_cast<int>(roots.size())) {
        window_->selectTreeItem(tree::kTree, gui::TreePosition{position, -1});
    } else {
        blankPanel();
        enableModelClassItems();
        updateMenuStates();
    }
}

void CZarkelInfoNewDlg::showDetail(std::optional<gui::TreePosition> item) {
    if (!item) return;  // the tree is being cleared
    const auto slot = slotOfRaidNumber(host_.keptPackets(), item->root);
    host_.currentSlot() = slot ? *slot : kNoSlotOnView;
    enableModelClassItems();
    updateMenuStates();
    if (!slot) {
        blankPanel();
        return;
    }
    const ControllerStatusRecord& record = host_.keptPackets()[static_cast<std::size_t>(*slot)];
    if (item->child < 0) {
        showRaid(record);
    } else {
        showDrive(record, item->child);
    }
    showProgress(*window_, tree::kProgress, record, host_.texts());
}

void CZarkelInfoNewDlg::showRaid(const ControllerStatusRecord& record) {
    gui::DialogWindow& panel = *window_;
    panel.setText(tree::kStatus, raidStatusText(record, host_.texts()));
    panel.setText(tree::kModel, trimmedField(record.raidModel));
    panel.setText(tree::kSerial, trimmedField(record.raidSerial));
    panel.setText(tree::kFirmware, trimmedField(record.raidFirmware));
    panel.setText(tree::kFpga, fpgaText(record));
    panel.setText(tree::kCapacity, capacityText(raidCapacity(record)));
    panel.setText(tree::kTemperature, kNotAvailable);
}

void CZarkelInfoNewDlg::showDrive(const ControllerStatusRecord& record, int drive) {
    gui::DialogWindow& panel = *window_;
    const MemberDriveSlot& slot = record.drive[static_cast<std::size_t>(drive)];
    panel.setText(tree::kStatus, driveStatusText(slot, host_.texts()));
    panel.setText(tree::kModel, trimmedField(slot.model));
    panel.setText(tree::kSerial, trimmedField(slot.serial));
    panel.setText(tree::kFirmware, trimmedField(slot.firmware));
    panel.setText(tree::kFpga, kNotAvailable);
    panel.setText(tree::kCapacity, capacityText(driveCapacity(slot)));
    panel.setText(tree::kTemperature, plainTemperatureText(slot));
}

void CZarkelInfoNewDlg::blankPanel() {
    for (int id : tree::kValues) window_->setText(id, "");
    window_->setProgress(tree::kProgress, {});
    window_->showControl(tree::kProgress, false);
}

}  // namespace lmx::tray
