#pragma once

#include <string>
#include <vector>

#include "main_window/main_layout.h"
#include "main_window/main_window.h"
#include "platform/event_dispatch.h"
#include "platform/runtime.h"
#include "platform/win32/win32_application.h"
#include "platform/win32/win32_form.h"
#include "platform/win32/win32_processes.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_runtime.h"
#include "platform/win32/win32_strings.h"

namespace zelvane::bench {

// Loads the common controls and initialises their standard classes, as zelvane.exe does
// before it makes a window, once in a process; ends the run when they cannot be loaded.
void StartCommonControls();

// The runtime that the event dispatch reports a handler's error through: here the error
// ends the run instead of waiting in a message box.
class FailingRuntime : public Runtime {
  public:
    int MsgBox(const std::wstring& prompt, int, const std::wstring&) override;
    bool CanElevate() const override { return false; }
    long StartElevated(const std::vector<std::wstring>&) override;
    bool HighContrast() const override { return false; }
    bool ClientAreaAnimation() const override { return true; }
};

// The program's main window on the Win32 backend, as zelvane.exe makes it, except that a
// handler's run-time error ends the run. Its events are not yet set on the form.
struct BenchProgram {
    struct CommonControlsStarted {
        CommonControlsStarted() { StartCommonControls(); }
    };

    CommonControlsStarted commonControls;
    Win32Application application{GetModuleHandleW(nullptr)};
    Win32Runtime runtime{application};
    FailingRuntime reports;
    Win32Registry registry;
    Win32Processes processes;
    EventDispatch dispatch{reports, L"Zelvane bench"};
    Win32Strings strings{GetModuleHandleW(nullptr)};
    FormSpec layout = MainLayout(strings);
    Win32Form form{application, layout, dispatch};
    MainWindow main;

    BenchProgram();
};

}  // namespace zelvane::bench
