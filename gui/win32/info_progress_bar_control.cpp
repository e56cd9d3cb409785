#include "gui/win32/info_progress_bar_control.h"

#include <algorithm>
#include <mutex>

#include "platform/windows/wide_text.h"

namespace lmx::gui::win32 {

namespace {

struct BarState {
    ProgressView view;
    HFONT font = nullptr;
};

BarState* stateOf(HWND window) { return reinterpret_cast<BarState*>(GetWindowLongPtrW(window, GWLP_USERDATA)); }

COLORREF colourOf(std::uint32_t rgb) {
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

void paint(HWND window, const BarState& state) {
    PAINTSTRUCT paint{};
    HDC context = BeginPaint(window, &paint);
    RECT client{};
    GetClientRect(window, &client);
    FillRect(context, &client, GetSysColorBrush(COLOR_BTNFACE));
    RECT bar = client;
    bar.right = client.left + (client.right - client.left) * std::clamp(state.view.position, 0, 100) / 100;
    HBRUSH fill = CreateSolidBrush(colourOf(state.view.barRgb));
    FillRect(context, &bar, fill);
    DeleteObject(fill);

    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    const auto previous = SelectObject(context, state.font ? state.font : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(context, TRANSPARENT);
    // The text twice, each clipped to its side of the bar's end.
    RECT empty = client;
    empty.left = bar.right;
    for (const auto& [part, colour] : {std::pair{bar, COLOR_HIGHLIGHTTEXT}, std::pair{empty, COLOR_WINDOWTEXT}}) {
        SaveDC(context);
        IntersectClipRect(context, part.left, part.top, part.right, part.bottom);
        SetTextColor(context, GetSysColor(colour));
        RECT all = client;
        DrawTextW(context, text.c_str(), static_cast<int>(text.size()), &all, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        RestoreDC(context, -1);
    }
    SelectObject(context, previous);
    EndPaint(window, &paint);
}

LRESULT CALLBACK barProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NCCREATE: SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new BarState)); break;
        case WM_NCDESTROY:
            delete stateOf(window);
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            break;
        case WM_SETFONT:
            if (BarState* state = stateOf(window)) state->font = reinterpret_cast<HFONT>(wParam);
            return 0;
        case WM_GETFONT: return reinterpret_cast<LRESULT>(stateOf(window) ? stateOf(window)->font : nullptr);
        case WM_ERASEBKGND: return 1;
        case WM_PAINT:
            if (const BarState* state = stateOf(window)) {
                paint(window, *state);
                return 0;
            }
            break;
        case kSetProgressView:
            if (BarState* state = stateOf(window); state && lParam) {
                state->view = *reinterpret_cast<const ProgressView*>(lParam);
                SetWindowTextW(window, platform::win32::widen(state->view.text).c_str());
                InvalidateRect(window, nullptr, TRUE);
            }
            return 0;
        case kGetProgressView:
            if (const BarState* state = stateOf(window); state && lParam) *reinterpret_cast<ProgressView*>(lParam) = state->view;
            return 0;
        default: break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

void registerInfoProgressBarClass() {
    static std::once_flag once;
    std::call_once(once, [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = barProcedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        windowClass.lpszClassName = kInfoProgressBarClass;
        RegisterClassExW(&windowClass);
    });
}

}  // namespace lmx::gui::win32
