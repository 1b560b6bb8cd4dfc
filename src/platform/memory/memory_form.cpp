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

MemoryForm::MemoryForm(Faults& faults, std::string name, float twips, int dpi)
    : MemoryControl(faults, std::move(name)), twips_(twips), dpi_(dpi) {
    if (dpi_ != 0) pixels_ = TwipsToPixels(twips, dpi_);
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

WindowHandle MemoryForm::hWnd() const {
    Operation("hWnd");
    return reinterpret_cast<WindowHandle>(this);
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
