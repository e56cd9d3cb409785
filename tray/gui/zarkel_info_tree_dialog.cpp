#include "tray/gui/zarkel_info_tree_dialog.h"

#include <QLabel>
#include <QTreeWidget>

#include "gui/info_progress_bar.h"
#include "gui/qt/qt_string_table.h"
#include "tray/core/raid_display.h"
#include "tray/core/service_state.h"
#include "tray/gui/label_gap.h"
#include "tray/gui/progress_view.h"

namespace lmx::tray {

namespace {

constexpr int kLabelTexts[7] = {149, 150, 152, 151, 154, 148, 209};
constexpr int kRowY[7] = {14, 28, 42, 56, 70, 84, 98};  // value boxes; labels 3 lower
constexpr const char* kNotAvailable = "N/A";
constexpr int kDriveRole = Qt::UserRole;  // a drive item's drive number

QString text(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

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
        setControlText(tree::kLabels[row], gui::loadQString(kLabelTexts[row]));
        keepGapBeforeValue(*controlAs<QLabel>(tree::kLabels[row]));
    }
    treeControl()->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(treeControl(), &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem*) { showDetail(current); });
    progressBar()->hide();
    initialised_ = true;
    reloadAndRebuild();
}

QTreeWidget* CZarkelInfoNewDlg::treeControl() const { return controlAs<QTreeWidget>(tree::kTree); }

gui::InfoProgressBar* CZarkelInfoNewDlg::progressBar() const { return controlAs<gui::InfoProgressBar>(tree::kProgress); }

void CZarkelInfoNewDlg::reloadAndRebuild() {
    if (!initialised_) return;
    reloadSettings(host_.settings());
    host_.currentSlot() = 0;
    rebuild();
}

void CZarkelInfoNewDlg::rebuild() {
    QTreeWidget* tree = treeControl();
    int position = 0;
    if (QTreeWidgetItem* selected = tree->currentItem()) {
        QTreeWidgetItem* root = selected->parent() ? selected->parent() : selected;
        position = tree->indexOfTopLevelItem(root);
    }
    tree->clear();  // the selection notification without an item reads nothing

    const PacketTable& kept = host_.keptPackets();
    for (const ControllerStatusRecord& record : kept) {
        if (record.present != 1) continue;
        auto* root = new QTreeWidgetItem(QStringList{QString::fromStdString(raidLabel(record))});
        tree->addTopLevelItem(root);
        for (int drive = 0; drive < treeDriveCount(record); ++drive) {
            auto* child = new QTreeWidgetItem(root, QStringList{QString::fromStdString(driveLabel(drive, host_.texts()))});
            child->setData(0, kDriveRole, drive);
        }
        root->setExpanded(true);
    }
    // The selection lands on the root it was under: a drive selected before is replaced by
    // its RAID. Selecting fills the panel.
    if (position >= 0 && position < tree->topLevelItemCount()) {
        tree->setCurrentItem(tree->topLevelItem(position));
    } else {
        blankPanel();
        enableModelClassItems();
        updateMenuStates();
    }
}

void CZarkelInfoNewDlg::showDetail(QTreeWidgetItem* item) {
    if (!item) return;  // the tree is being cleared
    QTreeWidgetItem* root = item->parent() ? item->parent() : item;
    const auto slot = slotOfRaidNumber(host_.keptPackets(), treeControl()->indexOfTopLevelItem(root));
    host_.currentSlot() = slot ? *slot : kNoSlotOnView;
    enableModelClassItems();
    updateMenuStates();
    if (!slot) {
        blankPanel();
        return;
    }
    const ControllerStatusRecord& record = host_.keptPackets()[static_cast<std::size_t>(*slot)];
    if (item == root) {
        showRaid(record);
    } else {
        showDrive(record, item->data(0, kDriveRole).toInt());
    }
    showProgress(*progressBar(), record, host_.texts());
}

void CZarkelInfoNewDlg::showRaid(const ControllerStatusRecord& record) {
    setControlText(tree::kStatus, QString::fromStdString(raidStatusText(record, host_.texts())));
    setControlText(tree::kModel, text(trimmedField(record.raidModel)));
    setControlText(tree::kSerial, text(trimmedField(record.raidSerial)));
    setControlText(tree::kFirmware, text(trimmedField(record.raidFirmware)));
    setControlText(tree::kFpga, QString::fromStdString(fpgaText(record)));
    setControlText(tree::kCapacity, QString::fromStdString(capacityText(raidCapacity(record))));
    setControlText(tree::kTemperature, QString::fromUtf8(kNotAvailable));
}

void CZarkelInfoNewDlg::showDrive(const ControllerStatusRecord& record, int drive) {
    const MemberDriveSlot& slot = record.drive[static_cast<std::size_t>(drive)];
    setControlText(tree::kStatus, QString::fromStdString(driveStatusText(slot, host_.texts())));
    setControlText(tree::kModel, text(trimmedField(slot.model)));
    setControlText(tree::kSerial, text(trimmedField(slot.serial)));
    setControlText(tree::kFirmware, text(trimmedField(slot.firmware)));
    setControlText(tree::kFpga, QString::fromUtf8(kNotAvailable));
    setControlText(tree::kCapacity, QString::fromStdString(capacityText(driveCapacity(slot))));
    setControlText(tree::kTemperature, QString::fromStdString(plainTemperatureText(slot)));
}

void CZarkelInfoNewDlg::blankPanel() {
    for (int id : tree::kValues) setControlText(id, QString());
    gui::InfoProgressBar* bar = progressBar();
    bar->setBarText(QString());
    bar->hide();
}

}  // namespace lmx::tray
