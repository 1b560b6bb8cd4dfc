#pragma once

#include <windows.h>

#include "platform/controls.h"
#include "platform/form_layout.h"

namespace zelvane {

// One control of a form: its layout entry and, while the form's window exists, its window.
// The object outlives the window, so a form that the user closed and that is shown again
// keeps handing out the same controls. An operation on a control whose window is gone
// raises a run-time error.
class Win32Control {
  public:
    explicit Win32Control(const ControlSpec& design) : design_(design) {}
    virtual ~Win32Control();
    Win32Control(const Win32Control&) = delete;
    Win32Control& operator=(const Win32Control&) = delete;

    const ControlSpec& Design() const { return design_; }
    HWND Window() const { return window_; }
    virtual void Attach(HWND window) { window_ = window; }
    void Detach() { window_ = nullptr; }

    // Brush for the background color of the layout, made on first use.
    HBRUSH BackgroundBrush();

  protected:
    HWND LiveWindow() const;

  private:
    const ControlSpec& design_;
    HWND window_ = nullptr;
    HBRUSH background_ = nullptr;
};

class Win32TextBox : public Win32Control, public TextBox {
  public:
    static constexpr ControlKind kKind = ControlKind::kTextBox;
    using Win32Control::Win32Control;
    std::wstring Text() const override;
    void SetText(const std::wstring& text) override;
};

class Win32ListBox : public Win32Control, public ListBox {
  public:
    static constexpr ControlKind kKind = ControlKind::kListBox;
    using Win32Control::Win32Control;
    // A new window starts shown, as the layout makes it.
    void Attach(HWND window) override;
    void Clear() override;
    void AddItem(const std::wstring& text) override;
    int ListIndex() const override;
    // -1 gives an empty text; any other index outside the list is a run-time error.
    std::wstring List(int index) const override;
    void SetVisible(bool visible) override;
    void BeginUpdate() override;
    void EndUpdate() noexcept override;

  private:
    bool visible_ = true;
    int updates_ = 0;  // BeginUpdate calls not yet ended
};

class Win32CommandButton : public Win32Control, public CommandButton {
  public:
    static constexpr ControlKind kKind = ControlKind::kCommandButton;
    using Win32Control::Win32Control;
    void Attach(HWND window) override;
    void SetCaption(const std::wstring& caption) override;
    void SetEnabled(bool enabled) override;
};

// A timer has no window of its own: it ticks on the form's window, under its control id.
class Win32Timer : public Win32Control, public Timer {
  public:
    static constexpr ControlKind kKind = ControlKind::kTimer;
    using Win32Control::Win32Control;
    // A new window starts with the timer disabled, as the layout has it.
    void Attach(HWND form) override;
    void SetEnabled(bool enabled) override;
    bool Enabled() const { return enabled_; }

  private:
    bool enabled_ = false;
};

// Labels, frames and lines: no operations, only their window.
class Win32Static : public Win32Control {
  public:
    using Win32Control::Win32Control;
};

// An OLE color (&HBBGGRR, or a system color with the high bit set) as a COLORREF.
bool HasColor(std::uint32_t color);
COLORREF ToColorRef(std::uint32_t color);

}  // namespace zelvane
