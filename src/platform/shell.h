#pragma once

#include <cstdint>
#include <string>

namespace zelvane {

// Show-window value for a launched program's window: shown normally.
constexpr int kShowNormal = 1;

class Shell {
  public:
    virtual ~Shell() = default;
    // ShellExecuteW with the default verb and no parameters: hands the address to the
    // program registered for it. Returns the function's own result. Like a message box, a
    // launch is owned by the program's active window, which the backend knows.
    virtual std::intptr_t Open(const std::wstring& file, const std::wstring& directory,
                               int show) = 0;
};

}  // namespace zelvane
