#pragma once

#include <string>
#include <string_view>

namespace zelvane {

// Message box styles; a style word is the sum of one button set and one icon.
enum MsgBoxStyle : int {
    vbOKOnly = 0,
    vbYesNo = 4,
    vbCritical = 16,
    vbExclamation = 48,
    vbInformation = 64,
};

// Message box answers.
enum MsgBoxResult : int {
    vbOK = 1,
    vbYes = 6,
    vbNo = 7,
};

// Text in the system ANSI code page, and whether it stands for the UTF-16 text exactly
// (no character was replaced by a default or best-fit character).
struct AnsiText {
    std::string bytes;
    bool exact = true;
};

// The runtime services that are not bound to one window.
class Runtime {
  public:
    virtual ~Runtime() = default;
    // Modal message box; returns the code of the button pressed, 0 when the box ended with
    // none pressed.
    virtual int MsgBox(const std::wstring& prompt, int buttons, const std::wstring& title) = 0;
    // UTF-16 to the system ANSI code page and back, for every registry and shell call.
    virtual AnsiText StrToAnsi(std::wstring_view text) const = 0;
    virtual std::wstring StrToUnicode(std::string_view text) const = 0;
};

}  // namespace zelvane
