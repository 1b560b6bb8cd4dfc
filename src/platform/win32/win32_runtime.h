#pragma once

#include "platform/runtime.h"
#include "platform/win32/win32_application.h"

namespace zelvane {

// UTF-16 to the ANSI code page without best fit: a character the code page lacks becomes
// the default character and the text is marked inexact, so a full-width digit never passes
// for an ASCII one.
AnsiText ToAnsi(std::wstring_view text);

class Win32Runtime : public Runtime {
  public:
    explicit Win32Runtime(Win32Application& application) : application_(application) {}

    int MsgBox(const std::wstring& prompt, int buttons, const std::wstring& title) override;
    AnsiText StrToAnsi(std::wstring_view text) const override;
    std::wstring StrToUnicode(std::string_view text) const override;
    bool HighContrast() const override;
    bool ClientAreaAnimation() const override;

  private:
    Win32Application& application_;
};

}  // namespace zelvane
