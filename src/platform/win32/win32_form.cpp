#include "platform/win32/win32_form.h"

#include <cmath>
#include <new>
#include <string>

#include "platform/colors.h"
#include "platform/form_geometry.h"
#include "platform/runtime_error.h"
#include "platform/twips.h"
#include "platform/win32/win32_accessibility.h"
#include "platform/win32/win32_common_controls.h"
#include "platform/win32/win32_control_window.h"
#include "platform/win32/win32_dpi.h"

namespace zelvane {

namespace {

constexpr wchar_t kFormClass[] = L"ZelvaneForm";
constexpr UINT_PTR kEditSubclass = 1;
constexpr UINT kShownMessage = WM_APP;  // posted to the form by its first Show

void RegisterFormClass(HINSTANCE instance, WNDPROC procedure) {
    WNDCLASSEXW existing = {};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(instance, kFormClass, &existing)) return;

    WNDCLASSEXW formClass = {};
    formClass.cbSize = sizeof formClass;
    formClass.lpfnWndProc = procedure;
    formClass.hInstance = instance;
    formClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    formClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    formClass.lpszClassName = kFormClass;
    RegisterClassExW(&formClass);
}

struct FrameStyle {
    DWORD style;
    DWORD exStyle;
};

// Both borders are fixed (no sizing frame) with a close box and neither a minimise nor a
// maximise box. Neither form shows in the task bar: the tool window never does, and every
// form is owned by the application's hidden window.
FrameStyle StyleOf(BorderStyle border) {
    constexpr DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
    if (border == BorderStyle::kFixedToolWindow) {
        return {style, WS_EX_TOOLWINDOW | WS_EX_WINDOWEDGE};
    }
    return {style, WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE};
}

std::unique_ptr<Win32Control> MakeControl(const ControlSpec& design) {
    switch (design.kind) {
        case ControlKind::kTextBox:
            return std::make_unique<Win32TextBox>(design);
        case ControlKind::kListBox:
            return std::make_unique<Win32ListBox>(design);
        case ControlKind::kCommandButton:
            return std::make_unique<Win32CommandButton>(design);
        case ControlKind::kTimer:
            return std::make_unique<Win32Timer>(design);
        case ControlKind::kFrame:
        case ControlKind::kLabel:
        case ControlKind::kEtchedLine:
            break;
    }
    return std::make_unique<Win32Static>(design);
}

}  // namespace

Win32Form::Win32Form(Win32Application& application, const FormSpec& layout, EventDispatch& dispatch)
    : application_(application), layout_(layout), dispatch_(dispatch) {
    for (const ControlSpec& control : layout_.controls) controls_.push_back(MakeControl(control));
}

Win32Form::~Win32Form() {
    if (window_ != nullptr) DestroyWindow(window_);
}

void Win32Form::Load() {
    if (window_ != nullptr) return;
    Create();
    Raise(kForm, FormEvent::kLoad);
}

void Win32Form::Create() {
    RegisterFormClass(application_.Instance(), &Win32Form::WindowProc);
    shownPosted_ = false;
    FrameStyle frame = StyleOf(layout_.border);
    // Mirrored, the window lays out its controls, its title bar and their text from the
    // right; the controls inherit it.
    if (layout_.rightToLeft) frame.exStyle |= WS_EX_LAYOUTRTL;
    const std::wstring caption(layout_.caption);
    // Made at its size for the system's DPI, which is the window's own in a program that is
    // system DPI aware, as this one is: a resize costs as much as making a control.
    const int systemDpi = WindowDpi(nullptr);
    const SIZE size = DesignSize(systemDpi, frame.style, frame.exStyle);
    // WM_NCCREATE stores the window in window_.
    CreateWindowExW(frame.exStyle, kFormClass, caption.c_str(), frame.style, CW_USEDEFAULT,
                    CW_USEDEFAULT, size.cx, size.cy, application_.Owner(), nullptr,
                    application_.Instance(), this);
    if (window_ == nullptr) throw RuntimeError::OutOfMemory();
    // Made overlapped, the tool window is where the system puts a new window; it becomes a
    // popup, with the same frame, before it is first shown. Wine tells an X window manager
    // that an owned popup is a dialog, which it gives the keyboard when it opens; an
    // ordinary window kept out of the task bar it leaves without.
    if (layout_.border == BorderStyle::kFixedToolWindow) {
        SetWindowLongPtrW(window_, GWL_STYLE, GetWindowLongPtrW(window_, GWL_STYLE) | WS_POPUP);
    }

    // Every length comes from the DPI of the window as made.
    const int dpi = WindowDpi(window_);
    try {
        if (dpi != systemDpi) ApplyDesignSize(dpi);
        SetIcons();
        CreateControls(dpi);
    } catch (...) {
        DestroyWindow(window_);
        throw;
    }
}

