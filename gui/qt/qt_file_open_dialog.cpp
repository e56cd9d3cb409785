#include <QFileDialog>
#include <QStringList>

#include "gui/file_open_dialog.h"
#include "gui/qt/qt_dialog_window.h"

namespace lmx::gui {

namespace {

// "BIN形式(*.bin)|*.bin|全て(*.*)|*.*||" → "BIN形式(*.bin);;全て(*.*)": Qt reads a type's
// patterns from the brackets of its description, so a description without them gets its
// patterns there.
QString qtNameFilters(std::string_view windowsFilter) {
    QStringList filters;
    for (const auto& [description, patterns] : fileTypes(windowsFilter)) {
        const QString name = QString::fromStdString(description);
        filters << (name.contains(QLatin1Char('('))
                        ? name
                        : name + QStringLiteral(" (") +
                              QString::fromStdString(patterns).replace(QLatin1Char(';'), QLatin1Char(' ')) +
                              QStringLiteral(")"));
    }
    return filters.join(QStringLiteral(";;"));
}

}  // namespace

std::optional<std::string> chooseFileToOpen(DialogWindow* owner, const FileOpenRequest& request) {
    if (auto* answers = FileOpenAnswers::installed()) return answers->take(request);
    const QString chosen = QFileDialog::getOpenFileName(widgetOf(owner), QString(),
                                                        QString::fromStdString(request.folder),
                                                        qtNameFilters(request.filter));
    if (chosen.isEmpty()) return std::nullopt;
    return chosen.toStdString();
}

}  // namespace lmx::gui
