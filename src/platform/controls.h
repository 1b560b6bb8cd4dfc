#pragma once

#include <string>

namespace zelvane {

// What the windows' handlers rely on of the window runtime. Every operation may raise
// RuntimeError when the underlying window or control fails.

class TextBox {
  public:
    virtual ~TextBox() = default;
    virtual std::wstring Text() const = 0;
    virtual void SetText(const std::wstring& text) = 0;
};

class ListBox {
  public:
    virtual ~ListBox() = default;
    virtual void Clear() = 0;
    // Appends the text as the last item.
    virtual void AddItem(const std::wstring& text) = 0;
    // Index of the selected item, -1 when none.
    virtual int ListIndex() const = 0;
    virtual std::wstring List(int index) const = 0;
    // Hidden, the list keeps its items, selection and place; no key press, Tab stop or
    // screen reader reaches it until it is shown again.
    virtual void SetVisible(bool visible) = 0;
    // Between BeginUpdate and its EndUpdate (pairs may nest) the list neither repaints nor
    // updates its scroll bar per item: a list filled item by item pays that once, at the end.
    // Visibility is kept as SetVisible left it. EndUpdate never fails: a list whose window
    // is gone has nothing left to show.
    virtual void BeginUpdate() = 0;
    virtual void EndUpdate() noexcept = 0;
};

class CommandButton {
  public:
    virtual ~CommandButton() = default;
    virtual void SetCaption(const std::wstring& caption) = 0;
    virtual void SetEnabled(bool enabled) = 0;
};

// Raises its Timer event every interval (fixed by the form's layout) while enabled.
class Timer {
  public:
    virtual ~Timer() = default;
    virtual void SetEnabled(bool enabled) = 0;
};

class Form {
  public:
    virtual ~Form() = default;
    // Outer height in twips, title bar and borders included. A set takes effect at once;
    // a following get returns the height actually applied. The window applies whole pixels:
    // SetHeight moves it at least one pixel towards a height that differs from the current
    // one, so that an animation's small steps never stall; SnapHeight lands on the pixel
    // nearest the height, as the window was made, so that an animation ends where it began.
    virtual float Height() const = 0;
    virtual void SetHeight(float twips) = 0;
    virtual void SnapHeight(float twips) = 0;
    // Shows the window modeless; the caller goes on at once.
    virtual void Show() = 0;
    // The keyboard focus, by the layout id of the control that has it, 0 for none.
    // While the window is not the active one: the control that gets the focus back when it
    // is, which SetFocus sets without bringing the window forward.
    virtual int FocusedControl() const = 0;
    virtual void SetFocus(int control) = 0;
    // The form's controls by their layout id, the same objects for the form's whole life;
    // an id the layout gives no control of that kind raises a run-time error.
    virtual TextBox& TextBoxControl(int id) = 0;
    virtual ListBox& ListBoxControl(int id) = 0;
    virtual CommandButton& ButtonControl(int id) = 0;
    virtual Timer& TimerControl(int id) = 0;
};

}  // namespace zelvane
