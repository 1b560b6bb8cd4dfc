#pragma once

#include <optional>

#include "about_window/about_layout.h"
#include "about_window/about_window.h"
#include "main_window/main_layout.h"
#include "main_window/main_window.h"
#include "platform/memory/memory_form.h"
#include "platform/memory/memory_processes.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/memory_runtime.h"
#include "platform/memory/memory_strings.h"

namespace zelvane {

// The whole program on the in-memory backend: the main window with its controls, and the
// About window made the first time it is asked for.
struct MemoryProgram : AboutWindowSource {
    // dpi 0: the window applies heights exactly; otherwise in whole pixels at that DPI.
    // The windows speak the language the program would choose for a user of that one.
    explicit MemoryProgram(int dpi = 0, LanguageId language = kEnglish)
        : strings{language}, form{faults, mainLayout, dpi} {}

    MemoryStrings strings;
    FormSpec mainLayout = MainLayout(strings);
    FormSpec aboutLayout = AboutLayout(strings);
    Faults faults;
    MemoryRuntime runtime{faults};
    MemoryRegistry registry{faults};
    MemoryShell shell;
    MemoryProcesses processes;
    MemoryForm form;
    MemoryTextBox& uinBox = form.TextBoxControl(kUinBox);
    MemoryListBox& accountList = form.ListBoxControl(kAccountList);
    MemoryButton& toggleButton = form.ButtonControl(kToggleButton);
    MemoryTimer& collapseTimer = form.TimerControl(kCollapseTimer);
    MemoryTimer& expandTimer = form.TimerControl(kExpandTimer);
    MemoryForm aboutForm{faults, aboutLayout};
    std::optional<AboutWindow> about;
    int aboutCreated = 0;
    MainWindow main{BindMainControls(form), runtime, registry, processes, strings, *this};

    AboutWindow& Get() override {
        if (!about) {
            about.emplace(aboutForm, shell);
            ++aboutCreated;
        }
        return *about;
    }
};

}  // namespace zelvane
