#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace zelvane {

// A form as the designer laid it out: what the window runtime builds a real window from.
// Lengths are in twips (1/1440 inch), colors in the OLE form &HBBGGRR.

enum class ControlKind {
    kFrame,  // a captionless frame: drawn border, contains other controls
    kTextBox,
    kLabel,
    kCommandButton,
    kListBox,
    kEtchedLine,  // a grey line with a white one under it: one etched separator
    kTimer,       // no window; raises Timer events while enabled
};

struct TwipRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

struct FontSpec {
    std::wstring_view face = L"Tahoma";
    float points = 8.25f;
    bool bold = true;
    int charset = 177;
};

constexpr std::uint32_t kSystemColor = 0xFFFFFFFFu;  // the control's own system color

// What a screen reader says for a button while it shows a caption that is only a symbol.
struct SpokenCaption {
    std::wstring_view caption;
    std::wstring_view name;
};

struct ControlSpec {
    int id = 0;              // the form's own number for the control; never 0
    std::wstring_view name;  // designer name, for error reports and tests
    ControlKind kind = ControlKind::kLabel;
    int parent = 0;             // id of the containing frame, 0 for the form
    TwipRect rect;              // relative to the parent
    std::wstring_view caption;  // '&' marks the access key
    FontSpec font;
    std::uint32_t foreColor = kSystemColor;
    std::uint32_t backColor = kSystemColor;
    int maxLength = 0;            // text boxes: 0 for no limit
    bool clickable = false;       // labels: raise Click
    bool upArrowPointer = false;  // mouse pointer over the control
    int interval = 0;             // timers: milliseconds
    // Labels: the control that the label names. A screen reader names a text box or a list
    // by the label just before it in z-order.
    int labelFor = 0;
    // Buttons: names for symbol captions. A fixed pair, not a list, keeps a control's layout
    // plain data that is copied as it is.
    std::array<SpokenCaption, 2> spoken;
    std::wstring_view accessibleName;  // a control with no label: what a screen reader says
};

// The name a screen reader gives a button showing caption: the caption itself, unless the
// layout gives the caption a name of its own.
inline std::wstring_view SpokenName(const ControlSpec& control, std::wstring_view caption) {
    for (const SpokenCaption& entry : control.spoken) {
        if (entry.caption == caption) return entry.name;
    }
    return caption;
}

// Whether the layout names any of the control's captions for a screen reader.
inline bool HasSpokenNames(const ControlSpec& control) {
    return !control.spoken[0].caption.empty();
}

// Text boxes, buttons and lists take the keyboard focus, and Tab reaches them.
constexpr bool TakesFocus(ControlKind kind) {
    return kind == ControlKind::kTextBox || kind == ControlKind::kCommandButton ||
           kind == ControlKind::kListBox;
}

enum class BorderStyle {
    kFixedToolWindow,  // small title bar, close box only, not in the task bar
    kFixedDialog,      // dialog frame, close box only, not in the task bar
};

struct FormSpec {
    std::wstring_view name;
    std::wstring_view caption;
    BorderStyle border = BorderStyle::kFixedDialog;
    int clientWidth = 0;  // at design
    int clientHeight = 0;
    int outerHeight = 0;  // starting outer height; 0 keeps the client height
    int iconResource = 0;
    int defaultButton = 0;  // the button Enter presses in a text box; 0 for none
    // Mirrored, as Windows lays out a window for a language read right to left: x runs from
    // the right edge, so the controls' order is reversed along with their text.
    bool rightToLeft = false;
    std::vector<ControlSpec> controls;  // in tab order
};

// The control number by which a form raises its own events; its controls' ids are above it.
constexpr int kForm = 0;

// Events a form raises into the object that handles them. kShown: once the window has first
// been shown and painted, and before it handles any input (every click and key that arrives
// meanwhile waits for the handler to finish).
enum class FormEvent { kLoad, kClick, kDblClick, kTimer, kShown };

class FormEvents {
  public:
    virtual ~FormEvents() = default;
    virtual void Raise(int control, FormEvent event) = 0;
    // A typed character; setting keyCode to 0 drops the keystroke.
    virtual void KeyPress(int /*control*/, std::int16_t& /*keyCode*/) {}
    // A Timer handler raised a run-time error and its timer was stopped: whatever the
    // running timer held back (a disabled button, say) is to be given back.
    virtual void TimerFailed(int /*control*/) {}
};

}  // namespace zelvane
