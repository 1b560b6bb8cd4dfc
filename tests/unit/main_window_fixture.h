#pragma once

#include <gtest/gtest.h>

#include "memory_main_window.h"

namespace zelvane {

inline const std::wstring kNewOwners = L"Software\\Mirabilis\\ICQ\\NewOwners";

class MainWindowTest : public ::testing::Test, public MemoryMainWindow {
  public:
    explicit MainWindowTest(int dpi = 0) : MemoryMainWindow(dpi) {}

    // Start-up: the window is loaded, then shown.
    void Load() {
        main.Form_Load();
        main.Form_Shown();
    }
};

}  // namespace zelvane
