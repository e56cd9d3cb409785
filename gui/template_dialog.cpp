#include "gui/template_dialog.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHideEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMetaObject>
#include <QPainter>
#include <QPushButton>
#include <QShowEvent>
#include <QTabWidget>
#include <QTreeWidget>

#include <algorithm>

#include "gui/info_progress_bar.h"

namespace lmx::gui {

namespace {

// A group box as a dialog draws it: an etched frame whose top edge runs through the middle of
// the title, and the title in the dialog's own font on the frame near its left end. (Styles
// that draw the title in a bold face measure it differently from how they draw it, which cuts
// titles of fonts without a bold face.)
class GroupFrame final : public QGroupBox {
public:
    GroupFrame(const QString& title, QWidget* parent) : QGroupBox(title, parent) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QFontMetrics metrics(font());
        const QRect frame = rect().adjusted(0, metrics.height() / 2, -2, -2);
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawRect(frame);
        painter.setPen(palette().color(QPalette::Light));
        painter.drawRect(frame.translated(1, 1));
        if (title().isEmpty()) return;
        const int gap = 2;
        const QRect text(metrics.averageCharWidth() + gap, 0, metrics.horizontalAdvance(title()) + 2 * gap, metrics.height());
        painter.fillRect(text, palette().color(QPalette::Window));
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(text, Qt::AlignCenter | Qt::TextShowMnemonic, title());
    }
};

Qt::Alignment labelAlignment(TextAlign align) {
    switch (align) {
        case TextAlign::Right: return Qt::AlignRight | Qt::AlignTop;
        case TextAlign::Center: return Qt::AlignHCenter | Qt::AlignTop;
        case TextAlign::Left: break;
    }
    return Qt::AlignLeft | Qt::AlignTop;
}

}  // namespace

TemplateDialog::TemplateDialog(const DialogTemplate& dialogTemplate, QWidget* parent)
    : QDialog(parent), templateId_(dialogTemplate.id), keys_(dialogTemplate.keys) {
    if (dialogTemplate.child) {
        setWindowFlags(Qt::Widget);
    } else {
        Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint;
        if (dialogTemplate.topMost) flags |= Qt::WindowStaysOnTopHint;
        setWindowFlags(flags);
    }
    setWindowTitle(QString::fromStdString(dialogTemplate.caption));

    const QFont font = dialogFont(dialogTemplate.font);
    setFont(font);
    units_ = baseUnits(font);
    setFixedSize(toPixels(dialogTemplate.width, dialogTemplate.height, units_));

    for (const ControlTemplate& control : dialogTemplate.controls) {
        QWidget* widget = createControl(control);
        QRect geometry = toPixels(control.rect, units_);
        if (auto* list = qobject_cast<QComboBox*>(widget)) {
            // A drop-down list's template height is that of the box with its list opened: the
            // closed box takes its own height, and the list shows as many entries as fit below.
            const int closed = list->sizeHint().height();
            const int entry = std::max(1, list->fontMetrics().height() + 2);
            list->setMaxVisibleItems(std::max(1, (geometry.height() - closed) / entry));
            geometry.setHeight(closed);
        }
        widget->setGeometry(geometry);
        if (control.id >= 0) controls_.emplace(control.id, widget);
        if (control.endsDialogWith) buttonResults_.emplace(control.id, *control.endsDialogWith);
        if (control.kind == ControlKind::PushButton && control.defaultButton) defaultButton_ = control.id;
    }
}

TemplateDialog::~TemplateDialog() = default;

QWidget* TemplateDialog::createControl(const ControlTemplate& control) {
    const QString text = QString::fromStdString(control.text);
    const int id = control.id;
    switch (control.kind) {
        case ControlKind::Label: {
            // A dialog's static text breaks its lines at words to fit its width.
            auto* label = new QLabel(text, this);
            label->setAlignment(labelAlignment(control.align));
            label->setWordWrap(true);
            return label;
        }
        case ControlKind::ReadOnlyEdit: {
            auto* edit = new QLineEdit(text, this);
            edit->setReadOnly(true);
            // A read-only edit box is drawn on the button face, as the dialog around it.
            QPalette colours = edit->palette();
            colours.setColor(QPalette::Base, colours.color(QPalette::Button));
            edit->setPalette(colours);
            return edit;
        }
        case ControlKind::CheckBox: {
            auto* box = new QCheckBox(text, this);
            connect(box, &QCheckBox::clicked, this, [this, id] { command(id); });
            return box;
        }
        case ControlKind::DropDownList: {
            // The template's height includes the opened list; the closed box keeps its own.
            return new QComboBox(this);
        }
        case ControlKind::PushButton: {
            auto* button = new QPushButton(text, this);
            // Enter is the dialog's key policy, not Qt's auto-default button.
            button->setAutoDefault(false);
            button->setDefault(control.defaultButton);
            connect(button, &QPushButton::clicked, this, [this, id] { command(id); });
            return button;
        }
        case ControlKind::GroupBox: return new GroupFrame(text, this);
        case ControlKind::TabControl: return new QTabWidget(this);
        case ControlKind::Tree: {
            auto* tree = new QTreeWidget(this);
            tree->setHeaderHidden(true);
            return tree;
        }
        case ControlKind::ListView: {
            auto* list = new QTreeWidget(this);
            list->setRootIsDecorated(false);
            list->setSelectionMode(QAbstractItemView::SingleSelection);
            return list;
        }
        case ControlKind::ProgressBar: return new InfoProgressBar(this);
        case ControlKind::Icon: {
            auto* icon = new QLabel(this);
            icon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            return icon;
        }
    }
    return new QWidget(this);
}

