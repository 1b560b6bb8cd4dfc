#pragma once

#include <gtest/gtest.h>

#include "memory_program.h"

namespace zelvane {

inline const std::wstring kNewOwners = L"Software\\Mirabilis\\ICQ\\NewOwners";

class MainWindowTest : public ::testing::Test, public MemoryProgram {
  public:
    explicit MainWindowTest(int dpi = 0) : MemoryProgram(dpi) {}

    void Load() { main.OnLoad(); }
};

}  // namespace zelvane
