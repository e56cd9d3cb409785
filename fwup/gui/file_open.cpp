#include "fwup/gui/file_open.h"

#include <QFileDialog>
#include <QStringList>

namespace fwup::gui {

QString qtFileFilter(const QString& windowsFilter) {
    const QStringList parts = windowsFilter.split(QLatin1Char('|'));
    QStringList filters;
    // Description and patterns alternate; the empty parts of the closing "||" end the list.
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty()) break;
        // Qt takes the patterns from the description's brackets; a description without them
        // gets its patterns there.
        QString patterns = parts[i + 1];
        filters << (parts[i].contains(QLatin1Char('(')) ? parts[i]
                                                         : parts[i] + QStringLiteral(" (") +
                                                               patterns.replace(QLatin1Char(';'), QLatin1Char(' ')) +
                                                               QStringLiteral(")"));
    }
    return filters.join(QStringLiteral(";;"));
}

std::optional<QString> chooseFileToOpen(QWidget* owner, const FileOpenRequest& request) {
    if (auto* answers = FileOpenAnswers::installed()) return answers->take(request);
    const QString chosen = QFileDialog::getOpenFileName(owner, QString(), request.folder, request.filter);
    if (chosen.isEmpty()) return std::nullopt;
    return chosen;
}

}  // namespace fwup::gui
