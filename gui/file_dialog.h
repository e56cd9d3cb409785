#pragma once
// GetSaveFileName: the save-file dialog, returning the chosen path or nothing when cancelled.
// A name typed without an extension gets the extension of the chosen file type (the default
// extension when the type has none), and choosing an existing file asks before overwriting.
// Tests install SaveFileAnswers, which answers in advance and records what was asked, so that
// no test enters a modal loop.

#include <QString>
#include <QStringList>

#include <optional>

#include "gui/file_dialog_answers.h"

class QWidget;

namespace lmx::gui {

struct SaveFileRequest {
    QString fileName;          // preset in the name box
    QString defaultExtension;  // without the dot
    // The file types as "Description (*.ext)", the first one chosen at the start.
    QStringList filters;
    QString initialFolder;
};

std::optional<QString> saveFileName(QWidget* owner, const SaveFileRequest& request);

using SaveFileAnswers = FileDialogAnswers<SaveFileRequest, QString>;

}  // namespace lmx::gui
