#include "platform/win32/win32_controls.h"

#include "platform/runtime_error.h"
#include "platform/win32/win32_accessibility.h"

namespace zelvane {

bool HasColor(std::uint32_t color) {
    return color != kSystemColor;
}

COLORREF ToColorRef(std::uint32_t color) {
    if ((color & 0x80000000u) != 0) return GetSysColor(static_cast<int>(color & 0xFFu));
    return static_cast<COLORREF>(color & 0x00FFFFFFu);
}

Win32Control::~Win32Control() {
    if (background_ != nullptr) DeleteObject(background_);
}

HBRUSH Win32Control::BackgroundBrush() {
    if (background_ == nullptr) background_ = CreateSolidBrush(ToColorRef(design_.backColor));
    return background_;
}

HWND Win32Control::LiveWindow() const {
    if (window_ == nullptr || !IsWindow(window_)) {
        throw RuntimeError::ObjectRequired();
    }
    return window_;
}

std::wstring Win32TextBox::Text() const {
    const HWND edit = LiveWindow();
    const int length = GetWindowTextLengthW(edit);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(edit, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(copied));
    return text;
}

void Win32TextBox::SetText(const std::wstring& text) {
    if (!SetWindowTextW(LiveWindow(), text.c_str())) throw RuntimeError::InvalidCall();
}

void Win32ListBox::Attach(HWND window) {
    Win32Control::Attach(window);
    visible_ = true;
    updates_ = 0;
}

// A list box that may redraw updates its scroll bar for every item added, which under Wine
// costs about as much as reading the item from the registry.
void Win32ListBox::BeginUpdate() {
    const HWND list = LiveWindow();
    if (updates_++ == 0) SendMessageW(list, WM_SETREDRAW, FALSE, 0);
}

void Win32ListBox::EndUpdate() noexcept {
    if (updates_ == 0 || --updates_ > 0) return;
    const HWND list = Window();
    if (list == nullptr || !IsWindow(list)) return;
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    // Where a window leaves WM_SETREDRAW to the default handling, turning redraw on also
    // makes it visible: a hidden list is hidden again before anything is painted.
    if (visible_) {
        InvalidateRect(list, nullptr, TRUE);
    } else {
        ShowWindow(list, SW_HIDE);
    }
}

void Win32ListBox::Clear() {
    SendMessageW(LiveWindow(), LB_RESETCONTENT, 0, 0);
}

void Win32ListBox::AddItem(const std::wstring& text) {
    const LRESULT added =
        SendMessageW(LiveWindow(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (added == LB_ERRSPACE) throw RuntimeError::OutOfMemory();
    if (added == LB_ERR) throw RuntimeError::InvalidCall();
}

int Win32ListBox::ListIndex() const {
    // LB_ERR is -1, which is also "no selection".
    return static_cast<int>(SendMessageW(LiveWindow(), LB_GETCURSEL, 0, 0));
}

std::wstring Win32ListBox::List(int index) const {
    const HWND list = LiveWindow();
    if (index == -1) return {};
    if (index < 0) throw RuntimeError::InvalidPropertyIndex();
    const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR) throw RuntimeError::InvalidPropertyIndex();
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT copied = SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index),
                                        reinterpret_cast<LPARAM>(text.data()));
    if (copied == LB_ERR) throw RuntimeError::InvalidPropertyIndex();
    text.resize(static_cast<std::size_t>(copied));
    return text;
}

// Hiding is what takes a control out of reach everywhere at once: the dialog manager's Tab,
// Shift+Tab and arrow keys skip a hidden control, and the accessibility proxies report it
// invisible. Disabling instead would leave the list announced as "unavailable" and draw it
// greyed. Only the list's window goes: its frame, and so the window's look, stay as they
// are, and the items and the selection stay in the control.
void Win32ListBox::SetVisible(bool visible) {
    const HWND list = LiveWindow();
    ShowWindow(list, visible ? SW_SHOWNA : SW_HIDE);
    visible_ = visible;
}

// A button whose caption is a symbol is named by what it does, for a screen reader.
void Win32CommandButton::Attach(HWND window) {
    Win32Control::Attach(window);
    if (window != nullptr && HasSpokenNames(Design()))
        SetAccessibleName(window, std::wstring(SpokenName(Design(), Design().caption)));
}

void Win32CommandButton::SetCaption(const std::wstring& caption) {
    const HWND button = LiveWindow();
    if (!SetWindowTextW(button, caption.c_str())) throw RuntimeError::InvalidCall();
    if (HasSpokenNames(Design()))
        SetAccessibleName(button, std::wstring(SpokenName(Design(), caption)));
}

void Win32CommandButton::SetEnabled(bool enabled) {
    const HWND button = LiveWindow();
    // A disabled window cannot keep the keyboard focus: hand it on to the next control in
    // tab order, as a dialog does, so that the keyboard still reaches the form.
    if (!enabled && GetFocus() == button) {
        const HWND next = GetNextDlgTabItem(GetParent(button), button, FALSE);
        if (next != nullptr && next != button) SetFocus(next);
    }
    EnableWindow(button, enabled ? TRUE : FALSE);
}

void Win32Timer::Attach(HWND form) {
    Win32Control::Attach(form);
    enabled_ = false;
}

void Win32Timer::SetEnabled(bool enabled) {
    const HWND form = LiveWindow();
    if (enabled == enabled_) return;
    const auto id = static_cast<UINT_PTR>(Design().id);
    if (!enabled) {
        KillTimer(form, id);
    } else if (Design().interval > 0) {
        // An interval of 0 never ticks, enabled or not.
        if (SetTimer(form, id, static_cast<UINT>(Design().interval), nullptr) == 0) {
            throw RuntimeError::OutOfMemory();
        }
    }
    enabled_ = enabled;
}

}  // namespace zelvane
