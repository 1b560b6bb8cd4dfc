// The program's composition root: the Win32 runtime, registry and shell, the main window
// and, on first use, the About window.
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <windows.h>

#include <shellapi.h>

#include "about_window/about_layout.h"
#include "about_window/about_window.h"
#include "app/command_line_main.h"
#include "main_window/elevated_erase.h"
#include "main_window/main_layout.h"
#include "main_window/main_window.h"
#include "platform/event_dispatch.h"
#include "platform/runtime_error.h"
#include "platform/win32/win32_application.h"
#include "platform/win32/win32_common_controls.h"
#include "platform/win32/win32_dll_safety.h"
#include "platform/win32/win32_file_safety.h"
#include "platform/win32/win32_form.h"
#include "platform/win32/win32_processes.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_runtime.h"
#include "platform/win32/win32_shell.h"
#include "platform/win32/win32_strings.h"

namespace {

// The account number when Zelvane was started as administrator to finish an erasure.
std::optional<std::wstring> AccountToEraseAsAdministrator() {
    const std::vector<std::wstring> arguments = zelvane::ProgramArguments();
    if (arguments.size() != 2 || arguments[0] != zelvane::kEraseAsAdministrator) {
        return std::nullopt;
    }
    return arguments[1];
}

int RunZelvane(HINSTANCE instance) {
    using namespace zelvane;
    Win32Application application(instance);
    Win32Runtime runtime(application);
    Win32Registry registry;
    Win32Shell shell(application);
    const Win32Strings strings(instance);
    if (const std::optional<std::wstring> uin = AccountToEraseAsAdministrator()) {
        EraseAsAdministrator(*uin, Messages(runtime, strings), registry);
        return 0;
    }
    EventDispatch dispatch(runtime, L"Zelvane");

    // Made the first time the main window asks for it, kept until the program ends.
    struct LazyAbout final : AboutWindowSource {
        LazyAbout(Win32Application& application, const Strings& strings, EventDispatch& dispatch,
                  Win32Shell& shell)
            : application_(application),
              layout_(AboutLayout(strings)),
              dispatch_(dispatch),
              shell_(shell) {}
        AboutWindow& Get() override {
            if (!about_) {
                form_ = std::make_unique<Win32Form>(application_, layout_, dispatch_);
                about_ = std::make_unique<AboutWindow>(*form_, shell_);
                form_->SetEvents(about_.get());
            }
            return *about_;
        }

        Win32Application& application_;
        const FormSpec layout_;
        EventDispatch& dispatch_;
        Win32Shell& shell_;
        std::unique_ptr<Win32Form> form_;
        std::unique_ptr<AboutWindow> about_;
    } aboutWindow(application, strings, dispatch, shell);

    const FormSpec mainLayout = MainLayout(strings);
    Win32Form mainForm(application, mainLayout, dispatch);
    Win32Processes processes;
    MainWindow main(BindMainControls(mainForm), runtime, registry, processes, strings, aboutWindow);
    mainForm.SetEvents(&main);
    mainForm.Load();
    mainForm.Show();
    return application.Run();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/,
                    int /*show*/) {
    // Before anything that loads a DLL: common controls, COM, a window, the shell.
    zelvane::ProtectDllSearch();
    // Before any file is opened: no junction a user made leads this process anywhere.
    zelvane::TurnOnRedirectionGuard();
    // The command line needs no common controls, and under /quiet may show nothing.
    if (const std::optional<int> code = zelvane::RunFromCommandLine()) return *code;
    std::wstring problem;
    const zelvane::CommonControlsApi* commonControls = zelvane::LoadCommonControls(&problem);
    if (commonControls == nullptr) {
        problem.insert(0, L"Zelvane cannot start: ");
        MessageBoxW(nullptr, problem.c_str(), L"Zelvane", MB_OK | MB_ICONERROR);
        return 1;
    }
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES};
    commonControls->InitCommonControlsEx(&controls);
    try {
        return RunZelvane(instance);
    } catch (...) {
        // Only the start can fail this way: the main window could not be made.
        MessageBoxW(nullptr, zelvane::ErrorReport(std::current_exception()).c_str(), L"Zelvane",
                    MB_OK | MB_ICONERROR);
        return 1;
    }
}
