#include <QFileDialog>
#include <QStringList>

#include "gui/file_dialog.h"
#include "gui/qt/qt_dialog_window.h"

namespace lmx::gui {

std::optional<std::string> saveFileName(DialogWindow* owner, const SaveFileRequest& request) {
    if (auto* answers = SaveFileAnswers::installed()) return answers->take(request);

    QFileDialog dialog(widgetOf(owner));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // Qt's own dialog on every desktop: the same behaviour, and no outside process to wait for.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setDirectory(QString::fromStdString(request.initialFolder));
    QStringList filters;
    for (const std::string& filter : request.filters) filters << QString::fromStdString(filter);
    dialog.setNameFilters(filters);
    const auto extensionFor = [&request](const QString& filter) {
        const std::string extension = filterExtension(filter.toStdString());
        return QString::fromStdString(extension.empty() ? request.defaultExtension : extension);
    };
    if (!filters.isEmpty()) {
        dialog.selectNameFilter(filters.front());
        dialog.setDefaultSuffix(extensionFor(filters.front()));
    } else {
        dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
    }
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog, extensionFor](const QString& filter) { dialog.setDefaultSuffix(extensionFor(filter)); });
    dialog.selectFile(QString::fromStdString(request.fileName));
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? std::string() : chosen.front().toStdString();
}

}  // namespace lmx::gui
