#pragma once
// Puts a controller's rebuild or patrol progress on a window's text progress bar: a solid bar
// in the progress kind's colour at the percentage, with its text; hidden and without text when
// neither runs.

#include "common/controller_status_record.h"
#include "gui/dialog_window.h"
#include "tray/core/string_source.h"

namespace lmx::tray {

void showProgress(gui::DialogWindow& window, int bar, const ControllerStatusRecord& record, const StringSource& texts);

}  // namespace lmx::tray
