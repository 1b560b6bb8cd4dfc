#pragma once

#include <gtest/gtest.h>

#include <optional>

#include "about_window/frm_about.h"
#include "main_window/frm_main.h"
#include "main_window/main_layout.h"
#include "platform/memory/memory_form.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/memory_runtime.h"

namespace zelvane {

inline const std::string kNewOwners = "Software\\Mirabilis\\ICQ\\NewOwners";

// The main window on the in-memory backend, loaded.
class MainWindowTest : public ::testing::Test {
  public:
    explicit MainWindowTest(int dpi = 0) : form{faults, "frmMain", kCollapsedHeight, dpi} {}

    void Load() { main.Form_Load(); }

    Faults faults;
    MemoryRuntime runtime{faults};
    MemoryRegistry registry{faults};
    MemoryShell shell;
    MemoryForm form;
    MemoryTextBox txtUIN{faults, "txtUIN"};
    MemoryListBox List1{faults, "List1"};
    MemoryButton Command1{faults, "Command1"};
    MemoryTimer tmrEffectUp{faults, "tmrEffectUp"};
    MemoryTimer tmrEffectDown{faults, "tmrEffectDown"};
    MemoryForm aboutForm{faults, "frmAbout", 0};
    std::optional<frmAbout> about;
    int aboutCreated = 0;
    frmMain main{{form, txtUIN, List1, Command1, tmrEffectUp, tmrEffectDown},
                 runtime,
                 registry,
                 [this]() -> frmAbout& {
                     if (!about) {
                         about.emplace(aboutForm, shell, runtime);
                         ++aboutCreated;
                     }
                     return *about;
                 }};
};

}  // namespace zelvane
