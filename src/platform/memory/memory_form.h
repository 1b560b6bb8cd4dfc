#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/controls.h"
#include "platform/form_layout.h"
#include "platform/memory/faults.h"

namespace zelvane {

// Controls held in memory. Each operation is counted by the shared Faults and raises a
// run-time error when it is the one chosen to fail.

class MemoryControl {
  public:
    MemoryControl(Faults& faults, std::string name) : faults_(faults), name_(std::move(name)) {}
    virtual ~MemoryControl() = default;

  protected:
    void Operation(const char* what) const;

  private:
    Faults& faults_;
    std::string name_;
};

class MemoryTextBox : public TextBox, public MemoryControl {
  public:
    static constexpr ControlKind kKind = ControlKind::kTextBox;
    using MemoryControl::MemoryControl;
    std::wstring Text() const override;
    void SetText(const std::wstring& text) override;

    std::wstring text;
    mutable int reads = 0;
};

class MemoryListBox : public ListBox, public MemoryControl {
  public:
    static constexpr ControlKind kKind = ControlKind::kListBox;
    using MemoryControl::MemoryControl;
    void Clear() override;
    void AddItem(const std::wstring& text) override;
    int ListIndex() const override;
    // -1 gives an empty text; any other index outside the list is a run-time error.
    std::wstring List(int index) const override;
    void SetVisible(bool value) override;
    void BeginUpdate() override;
    void EndUpdate() noexcept override;

    std::vector<std::wstring> items;
    int updating = 0;           // updates begun and not yet ended
    int addedWhileDrawing = 0;  // items added outside an update, each repainted
    int selected = -1;
    bool visible = true;
};

class MemoryButton : public CommandButton, public MemoryControl {
  public:
    static constexpr ControlKind kKind = ControlKind::kCommandButton;
    using MemoryControl::MemoryControl;
    void SetCaption(const std::wstring& text) override;
    void SetEnabled(bool value) override;

    std::wstring caption;
    bool enabled = true;
};

class MemoryTimer : public Timer, public MemoryControl {
  public:
    static constexpr ControlKind kKind = ControlKind::kTimer;
    using MemoryControl::MemoryControl;
    void SetEnabled(bool value) override;

    bool enabled = false;
};

// A window whose height is applied exactly, or, with a DPI, rounded to whole pixels the
// way a real window is. Its controls are made from the layout, named as it names them;
// labels, frames and lines have no operations and are only counted as there.
class MemoryForm : public Form, public MemoryControl {
  public:
    // Starts at the layout's outer height. The layout must outlive the form.
    MemoryForm(Faults& faults, const FormSpec& layout, int dpi = 0);

    float Height() const override;
    void SetHeight(float twips) override;
    void SnapHeight(float twips) override;
    void Show() override;
    int FocusedControl() const override;
    void SetFocus(int control) override;
    MemoryTextBox& TextBoxControl(int id) override;
    MemoryListBox& ListBoxControl(int id) override;
    MemoryButton& ButtonControl(int id) override;
    MemoryTimer& TimerControl(int id) override;

    std::vector<float> heightsSet;  // by SetHeight and SnapHeight
    int shown = 0;
    int focused = 0;  // a control's layout id

  private:
    void ApplyHeight(const char* operation, float twips, bool snap);
    template <typename T>
    T& Control(int id);

    const FormSpec& layout_;
    std::vector<std::unique_ptr<MemoryControl>> controls_;  // in layout order

    float twips_;
    int dpi_;
    int pixels_ = 0;
};

}  // namespace zelvane
