#include "fwup/gui/device_list_view.h"

#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTreeWidget>

#include "fwup/core/device_list.h"

namespace fwup::gui {

namespace {

// Grid lines: every cell drawn with a line along its right and bottom edges.
class GridLineDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        painter->save();
        painter->setPen(option.palette.color(QPalette::Mid));
        const QRect cell = option.rect;
        painter->drawLine(cell.topRight(), cell.bottomRight());
        painter->drawLine(cell.bottomLeft(), cell.bottomRight());
        painter->restore();
    }
};

}  // namespace

void setUpDeviceListColumns(QTreeWidget& list) {
    if (!dynamic_cast<GridLineDelegate*>(list.itemDelegate())) list.setItemDelegate(new GridLineDelegate(&list));
    list.setSelectionBehavior(QAbstractItemView::SelectRows);
    list.setSelectionMode(QAbstractItemView::SingleSelection);
    list.setAllColumnsShowFocus(true);
    list.setSortingEnabled(false);
    list.setUniformRowHeights(true);
    QHeaderView* header = list.header();
    header->setSectionsMovable(true);
    header->setSectionsClickable(false);
    header->setSortIndicatorShown(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    list.clear();
    list.setColumnCount(kDeviceListColumns);
    QStringList titles;
    for (const DeviceListColumn& column : kDeviceListColumnTitles) {
        titles << QString::fromLatin1(column.title.data(), static_cast<qsizetype>(column.title.size()));
    }
    list.setHeaderLabels(titles);
    for (int i = 0; i < kDeviceListColumns; ++i) {
        list.setColumnWidth(i, kDeviceListColumnTitles[static_cast<std::size_t>(i)].initialWidth);
    }
}

void fillDeviceList(QTreeWidget& list, const DeviceTable& table) {
    list.clear();
    for (const DeviceListRow& cells : deviceListRows(table)) {
        auto* item = new QTreeWidgetItem(&list);
        for (int i = 0; i < kDeviceListColumns; ++i) {
            item->setText(i, QString::fromStdString(cells[static_cast<std::size_t>(i)]));
        }
    }
    // Each column as wide as its widest cell or its title; the last one takes the rest.
    for (int i = 0; i < kDeviceListColumns; ++i) list.resizeColumnToContents(i);
    list.header()->setStretchLastSection(true);

    if (const auto row = initialSelection(table)) {
        const QModelIndex index = list.model()->index(*row, 0);
        list.selectionModel()->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
}

std::optional<int> selectedDeviceRow(const QTreeWidget& list) {
    const QModelIndexList rows = list.selectionModel()->selectedRows();
    if (rows.isEmpty()) return std::nullopt;
    return rows.front().row();
}

}  // namespace fwup::gui