SIZE Win32Form::DesignSize(int dpi, DWORD style, DWORD exStyle) const {
    // What the frame adds does not depend on the client area's size.
    RECT frame = {0, 0, 0, 0};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    const PixelSize size =
        OuterSize(layout_, dpi, {frame.right - frame.left, frame.bottom - frame.top});
    return {size.width, size.height};
}

void Win32Form::ApplyDesignSize(int dpi) {
    const SIZE size = DesignSize(dpi, static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_STYLE)),
                                 static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_EXSTYLE)));
    SetWindowPos(window_, nullptr, 0, 0, size.cx, size.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Only the small icon: the big one shows in the task bar and in Alt+Tab, and neither lists a
// tool window or a window with an owner, which every form here is.
void Win32Form::SetIcons() {
    if (layout_.iconResource == 0) return;
    const auto small = static_cast<HICON>(
        LoadImageW(application_.Instance(), MAKEINTRESOURCEW(layout_.iconResource), IMAGE_ICON,
                   GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    if (small != nullptr)
        SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
}

void Win32Form::CreateControls(int dpi) {
    // Made in layout order, which is tab order: the dialog manager tabs in creation order.
    for (const std::unique_ptr<Win32Control>& control : controls_) {
        const ControlSpec& design = control->Design();
        if (design.kind == ControlKind::kTimer) {
            control->Attach(window_);
            continue;
        }
        const HFONT font = fonts_.Get(design.font, dpi);
        const PixelRect pixels = ControlPixels(layout_, design, dpi);
        const RECT bounds = {pixels.left, pixels.top, pixels.right, pixels.bottom};
        const HWND child = CreateControlWindow(design, bounds, window_, application_.Instance());
        if (child == nullptr) throw RuntimeError::OutOfMemory();
        control->Attach(child);
        if (!design.accessibleName.empty())
            SetAccessibleName(child, std::wstring(design.accessibleName));
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        if (design.kind == ControlKind::kTextBox) {
            if (design.maxLength > 0)
                SendMessageW(child, EM_LIMITTEXT, static_cast<WPARAM>(design.maxLength), 0);
            CommonControls().SetWindowSubclass(child, &Win32Form::EditProc, kEditSubclass,
                                               reinterpret_cast<DWORD_PTR>(this));
        }
    }
    for (const std::unique_ptr<Win32Control>& label : controls_) {
        const int named = label->Design().labelFor;
        const Win32Control* control = named != 0 ? ControlById(named) : nullptr;
        if (control != nullptr) PlaceLabelBefore(label->Window(), control->Window());
    }
}

float Win32Form::Height() const {
    const HWND window = LiveWindow();
    RECT rect;
    if (!GetWindowRect(window, &rect)) throw RuntimeError::ObjectRequired();
    return static_cast<float>(PixelsToTwips(rect.bottom - rect.top, WindowDpi(window)));
}

void Win32Form::SetHeight(float twips) {
    ApplyHeight(twips, false);
}

void Win32Form::SnapHeight(float twips) {
    ApplyHeight(twips, true);
}

void Win32Form::ApplyHeight(float twips, bool snap) {
    const HWND window = LiveWindow();
    if (!std::isfinite(twips) || std::fabs(twips) > 1.0e8f) {
        throw RuntimeError::Overflow();
    }
    if (twips < 0) throw RuntimeError::InvalidPropertyValue();
    RECT rect;
    if (!GetWindowRect(window, &rect)) throw RuntimeError::ObjectRequired();
    const int dpi = WindowDpi(window);
    const int pixels =
        snap ? TwipsToPixels(twips, dpi) : HeightToPixels(twips, dpi, rect.bottom - rect.top);
    if (!SetWindowPos(window, nullptr, 0, 0, rect.right - rect.left, pixels,
                      SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE)) {
        throw RuntimeError::InvalidCall();
    }
}

void Win32Form::Show() {
    if (window_ == nullptr) Load();
    const HWND window = LiveWindow();
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    if (!shownPosted_) {
        // Painted now, not when the queue runs dry, so that the window is whole while the
        // Shown handler runs. A posted message is taken before any click or key, however
        // early those arrive, and the handler runs to its end before the next message is
        // taken.
        UpdateWindow(window);
        shownPosted_ = true;
        if (!PostMessageW(window, kShownMessage, 0, 0)) Raise(kForm, FormEvent::kShown);
    }
}

int Win32Form::FocusedControl() const {
    const HWND window = LiveWindow();
    const HWND focus = GetActiveWindow() == window ? GetFocus() : focus_;
    const Win32Control* control = ControlFor(focus);
    return control != nullptr ? control->Design().id : kForm;
}

// SetFocus on a window that is not the active one would activate it, in front of the About
// window, say: the control is kept for the next activation instead.
void Win32Form::SetFocus(int control) {
    const HWND window = LiveWindow();
    const Win32Control* target = ControlById(control);
    if (target == nullptr || target->Window() == nullptr) throw RuntimeError::ObjectRequired();
    if (GetActiveWindow() != window) {
        focus_ = target->Window();
    } else if (::SetFocus(target->Window()) == nullptr && GetFocus() != target->Window()) {
        throw RuntimeError::InvalidCall();
    }
}

TextBox& Win32Form::TextBoxControl(int id) {
    return Control<Win32TextBox>(id);
}
ListBox& Win32Form::ListBoxControl(int id) {
    return Control<Win32ListBox>(id);
}
CommandButton& Win32Form::ButtonControl(int id) {
    return Control<Win32CommandButton>(id);
}
Timer& Win32Form::TimerControl(int id) {
    return Control<Win32Timer>(id);
}

template <typename T>
T& Win32Form::Control(int id) {
    Win32Control* control = ControlById(id);
    if (control != nullptr && control->Design().kind == T::kKind) return static_cast<T&>(*control);
    throw RuntimeError::ObjectRequired();  // the layout has no such control
}

HWND Win32Form::LiveWindow() const {
    if (window_ == nullptr || !IsWindow(window_)) throw RuntimeError::ObjectRequired();
    return window_;
}

Win32Control* Win32Form::ControlById(int id) const {
    for (const std::unique_ptr<Win32Control>& control : controls_) {
        if (control->Design().id == id) return control.get();
    }
    return nullptr;
}

Win32Control* Win32Form::ControlFor(HWND window) const {
    if (window == nullptr) return nullptr;
    for (const std::unique_ptr<Win32Control>& control : controls_) {
        if (control->Window() == window && control->Design().kind != ControlKind::kTimer) {
            return control.get();
        }
    }
    return nullptr;
}

LRESULT CALLBACK Win32Form::WindowProc(HWND window, UINT message, WPARAM wParam,
                                       LPARAM lParam) noexcept {
    Win32Form* form = nullptr;
    if (message == WM_NCCREATE) {
        form = static_cast<Win32Form*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        // Without memory to count the form among the open ones, the window is not made.
        try {
            form->application_.FormOpened(window);
        } catch (const std::bad_alloc&) {
            return FALSE;
        }
        form->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    } else {
        form = reinterpret_cast<Win32Form*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    }
    if (form == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    return form->HandleMessage(window, message, wParam, lParam);
}

LRESULT Win32Form::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            OnCommand(wParam, lParam);
            return 0;
        case WM_TIMER:
            OnTimer(wParam);
            return 0;
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORSTATIC:
            return OnCtlColor(message, wParam, lParam);
        case WM_SETCURSOR:
            if (OnSetCursor(reinterpret_cast<HWND>(wParam), lParam)) return TRUE;
            break;
        case WM_ACTIVATE:
            OnActivate(wParam);
            return 0;
        case DM_GETDEFID:
            return DefaultButton();
        case WM_SYSCOLORCHANGE:
        case WM_SETTINGCHANGE:
            OnSystemSettingChange(message, wParam, lParam);
            break;
        case kShownMessage:
            Raise(kForm, FormEvent::kShown);
            return 0;
        case WM_DESTROY:
            OnDestroy();
            break;
        case WM_NCDESTROY:
            // The controls' windows are gone by now, so their fonts can go too.
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            window_ = nullptr;
            focus_ = nullptr;
            fonts_.Clear();
            application_.FormClosed(window);
            break;
        default:
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void Win32Form::OnCommand(WPARAM wParam, LPARAM lParam) {
    const Win32Control* control = ControlFor(reinterpret_cast<HWND>(lParam));
    if (control == nullptr) return;
    const ControlSpec& design = control->Design();
    const UINT code = HIWORD(wParam);
    // Only the notifications the handlers know; the dialog manager also sends IDOK for Enter
    // where no button is the default, which lands on whatever control has that id.
    switch (design.kind) {
        case ControlKind::kCommandButton:
            if (code == BN_CLICKED) Raise(design.id, FormEvent::kClick);
            break;
        case ControlKind::kListBox:
            if (code == LBN_SELCHANGE) Raise(design.id, FormEvent::kClick);
            if (code == LBN_DBLCLK) Raise(design.id, FormEvent::kDblClick);
            break;
        case ControlKind::kLabel:
            if (code == STN_CLICKED && design.clickable) Raise(design.id, FormEvent::kClick);
            break;
        default:
            break;
    }
}

void Win32Form::OnTimer(WPARAM id) {
    for (const std::unique_ptr<Win32Control>& control : controls_) {
        if (control->Design().kind != ControlKind::kTimer ||
            static_cast<WPARAM>(control->Design().id) != id) {
            continue;
        }
        auto& timer = static_cast<Win32Timer&>(*control);
        // A tick already queued when the timer was stopped is not delivered.
        if (timer.Enabled() && events_ != nullptr) {
            dispatch_.Raise(*events_, control->Design().id, FormEvent::kTimer, &timer);
        }
        return;
    }
}

LRESULT Win32Form::OnCtlColor(UINT message, WPARAM wParam, LPARAM lParam) {
    const HDC dc = reinterpret_cast<HDC>(wParam);
    // The system's colors first; the layout's colors replace what it sets.
    const LRESULT standard = DefWindowProcW(window_, message, wParam, lParam);
    Win32Control* control = ControlFor(reinterpret_cast<HWND>(lParam));
    if (control == nullptr) return standard;
    const ControlSpec& design = control->Design();
    const DrawnColors colors = ColorsOf(design, dispatch_.runtime());

    if (design.kind == ControlKind::kLabel) {
        // Labels are transparent: the form or frame shows through around the text.
        if (HasColor(colors.fore)) SetTextColor(dc, ToColorRef(colors.fore));
        SetBkMode(dc, TRANSPARENT);
        return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
    }
    if (design.kind != ControlKind::kTextBox && design.kind != ControlKind::kListBox)
        return standard;
    if (HasColor(colors.fore)) SetTextColor(dc, ToColorRef(colors.fore));
    if (!HasColor(colors.back)) return standard;
    SetBkColor(dc, ToColorRef(colors.back));
    return reinterpret_cast<LRESULT>(control->BackgroundBrush());
}

bool Win32Form::OnSetCursor(HWND over, LPARAM lParam) {
    if (LOWORD(lParam) != HTCLIENT) return false;
    const Win32Control* control = ControlFor(over);
    if (control == nullptr || !control->Design().upArrowPointer) return false;
    SetCursor(LoadCursorW(nullptr, IDC_UPARROW));
    return true;
}

// Asked by the dialog manager when Enter is pressed: the focused button is the default one,
// so Enter presses it, as Space does; in a text box Enter presses the layout's default
// button (which still asks whatever it asks before acting).
LRESULT Win32Form::DefaultButton() const {
    const Win32Control* focused = ControlFor(GetFocus());
    if (focused == nullptr) return 0;
    const ControlSpec& design = focused->Design();
    if (design.kind == ControlKind::kCommandButton) return MAKELRESULT(design.id, DC_HASDEFID);
    if (design.kind == ControlKind::kTextBox && layout_.defaultButton != 0) {
        return MAKELRESULT(layout_.defaultButton, DC_HASDEFID);
    }
    return 0;
}

// The form keeps its focused control across deactivation, as a dialog does; the first
// activation puts the focus on the first control in tab order.
void Win32Form::OnActivate(WPARAM wParam) {
    if (LOWORD(wParam) == WA_INACTIVE) {
        const HWND focus = GetFocus();
        if (focus != nullptr && IsChild(window_, focus)) focus_ = focus;
        return;
    }
    if (HIWORD(wParam) != 0) return;  // minimised
    HWND target = focus_;
    if (target == nullptr || !IsWindow(target) || !IsWindowEnabled(target) ||
        !IsWindowVisible(target)) {
        target = GetNextDlgTabItem(window_, nullptr, FALSE);
    }
    if (target != nullptr) ::SetFocus(target);
}

// High contrast turned on or off, or the system's colors changed: the controls hear of it
// too, as only top-level windows are told, and everything is drawn again in the colors
// that now apply.
void Win32Form::OnSystemSettingChange(UINT message, WPARAM wParam, LPARAM lParam) {
    for (const std::unique_ptr<Win32Control>& control : controls_) {
        const HWND child = control->Window();
        if (child != nullptr && control->Design().kind != ControlKind::kTimer)
            SendMessageW(child, message, wParam, lParam);
    }
    RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void Win32Form::OnDestroy() {
    for (const std::unique_ptr<Win32Control>& control : controls_) control->Detach();
}

LRESULT CALLBACK Win32Form::EditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR /*subclass*/, DWORD_PTR form) noexcept {
    if (message == WM_CHAR) {
        if (!reinterpret_cast<Win32Form*>(form)->OnChar(edit, wParam)) return 0;
    } else if (message == WM_NCDESTROY) {
        CommonControls().RemoveWindowSubclass(edit, &Win32Form::EditProc, kEditSubclass);
    }
    return CommonControls().DefSubclassProc(edit, message, wParam, lParam);
}

// The typed UTF-16 code unit goes to KeyPress as a signed 16-bit code; the handler may
// change it, or set it to 0 to drop the keystroke. Returns false to drop it.
bool Win32Form::OnChar(HWND edit, WPARAM& code) {
    if (events_ == nullptr) return true;
    auto keyCode = static_cast<std::int16_t>(static_cast<std::uint16_t>(code));
    dispatch_.KeyPress(*events_, GetDlgCtrlID(edit), keyCode);
    if (keyCode == 0) return false;
    code = static_cast<std::uint16_t>(keyCode);
    return true;
}

void Win32Form::Raise(int control, FormEvent event) {
    if (events_ != nullptr) dispatch_.Raise(*events_, control, event);
}

}  // namespace zelvane
