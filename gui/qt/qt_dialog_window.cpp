#include "gui/qt/qt_dialog_window.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMetaObject>
#include <QPainter>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTreeWidget>

#include "gui/icons.h"
#include "gui/info_progress_bar.h"
#include "gui/modal_answer.h"

namespace lmx::gui {

namespace {

QString qt(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Grid lines: every cell of a report view drawn with a line along its right and bottom edges.
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

std::optional<TreePosition> positionOf(const QTreeWidget& tree, QTreeWidgetItem* item) {
    if (!item) return std::nullopt;
    if (QTreeWidgetItem* root = item->parent()) {
        return TreePosition{tree.indexOfTopLevelItem(root), root->indexOfChild(item)};
    }
    return TreePosition{tree.indexOfTopLevelItem(item), -1};
}

bool matches(const QKeyEvent& key, DialogKey wanted) {
    const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
    switch (wanted) {
        case DialogKey::CtrlTab: return key.key() == Qt::Key_Tab && modifiers == Qt::ControlModifier;
        case DialogKey::F1: return key.key() == Qt::Key_F1 && modifiers == Qt::NoModifier;
        case DialogKey::F5: return key.key() == Qt::Key_F5 && modifiers == Qt::NoModifier;
        case DialogKey::Enter:
        case DialogKey::Escape: break;
    }
    return false;
}

}  // namespace

// The accelerators: the window's key presses, its children's included, are looked at before
// any control handles them.
class QtDialogWindow::KeyWatch final : public QObject {
public:
    KeyWatch(TemplateDialog& dialog, std::vector<std::pair<DialogKey, int>> keys) : dialog_(dialog), keys_(std::move(keys)) {
        qApp->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || widget->window() != &dialog_) return false;
        for (const auto& [key, command] : keys_) {
            // Taken here, once: a key no control wants travels on to the controls' parents.
            if (matches(*static_cast<QKeyEvent*>(event), key)) {
                dialog_.sendCommand(command);
                return true;
            }
        }
        return false;
    }

private:
    TemplateDialog& dialog_;
    std::vector<std::pair<DialogKey, int>> keys_;
};

QtDialogWindow::QtDialogWindow(const DialogTemplate& dialogTemplate, QWidget* parent)
    : QtDialogWindow(*new TemplateDialog(dialogTemplate, parent)) {
    owned_.reset(dialog_);
}

QtDialogWindow::QtDialogWindow(TemplateDialog& existing) : dialog_(&existing) {
    finished_ = QObject::connect(dialog_, &QDialog::finished, dialog_, [this](int result) { result_ = result; });
}

QtDialogWindow::~QtDialogWindow() {
    // The dialog may outlive this object: nothing of it may reach back here.
    QObject::disconnect(finished_);
    if (!contextMenu_.empty()) QObject::disconnect(dialog_, &QWidget::customContextMenuRequested, nullptr, nullptr);
}

std::string QtDialogWindow::caption() const {
    return dialog_->windowTitle().toStdString();
}

void QtDialogWindow::setCaption(std::string_view caption) {
    dialog_->setWindowTitle(qt(caption));
}

void QtDialogWindow::setIcon(int iconId) {
    dialog_->setWindowIcon(loadIcon(iconId));
}

void QtDialogWindow::addMinimizeBox() {
    dialog_->setWindowFlag(Qt::WindowMinimizeButtonHint, true);
}

PixelRect QtDialogWindow::toPixels(const DialogRect& rect) const {
    const QRect pixels = gui::toPixels(rect, dialog_->units());
    return {pixels.x(), pixels.y(), pixels.width(), pixels.height()};
}

PixelRect QtDialogWindow::clientRect() const {
    const QPoint origin = dialog_->clientOrigin();
    return {0, 0, dialog_->width() - origin.x(), dialog_->height() - origin.y()};
}

void QtDialogWindow::setClientSize(int width, int height) {
    const QPoint origin = dialog_->clientOrigin();
    dialog_->setFixedSize(width + origin.x(), height + origin.y());
}

PixelRect QtDialogWindow::controlRect(int id) const {
    const QWidget* control = dialog_->control(id);
    if (!control) return {};
    const QPoint at = control->pos() - dialog_->clientOrigin();
    return {at.x(), at.y(), control->width(), control->height()};
}

void QtDialogWindow::setControlRect(int id, const PixelRect& rect) {
    if (QWidget* control = dialog_->control(id)) {
        control->setGeometry(QRect(dialog_->clientOrigin() + QPoint(rect.x, rect.y), QSize(rect.width, rect.height)));
    }
}

int QtDialogWindow::textHeight(int id) const {
    const auto* label = dialog_->controlAs<QLabel>(id);
    return label ? label->heightForWidth(label->width()) : 0;
}

std::string QtDialogWindow::text(int id) const {
    return dialog_->controlText(id).toStdString();
}

void QtDialogWindow::setText(int id, std::string_view text) {
    dialog_->setControlText(id, qt(text));
}

void QtDialogWindow::limitText(int id, int characters) {
    if (auto* edit = dialog_->controlAs<QLineEdit>(id)) edit->setMaxLength(characters > 0 ? characters : 32767);
}

int QtDialogWindow::textLimit(int id) const {
    const auto* edit = dialog_->controlAs<QLineEdit>(id);
    return edit ? edit->maxLength() : 0;
}

bool QtDialogWindow::isReadOnly(int id) const {
    const auto* edit = dialog_->controlAs<QLineEdit>(id);
    return edit && edit->isReadOnly();
}

void QtDialogWindow::setControlIcon(int id, int iconId) {
    if (auto* label = dialog_->controlAs<QLabel>(id)) label->setPixmap(loadIcon(iconId).pixmap(32, 32));
}

void QtDialogWindow::setControlSystemIcon(int id, int iconClass) {
    auto* label = dialog_->controlAs<QLabel>(id);
    if (!label) return;
    QStyle* style = QApplication::style();
    QIcon icon;
    switch (iconClass) {
        case 16: icon = style->standardIcon(QStyle::SP_MessageBoxCritical); break;
        case 32: icon = style->standardIcon(QStyle::SP_MessageBoxQuestion); break;
        case 48: icon = style->standardIcon(QStyle::SP_MessageBoxWarning); break;
        case 64: icon = style->standardIcon(QStyle::SP_MessageBoxInformation); break;
        default: break;
    }
    label->setPixmap(icon.isNull() ? QPixmap() : icon.pixmap(32, 32));
}

bool QtDialogWindow::showsIcon(int id) const {
    const auto* label = dialog_->controlAs<QLabel>(id);
    return label && !label->pixmap().isNull();
}

bool QtDialogWindow::isEnabled(int id) const {
    const QWidget* control = dialog_->control(id);
    return control && control->isEnabled();
}

void QtDialogWindow::enable(int id, bool enabled) {
    if (QWidget* control = dialog_->control(id)) control->setEnabled(enabled);
}

bool QtDialogWindow::isChecked(int id) const {
    const auto* box = dialog_->controlAs<QCheckBox>(id);
    return box && box->isChecked();
}

void QtDialogWindow::check(int id, bool checked) {
    if (auto* box = dialog_->controlAs<QCheckBox>(id)) box->setChecked(checked);
}

void QtDialogWindow::setItems(int id, const std::vector<std::string>& items) {
    auto* list = dialog_->controlAs<QComboBox>(id);
    if (!list) return;
    const QSignalBlocker quiet(list);
    list->clear();
    for (const std::string& item : items) list->addItem(qt(item));
    list->setCurrentIndex(-1);
}

std::vector<std::string> QtDialogWindow::items(int id) const {
    std::vector<std::string> texts;
    const auto* list = dialog_->controlAs<QComboBox>(id);
    for (int i = 0; list && i < list->count(); ++i) texts.push_back(list->itemText(i).toStdString());
    return texts;
}

void QtDialogWindow::selectItem(int id, std::optional<int> index) {
    if (auto* list = dialog_->controlAs<QComboBox>(id)) list->setCurrentIndex(index.value_or(-1));
}

std::optional<int> QtDialogWindow::selectedItem(int id) const {
    const auto* list = dialog_->controlAs<QComboBox>(id);
    if (!list || list->currentIndex() < 0) return std::nullopt;
    return list->currentIndex();
}

void QtDialogWindow::onItemChosen(int id, std::function<void(int index)> handler) {
    auto* list = dialog_->controlAs<QComboBox>(id);
    if (!list) return;
    // Only the user's choices: filling and selecting by the program raise nothing.
    QObject::connect(list, &QComboBox::activated, dialog_, std::move(handler));
}

void QtDialogWindow::chooseItem(int id, int index) {
    auto* list = dialog_->controlAs<QComboBox>(id);
    if (!list || !list->isEnabled() || index < 0 || index >= list->count()) return;
    list->setCurrentIndex(index);
    emit list->activated(index);
}

bool QtDialogWindow::isShown(int id) const {
    const QWidget* control = dialog_->control(id);
    return control && !control->isHidden();
}

void QtDialogWindow::showControl(int id, bool shown) {
    if (QWidget* control = dialog_->control(id)) control->setVisible(shown);
}

void QtDialogWindow::focus(int id) {
    if (QWidget* control = dialog_->control(id)) control->setFocus();
}

void QtDialogWindow::setBackground(int id, std::optional<std::uint32_t> rgb) {
    QWidget* control = dialog_->control(id);
    if (!control) return;
    backgrounds_[id] = rgb;
    QPalette colours = control->palette();
    colours.setColor(QPalette::Base, rgb ? QColor::fromRgb(static_cast<QRgb>(*rgb))
                                         : dialog_->palette().color(QPalette::Button));
    control->setPalette(colours);
}

std::optional<std::uint32_t> QtDialogWindow::background(int id) const {
    const auto found = backgrounds_.find(id);
    return found == backgrounds_.end() ? std::nullopt : found->second;
}

void QtDialogWindow::keepGapAfterText(int id, int pixels) {
    auto* label = dialog_->controlAs<QLabel>(id);
    if (!label) return;
    const int room = label->width() - label->fontMetrics().horizontalAdvance(label->text());
    label->setContentsMargins(0, 0, std::clamp(room, 0, pixels), 0);
}

void QtDialogWindow::setProgress(int id, const ProgressView& view) {
    auto* bar = dialog_->controlAs<InfoProgressBar>(id);
    if (!bar) return;
    bar->setGradientStep(0);
    const QPalette& colours = bar->palette();
    bar->setColors(colours.color(QPalette::HighlightedText), colours.color(QPalette::WindowText),
                   QColor::fromRgb(static_cast<QRgb>(view.barRgb)));
    bar->setValue(view.position);
    bar->setBarText(qt(view.text));
    bar->update();
}

ProgressView QtDialogWindow::progress(int id) const {
    const auto* bar = dialog_->controlAs<InfoProgressBar>(id);
    if (!bar) return {};
    return {bar->value(), static_cast<std::uint32_t>(bar->barColour().rgb() & 0xFFFFFF), bar->barText().toStdString()};
}

void QtDialogWindow::setTabs(int id, const std::vector<TabItem>& tabs) {
    auto* control = dialog_->controlAs<QTabWidget>(id);
    if (!control) return;
    tabItems_[id] = tabs;
    // The tab control reports only the user's selections.
    const QSignalBlocker quiet(control);
    control->setIconSize(QSize(16, 16));
    while (control->count() > 0) {
        QWidget* placeholder = control->widget(0);
        control->removeTab(0);
        delete placeholder;
    }
    // Each tab holds an empty placeholder: pages are dialogs of their own over the control.
    for (const TabItem& tab : tabs) {
        const int index = control->addTab(new QWidget, qt(tab.text));
        if (tab.iconId != 0) control->setTabIcon(index, loadIcon(tab.iconId));
    }
}

std::vector<TabItem> QtDialogWindow::tabs(int id) const {
    const auto found = tabItems_.find(id);
    return found == tabItems_.end() ? std::vector<TabItem>() : found->second;
}

void QtDialogWindow::selectTab(int id, int index) {
    auto* control = dialog_->controlAs<QTabWidget>(id);
    if (!control) return;
    const QSignalBlocker quiet(control);
    control->setCurrentIndex(index);
}

int QtDialogWindow::selectedTab(int id) const {
    const auto* control = dialog_->controlAs<QTabWidget>(id);
    return control ? control->currentIndex() : -1;
}

void QtDialogWindow::onTabChosen(int id, std::function<void(int index)> handler) {
    if (auto* control = dialog_->controlAs<QTabWidget>(id)) {
        QObject::connect(control, &QTabWidget::currentChanged, dialog_, std::move(handler));
    }
}

void QtDialogWindow::chooseTab(int id, int index) {
    if (auto* control = dialog_->controlAs<QTabWidget>(id)) control->setCurrentIndex(index);
}

void QtDialogWindow::setTree(int id, const std::vector<TreeItem>& roots) {
    auto* control = dialog_->controlAs<QTreeWidget>(id);
    if (!control) return;
    const QSignalBlocker quiet(control);
    control->setSelectionMode(QAbstractItemView::SingleSelection);
    control->clear();
    for (const TreeItem& item : roots) {
        auto* root = new QTreeWidgetItem(QStringList{qt(item.text)});
        control->addTopLevelItem(root);
        for (const std::string& child : item.children) new QTreeWidgetItem(root, QStringList{qt(child)});
        root->setExpanded(true);
    }
}

std::vector<TreeItem> QtDialogWindow::tree(int id) const {
    std::vector<TreeItem> roots;
    const auto* control = dialog_->controlAs<QTreeWidget>(id);
    for (int i = 0; control && i < control->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* root = control->topLevelItem(i);
        TreeItem item{root->text(0).toStdString(), {}};
        for (int c = 0; c < root->childCount(); ++c) item.children.push_back(root->child(c)->text(0).toStdString());
        roots.push_back(std::move(item));
    }
    return roots;
}

void QtDialogWindow::selectTreeItem(int id, std::optional<TreePosition> position) {
    auto* control = dialog_->controlAs<QTreeWidget>(id);
    if (!control) return;
    QTreeWidgetItem* item = position ? control->topLevelItem(position->root) : nullptr;
    if (item && position->child >= 0) item = item->child(position->child);
    control->setCurrentItem(item);
}

std::optional<TreePosition> QtDialogWindow::selectedTreeItem(int id) const {
    const auto* control = dialog_->controlAs<QTreeWidget>(id);
    return control ? positionOf(*control, control->currentItem()) : std::nullopt;
}

void QtDialogWindow::onTreeSelection(int id, std::function<void(std::optional<TreePosition>)> handler) {
    auto* control = dialog_->controlAs<QTreeWidget>(id);
    if (!control) return;
    QObject::connect(control, &QTreeWidget::currentItemChanged, dialog_,
                     [control, handler = std::move(handler)](QTreeWidgetItem* current, QTreeWidgetItem*) {
                         handler(positionOf(*control, current));
                     });
}

void QtDialogWindow::setColumns(int id, const std::vector<ListColumn>& columns) {
    auto* list = dialog_->controlAs<QTreeWidget>(id);
    if (!list) return;
    if (!dynamic_cast<GridLineDelegate*>(list->itemDelegate())) list->setItemDelegate(new GridLineDelegate(list));
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setAllColumnsShowFocus(true);
    list->setSortingEnabled(false);
    list->setUniformRowHeights(true);
    QHeaderView* header = list->header();
    header->setSectionsMovable(true);
    header->setSectionsClickable(false);
    header->setSortIndicatorShown(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    list->clear();
    list->setColumnCount(static_cast<int>(columns.size()));
    QStringList titles;
    for (const ListColumn& column : columns) titles << qt(column.title);
    list->setHeaderLabels(titles);
    for (std::size_t i = 0; i < columns.size(); ++i) list->setColumnWidth(static_cast<int>(i), columns[i].width);
}

std::vector<std::string> QtDialogWindow::columnTitles(int id) const {
    std::vector<std::string> titles;
    const auto* list = dialog_->controlAs<QTreeWidget>(id);
    for (int i = 0; list && i < list->columnCount(); ++i) titles.push_back(list->headerItem()->text(i).toStdString());
    return titles;
}

void QtDialogWindow::setRows(int id, const std::vector<std::vector<std::string>>& rows) {
    auto* list = dialog_->controlAs<QTreeWidget>(id);
    if (!list) return;
    list->clear();
    for (const auto& cells : rows) {
        auto* item = new QTreeWidgetItem(list);
        for (std::size_t i = 0; i < cells.size(); ++i) item->setText(static_cast<int>(i), qt(cells[i]));
    }
    for (int i = 0; i < list->columnCount(); ++i) list->resizeColumnToContents(i);
    list->header()->setStretchLastSection(true);
}

int QtDialogWindow::rowCount(int id) const {
    const auto* list = dialog_->controlAs<QTreeWidget>(id);
    return list ? list->topLevelItemCount() : 0;
}

std::vector<std::string> QtDialogWindow::row(int id, int index) const {
    std::vector<std::string> cells;
    const auto* list = dialog_->controlAs<QTreeWidget>(id);
    const QTreeWidgetItem* item = list ? list->topLevelItem(index) : nullptr;
    for (int i = 0; item && i < list->columnCount(); ++i) cells.push_back(item->text(i).toStdString());
    return cells;
}

void QtDialogWindow::selectRow(int id, std::optional<int> index) {
    auto* list = dialog_->controlAs<QTreeWidget>(id);
    if (!list) return;
    if (!index) {
        list->clearSelection();
        return;
    }
    list->selectionModel()->select(list->model()->index(*index, 0),
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

std::optional<int> QtDialogWindow::selectedRow(int id) const {
    const auto* list = dialog_->controlAs<QTreeWidget>(id);
    if (!list) return std::nullopt;
    const QModelIndexList rows = list->selectionModel()->selectedRows();
    if (rows.isEmpty()) return std::nullopt;
    return rows.front().row();
}

bool QtDialogWindow::columnsShowTextWhole(int id) const {
    const auto* list = dialog_->controlAs<QTreeWidget>(id);
    if (!list) return false;
    const QFontMetrics metrics(list->font());
    for (int column = 0; column < list->columnCount(); ++column) {
        int widest = metrics.horizontalAdvance(list->headerItem()->text(column));
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            widest = std::max(widest, metrics.horizontalAdvance(list->topLevelItem(i)->text(column)));
        }
        if (list->columnWidth(column) < widest) return false;
    }
    return true;
}

void QtDialogWindow::onCommand(int id, std::function<void()> handler) {
    dialog_->onCommand(id, std::move(handler));
}

void QtDialogWindow::click(int id) {
    if (auto* button = dialog_->controlAs<QAbstractButton>(id)) button->click();
}

void QtDialogWindow::pressKey(DialogKey key) {
    int code = Qt::Key_Return;
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;
    switch (key) {
        case DialogKey::Enter: break;
        case DialogKey::Escape: code = Qt::Key_Escape; break;
        case DialogKey::CtrlTab:
            code = Qt::Key_Tab;
            modifiers = Qt::ControlModifier;
            break;
        case DialogKey::F1: code = Qt::Key_F1; break;
        case DialogKey::F5: code = Qt::Key_F5; break;
    }
    // To the focused control, as the keyboard sends it; the window itself when none has focus.
    QWidget* target = dialog_->focusWidget() ? dialog_->focusWidget() : static_cast<QWidget*>(dialog_);
    QKeyEvent press(QEvent::KeyPress, code, modifiers);
    QApplication::sendEvent(target, &press);
}

void QtDialogWindow::onClose(std::function<bool()> mayClose) {
    dialog_->setCloseFilter(std::move(mayClose));
}

bool QtDialogWindow::close() {
    return dialog_->close();
}

void QtDialogWindow::setContextMenu(std::vector<MenuItem> items) {
    contextMenu_ = std::move(items);
    dialog_->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::disconnect(dialog_, &QWidget::customContextMenuRequested, nullptr, nullptr);
    QObject::connect(dialog_, &QWidget::customContextMenuRequested, dialog_, [this](const QPoint& at) {
        QMenu menu(dialog_);
        for (const MenuItem& item : contextMenu_) {
            const int command = item.command;
            menu.addAction(qt(item.text), dialog_, [this, command] { click(command); });
        }
        menu.exec(dialog_->mapToGlobal(at));
    });
}

void QtDialogWindow::setMenuBar(const std::vector<Menu>& menus) {
    menuItems_.clear();
    auto* bar = new QMenuBar;
    // A dialog's menu bar belongs to its window, also on desktops with a global menu.
    bar->setNativeMenuBar(false);
    for (const Menu& menu : menus) {
        QMenu* drop = bar->addMenu(qt(menu.text));
        for (const MenuItem& item : menu.items) {
            if (item.command == 0) {
                drop->addSeparator();
                continue;
            }
            QAction* action = drop->addAction(qt(item.text));
            const int command = item.command;
            QObject::connect(action, &QAction::triggered, dialog_, [dialog = dialog_, command] { dialog->sendCommand(command); });
            menuItems_[command] = action;
        }
    }
    dialog_->attachMenuBar(bar);
}

void QtDialogWindow::enableMenuItem(int command, bool enabled) {
    if (const auto found = menuItems_.find(command); found != menuItems_.end()) found->second->setEnabled(enabled);
}

bool QtDialogWindow::isMenuItemEnabled(int command) const {
    const auto found = menuItems_.find(command);
    return found != menuItems_.end() && found->second->isEnabled();
}

void QtDialogWindow::chooseMenuItem(int command) {
    if (const auto found = menuItems_.find(command); found != menuItems_.end()) found->second->trigger();
}

void QtDialogWindow::setAccelerators(std::vector<std::pair<DialogKey, int>> keys) {
    keyWatch_ = std::make_unique<KeyWatch>(*dialog_, std::move(keys));
}

void QtDialogWindow::onShowHide(std::function<void(bool shown)> handler) {
    dialog_->setVisibilityHandler(std::move(handler));
}

void QtDialogWindow::placeInOwner(int x, int y) {
    const auto* owner = qobject_cast<TemplateDialog*>(dialog_->parentWidget());
    dialog_->move((owner ? owner->clientOrigin() : QPoint()) + QPoint(x, y));
}

int QtDialogWindow::doModal() {
    ModalAnswer::modalRunStarting(*this);
    return dialog_->doModal();
}

void QtDialogWindow::endDialog(int result) {
    dialog_->endDialog(result);
}

void QtDialogWindow::show() {
    dialog_->showModeless();
}

void QtDialogWindow::hide() {
    dialog_->hideModeless();
}

bool QtDialogWindow::isVisible() const {
    return dialog_->isVisible();
}

void QtDialogWindow::setWindowProcedure(WindowProcedure procedure) {
    dialog_->setWindowProcedure(std::move(procedure));
}

std::intptr_t QtDialogWindow::sendMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    return dialog_->sendMessage(message, wParam, lParam);
}

void QtDialogWindow::post(std::function<void()> task) {
    dialog_->postTask(std::move(task));
}

QWidget* widgetOf(DialogWindow* window) {
    auto* qtWindow = dynamic_cast<QtDialogWindow*>(window);
    return qtWindow ? &qtWindow->dialog() : nullptr;
}

std::unique_ptr<DialogWindow> createDialogWindow(const DialogTemplate& dialogTemplate, DialogWindow* owner) {
    return std::make_unique<QtDialogWindow>(dialogTemplate, widgetOf(owner));
}

struct GuiApplication::State {
    int argc = 1;
    char* argv[2] = {nullptr, nullptr};
    std::unique_ptr<QApplication> application;
};

GuiApplication::GuiApplication(const char* programName) : state_(std::make_unique<State>()) {
    // Qt sees the program's name alone: the rest of the command line is the program's.
    state_->argv[0] = const_cast<char*>(programName);
    state_->application = std::make_unique<QApplication>(state_->argc, state_->argv);
    // The programs end by their own word (quitMessageLoop), not when their last window closes:
    // the tray has none open most of the time.
    QApplication::setQuitOnLastWindowClosed(false);
}

GuiApplication::~GuiApplication() = default;

void processPendingEvents() {
    QApplication::processEvents();
}

}  // namespace lmx::gui
