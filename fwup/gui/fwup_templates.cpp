#include "fwup/gui/fwup_templates.h"

#include "fwup/core/tool_version.h"

namespace fwup::gui {

using lmx::gui::ControlKind;
using lmx::gui::DialogTemplate;
using lmx::gui::KeyPolicy;
using lmx::gui::TextAlign;

namespace {

constexpr int kUnaddressed = -1;

}  // namespace

DialogTemplate mainDialogTemplate() {
    DialogTemplate dialog;
    dialog.id = kMainDialogTemplate;
    dialog.caption = "LMX Duocard Firmware Update Tool";
    dialog.width = 317;
    dialog.height = 178;
    dialog.font = {"MS UI Gothic", 9};
    // Enter does nothing (the dialog's OK handling is empty), Esc is swallowed, the close box
    // ends the dialog.
    dialog.keys = KeyPolicy{std::nullopt, std::nullopt, 2};
    // In tab order. The two captions are wider than their Windows rectangles: the dialog font
    // here sets Latin letters at a fixed width, which needs more room than the original's
    // proportional face.
    dialog.controls = {
        {kDeviceList, ControlKind::ListView, {2, 12, 313, 87}, "", TextAlign::Left, false, std::nullopt},
        {kPathBox, ControlKind::ReadOnlyEdit, {2, 112, 262, 12}, "", TextAlign::Left, false, std::nullopt},
        {kBrowseButton, ControlKind::PushButton, {269, 111, 47, 14}, "&Browse...", TextAlign::Left, false,
         std::nullopt},
        {kUpdateButton, ControlKind::PushButton, {269, 127, 47, 33}, "&Update", TextAlign::Left, false, std::nullopt},
        {kUnaddressed, ControlKind::Label, {4, 3, 60, 8}, "Target Device:", TextAlign::Left, false, std::nullopt},
        {kUnaddressed, ControlKind::Label, {2, 103, 70, 8}, "Binary File Path:", TextAlign::Left, false, std::nullopt},
        {kProgressText, ControlKind::Label, {152, 136, 76, 8}, "", TextAlign::Left, false, std::nullopt},
        {kCancelButton, ControlKind::PushButton, {269, 162, 46, 14}, "&Cancel", TextAlign::Left, false, std::nullopt},
    };
    return dialog;
}

DialogTemplate aboutDialogTemplate() {
    DialogTemplate about;
    about.id = kAboutDialogTemplate;
    about.caption = "バージョン情報 LMXDuo_fwupTool";
    about.width = 235;
    about.height = 55;
    about.font = {"MS UI Gothic", 9};
    about.keys = KeyPolicy::standard();
    about.controls = {
        {kAboutIcon, ControlKind::Icon, {11, 17, 20, 20}, "", TextAlign::Left, false, std::nullopt},
        {kAboutVersionText, ControlKind::Label, {40, 10, 134, 8}, kAboutVersionLine, TextAlign::Left, false,
         std::nullopt},
        {kAboutSecondLine, ControlKind::Label, {40, 25, 134, 8}, kAboutSecondLineText, TextAlign::Left, false,
         std::nullopt},
        {kAboutOk, ControlKind::PushButton, {178, 7, 50, 16}, "OK", TextAlign::Left, true, 1},
    };
    return about;
}

}  // namespace fwup::gui
