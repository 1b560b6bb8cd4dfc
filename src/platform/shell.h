#pragma once

#include <cstdint>
#include <string>

namespace zelvane {

class Shell {
  public:
    virtual ~Shell() = default;
    // Hands the address to the program registered for it (ShellExecuteW with the default
    // verb), shown normally, with C:\ as its working folder. Returns the function's own
    // result. Like a message box, a launch is owned by the program's active window, which the
    // backend knows.
    virtual std::intptr_t Open(const std::wstring& address) = 0;
};

}  // namespace zelvane
