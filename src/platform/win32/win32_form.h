#pragma once

#include <memory>
#include <vector>

#include <windows.h>

#include "platform/controls.h"
#include "platform/event_dispatch.h"
#include "platform/form_layout.h"
#include "platform/win32/win32_application.h"
#include "platform/win32/win32_controls.h"
#include "platform/win32/win32_font.h"

namespace zelvane {

// A top-level window and its controls, built from a layout. The window is made when the
// form is loaded, and made again when the form is shown after the user closed it; each
// time it raises Load before it is first shown, and Shown once it has been shown and
// painted, before it handles any input. Its controls' events go to the handlers
// set with SetEvents, through the dispatch that turns a handler's run-time error into a
// report. The layout must outlive the form. A control's window has the control's layout id
// as its child id.
class Win32Form : public Form {
  public:
    Win32Form(Win32Application& application, const FormSpec& layout, EventDispatch& dispatch);
    ~Win32Form() override;
    Win32Form(const Win32Form&) = delete;
    Win32Form& operator=(const Win32Form&) = delete;

    void SetEvents(FormEvents* events) { events_ = events; }

    // Makes the window and its controls and raises Load, unless the window exists.
    void Load();

    float Height() const override;
    void SetHeight(float twips) override;
    void SnapHeight(float twips) override;
    void Show() override;
    int FocusedControl() const override;
    void SetFocus(int control) override;

    TextBox& TextBoxControl(int id) override;
    ListBox& ListBoxControl(int id) override;
    CommandButton& ButtonControl(int id) override;
    Timer& TimerControl(int id) override;

    // The form's window, null while it is not loaded.
    HWND Window() const { return window_; }

  private:
    // No exception leaves a window procedure: the events go through the dispatch, which
    // lets none out, and what else could fail is caught where it happens.
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam,
                                       LPARAM lParam) noexcept;
    static LRESULT CALLBACK EditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR subclass, DWORD_PTR form) noexcept;

    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Create();
    void CreateControls(int dpi);
    // The outer size of the window at the given DPI, with the given frame styles.
    SIZE DesignSize(int dpi, DWORD style, DWORD exStyle) const;
    void ApplyDesignSize(int dpi);
    void ApplyHeight(float twips, bool snap);
    void SetIcons();
    void OnCommand(WPARAM wParam, LPARAM lParam);
    void OnTimer(WPARAM id);
    LRESULT OnCtlColor(UINT message, WPARAM wParam, LPARAM lParam);
    bool OnSetCursor(HWND over, LPARAM lParam);
    void OnActivate(WPARAM wParam);
    LRESULT DefaultButton() const;
    void OnSystemSettingChange(UINT message, WPARAM wParam, LPARAM lParam);
    void OnDestroy();
    bool OnChar(HWND edit, WPARAM& code);
    void Raise(int control, FormEvent event);

    HWND LiveWindow() const;
    Win32Control* ControlFor(HWND window) const;
    Win32Control* ControlById(int id) const;
    template <typename T>
    T& Control(int id);

    Win32Application& application_;
    const FormSpec& layout_;
    EventDispatch& dispatch_;
    FormEvents* events_ = nullptr;
    std::vector<std::unique_ptr<Win32Control>> controls_;  // in layout order
    FontSet fonts_;
    HWND window_ = nullptr;
    HWND focus_ = nullptr;      // the control that had the focus when the form was deactivated
    bool shownPosted_ = false;  // this window's Shown is on its way or raised
};

}  // namespace zelvane
