#include "gui/file_dialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>

namespace lmx::gui {

namespace {

// The extension of a file type "Description (*.ext)", or empty.
QString extensionOf(const QString& filter) {
    static const QRegularExpression pattern(QStringLiteral("\\(\\*\\.([^)*;. ]+)\\)"));
    const auto match = pattern.match(filter);
    return match.hasMatch() ? match.captured(1) : QString();
}

}  // namespace

std::optional<QString> saveFileName(QWidget* owner, const SaveFileRequest& request) {
    if (auto* answers = SaveFileAnswers::installed()) return answers->take(request);

    QFileDialog dialog(owner);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // Qt's own dialog on every desktop: the same behaviour, and no outside process to wait for.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setDirectory(request.initialFolder);
    dialog.setNameFilters(request.filters);
    const auto extensionFor = [&request](const QString& filter) {
        const QString extension = extensionOf(filter);
        return extension.isEmpty() ? request.defaultExtension : extension;
    };
    if (!request.filters.isEmpty()) {
        dialog.selectNameFilter(request.filters.front());
        dialog.setDefaultSuffix(extensionFor(request.filters.front()));
    } else {
        dialog.setDefaultSuffix(request.defaultExtension);
    }
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog, extensionFor](const QString& filter) { dialog.setDefaultSuffix(extensionFor(filter)); });
    dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.front();
}

}  // namespace lmx::gui
