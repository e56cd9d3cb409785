// Dialogs created by Windows from the suite's template tables: every control is there with its
// id, class, text and rectangle, the dialog with its caption, as the tables say.

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "fwup/gui/fwup_templates.h"
#include "gui/win32/dialog_memory_template.h"
#include "tests/gui/test_application.h"
#include "platform/windows/wide_text.h"

namespace lmx::gui::win32 {
namespace {

using platform::win32::widen;

// Every kind of control, in each alignment that changes its style.
DialogTemplate everyKind() {
    DialogTemplate dialog;
    dialog.caption = "温度設定";
    dialog.width = 300;
    dialog.height = 200;
    int id = 1000;
    int y = 4;
    for (const ControlKind kind : {ControlKind::Label, ControlKind::ReadOnlyEdit, ControlKind::CheckBox,
                                   ControlKind::DropDownList, ControlKind::PushButton, ControlKind::GroupBox,
                                   ControlKind::TabControl, ControlKind::Tree, ControlKind::ListView,
                                   ControlKind::ProgressBar, ControlKind::Icon}) {
        ControlTemplate control;
        control.id = id++;
        control.kind = kind;
        control.rect = {7, y, 120, 14};
        control.text = "項目 " + std::to_string(control.id);
        control.align = kind == ControlKind::Label ? TextAlign::Right : TextAlign::Center;
        dialog.controls.push_back(control);
        y += 16;
    }
    ControlTemplate unaddressed;
    unaddressed.rect = {140, 4, 60, 8};
    unaddressed.text = "unaddressed";
    dialog.controls.push_back(unaddressed);
    return dialog;
}

std::wstring windowText(HWND window) {
    std::wstring text(512, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

void expectBuiltAsTheTableSays(const DialogTemplate& dialog) {
    SCOPED_TRACE(dialog.caption);
    const auto bytes = memoryTemplate(dialog);
    const HWND window = ::CreateDialogIndirectParamW(
        ::GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(bytes.data()), nullptr,
        [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
    ASSERT_NE(nullptr, window) << "error " << ::GetLastError();
    EXPECT_EQ(widen(dialog.caption), windowText(window));

    std::size_t children = 0;
    for (HWND child = ::GetWindow(window, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) ++children;
    EXPECT_EQ(dialog.controls.size(), children);

    for (const ControlTemplate& control : dialog.controls) {
        if (control.id < 0) continue;
        SCOPED_TRACE(control.id);
        const HWND item = ::GetDlgItem(window, control.id);
        ASSERT_NE(nullptr, item);
        wchar_t className[64] = {};
        ::GetClassNameW(item, className, 64);
        EXPECT_EQ(0, ::lstrcmpiW(controlClassName(control.kind), className)) << platform::win32::narrow(className);

        // The dialog manager converts the origin and the size each on its own, as this does.
        RECT expected{control.rect.x, control.rect.y, control.rect.width, control.rect.height};
        ::MapDialogRect(window, &expected);
        expected.right += expected.left;
        expected.bottom += expected.top;
        RECT actual{};
        ::GetWindowRect(item, &actual);
        ::MapWindowPoints(HWND_DESKTOP, window, reinterpret_cast<POINT*>(&actual), 2);
        EXPECT_EQ(expected.left, actual.left);
        EXPECT_EQ(expected.top, actual.top);
        EXPECT_EQ(expected.right, actual.right);
        // A drop-down list's height is its closed box's, which the system sets.
        if (control.kind != ControlKind::DropDownList) {
            EXPECT_EQ(expected.bottom, actual.bottom);
        }

        const bool showsItsText = control.kind == ControlKind::Label || control.kind == ControlKind::CheckBox ||
                                  control.kind == ControlKind::PushButton || control.kind == ControlKind::GroupBox ||
                                  control.kind == ControlKind::ReadOnlyEdit;
        if (showsItsText) {
            EXPECT_EQ(widen(control.text), windowText(item));
        }
    }
    ::DestroyWindow(window);
}

class DialogMemoryTemplate : public ::testing::Test {
protected:
    static void SetUpTestSuite() { lmx::gui::testing::startGuiForTests(); }
};

TEST_F(DialogMemoryTemplate, EveryKindOfControlIsCreatedWhereTheTableSays) { expectBuiltAsTheTableSays(everyKind()); }

TEST_F(DialogMemoryTemplate, TheFirmwareToolsDialogsAreCreatedFromTheirTables) {
    expectBuiltAsTheTableSays(fwup::gui::mainDialogTemplate());
    expectBuiltAsTheTableSays(fwup::gui::aboutDialogTemplate());
}

}  // namespace
}  // namespace lmx::gui::win32
