#pragma once
// The file-open dialog of Browse, and its filter in the Windows form ("Name|patterns|…||")
// turned into Qt's. Tests install FileOpenAnswers, which answers in advance and records where
// the dialog would have started, so that no test enters a modal loop.

#include <QString>

#include <optional>

#include "gui/file_dialog_answers.h"

class QWidget;

namespace fwup::gui {

// "BIN形式(*.bin)|*.bin|全て(*.*)|*.*||" → "BIN形式(*.bin);;全て(*.*)": each description
// names its own patterns, as Qt reads them from its brackets.
QString qtFileFilter(const QString& windowsFilter);

struct FileOpenRequest {
    QString folder;
    QString filter;  // Qt's form
};

// The chosen file's full path, or empty when the user cancelled.
std::optional<QString> chooseFileToOpen(QWidget* owner, const FileOpenRequest& request);

using FileOpenAnswers = lmx::gui::FileDialogAnswers<FileOpenRequest>;

}  // namespace fwup::gui
