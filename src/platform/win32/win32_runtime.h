#pragma once

#include "platform/runtime.h"
#include "platform/win32/win32_application.h"

namespace zelvane {

class Win32Runtime : public Runtime {
  public:
    explicit Win32Runtime(Win32Application& application) : application_(application) {}

    int MsgBox(const std::wstring& prompt, int buttons, const std::wstring& title) override;
    AnsiText StrToAnsi(std::wstring_view text) const override;
    std::wstring StrToUnicode(std::string_view text) const override;

  private:
    Win32Application& application_;
};

}  // namespace zelvane
