#include "platform/win32/win32_control_window.h"

#include <string>

namespace zelvane {

namespace {

struct WindowKind {
    const wchar_t* className;
    DWORD style;
    DWORD exStyle;
};

WindowKind KindOf(const ControlSpec& control) {
    switch (control.kind) {
        case ControlKind::kFrame:
            // A captionless frame draws its border along its bounds, so its top edge lies
            // on its top line: an etched static. A group box would leave a gap for a caption
            // at the top.
            return {L"STATIC", SS_ETCHEDFRAME, 0};
        case ControlKind::kTextBox:
            return {L"EDIT", ES_LEFT | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
        case ControlKind::kCommandButton:
            return {L"BUTTON", BS_PUSHBUTTON, 0};
        case ControlKind::kListBox:
            return {L"LISTBOX", LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL, WS_EX_CLIENTEDGE};
        case ControlKind::kEtchedLine:
            return {L"STATIC", SS_ETCHEDHORZ, 0};
        case ControlKind::kLabel:
        case ControlKind::kTimer:
            break;
    }
    // Labels that react to the mouse need SS_NOTIFY: without it a static is transparent
    // to clicks and to the pointer.
    const bool mouse = control.clickable || control.upArrowPointer;
    return {L"STATIC", static_cast<DWORD>(SS_LEFT | (mouse ? SS_NOTIFY : 0)), 0};
}

}  // namespace

HWND CreateControlWindow(const ControlSpec& control, const RECT& bounds, HWND form,
                         HINSTANCE instance) {
    const WindowKind kind = KindOf(control);
    DWORD style = WS_CHILD | WS_VISIBLE | kind.style;
    if (TakesFocus(control.kind)) style |= WS_TABSTOP;
    const std::wstring text(control.caption);
    const int width = bounds.right - bounds.left;
    const int height = bounds.bottom - bounds.top;
    const HWND window = CreateWindowExW(
        kind.exStyle, kind.className, text.c_str(), style, bounds.left, bounds.top, width, height,
        form, reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), instance, nullptr);
    // An etched static line takes a sunken edge when made and grows its window by that edge
    // around the size asked for, two pixels wider: it is put back to its bounds.
    if (window != nullptr && control.kind == ControlKind::kEtchedLine) {
        SetWindowPos(window, nullptr, 0, 0, width, height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return window;
}

}  // namespace zelvane