QWidget* TemplateDialog::control(int id) const {
    const auto found = controls_.find(id);
    return found == controls_.end() ? nullptr : found->second;
}

void TemplateDialog::setControlText(int id, const QString& text) {
    QWidget* widget = control(id);
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(text);
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        edit->setText(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(text);
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        group->setTitle(text);
    } else if (auto* bar = qobject_cast<InfoProgressBar*>(widget)) {
        bar->setBarText(text);
    }
}

QString TemplateDialog::controlText(int id) const {
    QWidget* widget = control(id);
    if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) return edit->text();
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text();
    if (auto* group = qobject_cast<QGroupBox*>(widget)) return group->title();
    if (auto* bar = qobject_cast<InfoProgressBar*>(widget)) return bar->barText();
    return {};
}

void TemplateDialog::onCommand(int id, std::function<void()> handler) {
    commandHandlers_[id] = std::move(handler);
}

bool TemplateDialog::command(int id) {
    if (const auto handler = commandHandlers_.find(id); handler != commandHandlers_.end()) {
        handler->second();
        return true;
    }
    if (const auto result = buttonResults_.find(id); result != buttonResults_.end()) {
        endDialog(result->second);
        return true;
    }
    return false;
}

void TemplateDialog::postTask(std::function<void()> task) {
    posted_.add(std::move(task));
    QMetaObject::invokeMethod(this, "runPostedTasks", Qt::QueuedConnection);
}

void TemplateDialog::runPostedTasks() {
    posted_.runAll();
}

void TemplateDialog::setWindowProcedure(platform::windows::WindowProcedure procedure) {
    procedure_ = std::move(procedure);
}

std::intptr_t TemplateDialog::sendMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    return procedure_ ? procedure_(message, wParam, lParam) : 0;
}

void TemplateDialog::attachMenuBar(QMenuBar* bar) {
    const int previousHeight = menuBar_ ? menuBar_->height() : 0;
    delete menuBar_;
    menuBar_ = bar;
    const int height = bar ? bar->sizeHint().height() : 0;
    const QSize client(width(), this->height() - previousHeight);
    for (QObject* child : children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (widget && widget != bar && !widget->isWindow()) widget->move(widget->x(), widget->y() - previousHeight + height);
    }
    if (bar) {
        bar->setParent(this);
        bar->setGeometry(0, 0, client.width(), height);
        bar->show();
    }
    setFixedSize(client.width(), client.height() + height);
}

QPoint TemplateDialog::clientOrigin() const {
    return QPoint(0, menuBar_ ? menuBar_->height() : 0);
}

int TemplateDialog::doModal() {
    return exec();
}

void TemplateDialog::endDialog(int result) {
    done(result);
}

void TemplateDialog::showModeless() {
    show();
    raise();
}

void TemplateDialog::hideModeless() {
    hide();
}

void TemplateDialog::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            // Enter is the command of the default button (IDOK when none is marked); a dialog
            // whose OK handling does nothing has no Enter policy at all.
            if (keys_.enterEndsWith && !command(defaultButton_.value_or(1))) endDialog(*keys_.enterEndsWith);
            event->accept();
            return;
        }
        if (key == Qt::Key_Escape) {
            if (keys_.escEndsWith) endDialog(*keys_.escEndsWith);
            event->accept();
            return;
        }
    }
    QDialog::keyPressEvent(event);
}

void TemplateDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (visibilityHandler_) visibilityHandler_(true);
}

void TemplateDialog::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    if (visibilityHandler_) visibilityHandler_(false);
}

void TemplateDialog::closeEvent(QCloseEvent* event) {
    if (!keys_.closeEndsWith || (closeFilter_ && !closeFilter_())) {
        event->ignore();
        return;
    }
    endDialog(*keys_.closeEndsWith);
    event->accept();
}

void TemplateDialog::reject() {
    if (keys_.escEndsWith) endDialog(*keys_.escEndsWith);
}

void TemplateDialog::accept() {
    endDialog(1);
}

}  // namespace lmx::gui
