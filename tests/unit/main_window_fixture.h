#pragma once

#include <gtest/gtest.h>

#include "memory_program.h"

namespace zelvane {

inline const std::wstring kNewOwners = L"Software\\Mirabilis\\ICQ\\NewOwners";

class MainWindowTest : public ::testing::Test, public MemoryProgram {
  public:
    explicit MainWindowTest(int dpi = 0, LanguageId language = kEnglish)
        : MemoryProgram(dpi, language) {}

    // Start-up: the window is loaded, then shown.
    void Load() {
        main.OnLoad();
        main.OnShown();
    }
};

}  // namespace zelvane
