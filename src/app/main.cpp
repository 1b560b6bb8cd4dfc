// The program's composition root: the Win32 runtime, registry and shell, the main window
// and, on first use, the About window.
#include <exception>
#include <memory>
#include <optional>
#include <string>

#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include "about_window/about_layout.h"
#include "about_window/about_window.h"
#include "app/command_line_main.h"
#include "main_window/elevated_erase.h"
#include "main_window/main_window.h"
#include "main_window/main_layout.h"
#include "platform/event_dispatch.h"
#include "platform/runtime_error.h"
#include "platform/win32/win32_application.h"
#include "platform/win32/win32_form.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_runtime.h"
#include "platform/win32/win32_shell.h"

namespace {

// The account number when Zelvane was started as administrator to finish an erasure.
std::optional<std::wstring> AccountToEraseAsAdministrator() {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr) return std::nullopt;
    std::optional<std::wstring> uin;
    if (count == 3 && std::wstring(arguments[1]) == zelvane::kEraseAsAdministrator) {
        uin = arguments[2];
    }
    LocalFree(arguments);
    return uin;
}

int RunZelvane(HINSTANCE instance) {
    using namespace zelvane;
    if (const std::optional<int> code = RunFromCommandLine()) return *code;
    Win32Application application(instance);
    Win32Runtime runtime(application);
    Win32Registry registry;
    Win32Shell shell;
    if (const std::optional<std::wstring> uin = AccountToEraseAsAdministrator()) {
        EraseAsAdministrator(*uin, runtime, registry);
        return 0;
    }
    EventDispatch dispatch(runtime, L"Zelvane");

    // Made the first time the main window asks for it, kept until the program ends.
    std::unique_ptr<Win32Form> aboutForm;
    std::unique_ptr<AboutWindow> about;
    const auto aboutWindow = [&]() -> AboutWindow& {
        if (!about) {
            aboutForm = std::make_unique<Win32Form>(application, AboutLayout(), dispatch);
            about = std::make_unique<AboutWindow>(*aboutForm, shell);
            aboutForm->SetEvents(about.get());
        }
        return *about;
    };

    Win32Form mainForm(application, MainLayout(), dispatch);
    MainWindow main(
        MainControls{mainForm, mainForm.TextBoxControl(kUinBox), mainForm.ListBoxControl(kAccountList),
                     mainForm.ButtonControl(kToggleButton), mainForm.TimerControl(kCollapseTimer),
                     mainForm.TimerControl(kExpandTimer)},
        runtime, registry, aboutWindow);
    mainForm.SetEvents(&main);
    mainForm.Load();
    mainForm.Show();
    return application.Run();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/,
                    int /*show*/) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    try {
        return RunZelvane(instance);
    } catch (...) {
        // Only the start can fail this way: the main window could not be made.
        MessageBoxW(nullptr, zelvane::ErrorReport(std::current_exception()).c_str(), L"Zelvane",
                    MB_OK | MB_ICONERROR);
        return 1;
    }
}
