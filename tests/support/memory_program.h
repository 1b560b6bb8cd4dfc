#pragma once

#include <optional>

#include "about_window/about_window.h"
#include "main_window/main_layout.h"
#include "main_window/main_window.h"
#include "platform/memory/memory_form.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/memory_runtime.h"

namespace zelvane {

// The whole program on the in-memory backend: the main window with its controls, and the
// About window made the first time it is asked for.
struct MemoryProgram {
    // dpi 0: the window applies heights exactly; otherwise in whole pixels at that DPI.
    explicit MemoryProgram(int dpi = 0) : form{faults, "frmMain", kCollapsedHeight, dpi} {}

    Faults faults;
    MemoryRuntime runtime{faults};
    MemoryRegistry registry{faults};
    MemoryShell shell;
    MemoryForm form;
    MemoryTextBox uinBox{faults, "txtUIN"};
    MemoryListBox accountList{faults, "List1"};
    MemoryButton toggleButton{faults, "Command1"};
    MemoryTimer collapseTimer{faults, "tmrEffectUp"};
    MemoryTimer expandTimer{faults, "tmrEffectDown"};
    MemoryForm aboutForm{faults, "frmAbout", 0};
    std::optional<AboutWindow> about;
    int aboutCreated = 0;
    MainWindow main{{form, uinBox, accountList, toggleButton, collapseTimer, expandTimer},
                    runtime,
                    registry,
                    [this]() -> AboutWindow& {
                        if (!about) {
                            about.emplace(aboutForm, shell);
                            ++aboutCreated;
                        }
                        return *about;
                    }};
};

}  // namespace zelvane
