#pragma once

#include <optional>
#include <string>
#include <vector>

#include <windows.h>

#include "platform/runtime.h"
#include "platform/win32/win32_application.h"

namespace zelvane {

// The argument as it must be written on a command line for CommandLineToArgvW, and the C
// runtime's parser, to give it back unchanged.
std::wstring QuoteArgument(const std::wstring& argument);

// Whether this process's token is elevated; nullopt before Vista, where a token has no
// elevation to ask for and the query fails.
std::optional<bool> ProcessElevated();

// Starts the program with administrator rights and the arguments, through the system's
// elevation prompt (the "runas" verb), owned by the window; does not wait for it. Returns 0
// when it started, ERROR_CANCELLED when the user declined, another system error otherwise.
long StartAsAdministrator(const std::wstring& program, const std::vector<std::wstring>& arguments,
                          HWND owner);

class Win32Runtime : public Runtime {
  public:
    explicit Win32Runtime(Win32Application& application) : application_(application) {}

    int MsgBox(const std::wstring& prompt, int buttons, const std::wstring& title) override;
    bool CanElevate() const override;
    long StartElevated(const std::vector<std::wstring>& arguments) override;
    bool HighContrast() const override;
    bool ClientAreaAnimation() const override;

  private:
    Win32Application& application_;
};

}  // namespace zelvane
