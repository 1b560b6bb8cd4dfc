#pragma once

#include "platform/shell.h"
#include "platform/win32/win32_application.h"

namespace zelvane {

class Win32Shell : public Shell {
  public:
    explicit Win32Shell(const Win32Application& application) : application_(application) {}
    std::intptr_t Open(const std::wstring& address) override;

  private:
    const Win32Application& application_;
};

}  // namespace zelvane
