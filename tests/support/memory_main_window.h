#pragma once

#include <optional>

#include "about_window/frm_about.h"
#include "main_window/frm_main.h"
#include "main_window/main_layout.h"
#include "platform/memory/memory_form.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/memory_runtime.h"

namespace zelvane {

// The whole program on the in-memory backend: the main window with its controls, and the
// About window made the first time it is asked for.
struct MemoryMainWindow {
    // dpi 0: the window applies heights exactly; otherwise in whole pixels at that DPI.
    explicit MemoryMainWindow(int dpi = 0) : form{faults, "frmMain", kCollapsedHeight, dpi} {}

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
                         about.emplace(aboutForm, shell);
                         ++aboutCreated;
                     }
                     return *about;
                 }};
};

}  // namespace zelvane
