#include "gui/about_dialog.h"

#include <algorithm>

#include "gui/string_table.h"
#include "platform/version_info.h"

namespace lmx::gui {

namespace {

std::string subBlock(std::string_view name) {
    return "\\StringFileInfo\\" + std::string(platform::kVersionLanguageBlock) + "\\" + std::string(name);
}

}  // namespace

DialogTemplate aboutDialogTemplate() {
    DialogTemplate about;
    about.id = kAboutTemplateId;
    about.width = 234;
    about.height = 71;
    about.font = {"MS Shell Dlg", 8};
    about.keys = KeyPolicy::standard();
    about.controls = {
        {kAboutOkButton, ControlKind::PushButton, {90, 53, 50, 14}, "&OK", TextAlign::Left, true, 1},
        {kAboutIcon, ControlKind::Icon, {13, 22, 20, 20}, "", TextAlign::Left, false, std::nullopt},
        {kAboutProductName, ControlKind::Label, {48, 7, 147, 8}, "%Product Name", TextAlign::Left, false, std::nullopt},
        {kAboutVersion, ControlKind::Label, {48, 19, 152, 8}, "%Version", TextAlign::Left, false, std::nullopt},
        {kAboutLegalCopyright, ControlKind::Label, {48, 40, 171, 8}, "%Copyright", TextAlign::Left, false, std::nullopt},
    };
    return about;
}

AboutDialog::AboutDialog(const std::filesystem::path& programFile, DialogWindow* owner)
    : window_(createDialogWindow(aboutDialogTemplate(), owner)) {
    window_->setCaption(loadString(180));
    window_->setControlIcon(kAboutIcon, 131);

    const auto info = platform::getFileVersionInfo(programFile);
    if (!info) return;
    const auto productName = platform::verQueryValue(*info, subBlock("ProductName"));
    window_->setText(kAboutProductName, productName.value_or("LMX Duowatch Application"));
    std::string version = platform::verQueryValue(*info, subBlock("ProductVersion")).value_or("##.##.##.##");
    // Every comma becomes a full stop ("1,0,2,3" → "1.0.2.3"); blanks are kept as recorded.
    std::replace(version.begin(), version.end(), ',', '.');
    window_->setText(kAboutVersion, "Version " + version);
    // Without a legal notice the line is left empty.
    window_->setText(kAboutLegalCopyright, platform::verQueryValue(*info, subBlock("LegalCopyright")).value_or(""));
}

}  // namespace lmx::gui
