#pragma once

#include "platform/shell.h"

namespace zelvane {

class Win32Shell : public Shell {
  public:
    std::intptr_t Open(WindowHandle owner, const std::string& file, const std::string& directory,
                       int show) override;
};

}  // namespace zelvane
