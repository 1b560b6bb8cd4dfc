#include "platform/memory/memory_form.h"

#include "platform/runtime_error.h"
#include "platform/twips.h"

namespace zelvane {

void MemoryControl::Operation(const char* what) const {
    if (faults_.Next(name_ + "." + what)) throw RuntimeError::InvalidCall();
}

std::wstring MemoryTextBox::Text() const {
    Operation("Text");
    ++reads;
    return text;
}

void MemoryTextBox::SetText(const std::wstring& value) {
    Operation("SetText");
    text = value;
}

void MemoryListBox::Clear() {
    Operation("Clear");
    items.clear();
    selected = -1;
}

void MemoryListBox::AddItem(const std::wstring& text) {
    Operation("AddItem");
    items.push_back(text);
    if (updating == 0) ++addedWhileDrawing;
}

int MemoryListBox::ListIndex() const {
    Operation("ListIndex");
    return selected;
}

std::wstring MemoryListBox::List(int index) const {
    Operation("List");
    if (index == -1) return {};
    if (index < 0 || index >= static_cast<int>(items.size())) {
        throw RuntimeError::InvalidPropertyIndex();
    }
    return items[static_cast<std::size_t>(index)];
}

void MemoryListBox::BeginUpdate() {
    Operation("BeginUpdate");
    ++updating;
}

void MemoryListBox::EndUpdate() noexcept {
    if (updating > 0) --updating;
}

void MemoryListBox::SetVisible(bool value) {
    Operation("SetVisible");
    visible = value;
}

void MemoryButton::SetCaption(const std::wstring& text) {
    Operation("SetCaption");
    caption = text;
}

void MemoryButton::SetEnabled(bool value) {
    Operation("SetEnabled");
    enabled = value;
}

void MemoryTimer::SetEnabled(bool value) {
    Operation("SetEnabled");
    enabled = value;
}

namespace {

// Designer names are plain ASCII.
std::string Narrow(std::wstring_view name) {
    std::string narrow;
    for (const wchar_t ch : name) narrow += static_cast<char>(ch);
    return narrow;
}

std::unique_ptr<MemoryControl> MakeControl(Faults& faults, const ControlSpec& design) {
    std::string name = Narrow(design.name);
    switch (design.kind) {
        case ControlKind::kTextBox:
            return std::make_unique<MemoryTextBox>(faults, std::move(name));
        case ControlKind::kListBox:
            return std::make_unique<MemoryListBox>(faults, std::move(name));
        case ControlKind::kCommandButton:
            return std::make_unique<MemoryButton>(faults, std::move(name));
        case ControlKind::kTimer:
            return std::make_unique<MemoryTimer>(faults, std::move(name));
        case ControlKind::kFrame:
        case ControlKind::kLabel:
        case ControlKind::kEtchedLine:
            break;
    }
    return std::make_unique<MemoryControl>(faults, std::move(name));
}

}  // namespace

MemoryForm::MemoryForm(Faults& faults, const FormSpec& layout, int dpi)
    : MemoryControl(faults, Narrow(layout.name)),
      layout_(layout),
      twips_(static_cast<float>(layout.outerHeight)),
      dpi_(dpi) {
    for (const ControlSpec& control : layout_.controls)
        controls_.push_back(MakeControl(faults, control));
    if (dpi_ != 0) pixels_ = TwipsToPixels(twips_, dpi_);
}

MemoryTextBox& MemoryForm::TextBoxControl(int id) {
    return Control<MemoryTextBox>(id);
}
MemoryListBox& MemoryForm::ListBoxControl(int id) {
    return Control<MemoryListBox>(id);
}
MemoryButton& MemoryForm::ButtonControl(int id) {
    return Control<MemoryButton>(id);
}
MemoryTimer& MemoryForm::TimerControl(int id) {
    return Control<MemoryTimer>(id);
}

template <typename T>
T& MemoryForm::Control(int id) {
    for (std::size_t index = 0; index < controls_.size(); ++index) {
        const ControlSpec& design = layout_.controls[index];
        if (design.id == id && design.kind == T::kKind) return static_cast<T&>(*controls_[index]);
    }
    throw RuntimeError::ObjectRequired();  // the layout has no such control
}

float MemoryForm::Height() const {
    Operation("Height");
    if (dpi_ == 0) return twips_;
    return static_cast<float>(PixelsToTwips(pixels_, dpi_));
}

void MemoryForm::SetHeight(float twips) {
    ApplyHeight("SetHeight", twips, false);
}

void MemoryForm::SnapHeight(float twips) {
    ApplyHeight("SnapHeight", twips, true);
}

void MemoryForm::ApplyHeight(const char* operation, float twips, bool snap) {
    Operation(operation);
    heightsSet.push_back(twips);
    if (dpi_ == 0) {
        twips_ = twips;
    } else {
        pixels_ = snap ? TwipsToPixels(twips, dpi_) : HeightToPixels(twips, dpi_, pixels_);
    }
}

void MemoryForm::Show() {
    Operation("Show");
    ++shown;
}

int MemoryForm::FocusedControl() const {
    Operation("FocusedControl");
    return focused;
}

void MemoryForm::SetFocus(int control) {
    Operation("SetFocus");
    focused = control;
}

}  // namespace zelvane
