#pragma once

#include "platform/shell.h"

namespace zelvane {

class Win32Shell : public Shell {
  public:
    std::intptr_t Open(WindowHandle owner, const std::wstring& file, const std::wstring& directory,
                       int show) override;
};

}  // namespace zelvane
