// The command line's composition root: its logic on the Win32 registry, hives and output.
// It makes no window: only a message box, and that only when there is nowhere to write and
// the run is not quiet.
#include "app/command_line_main.h"

#include <exception>
#include <string>
#include <vector>

#include <windows.h>

#include <shellapi.h>

#include "command_line/command_line.h"
#include "main_window/elevated_erase.h"
#include "platform/runtime_error.h"
#include "platform/strings.h"
#include "platform/win32/win32_command_host.h"
#include "platform/win32/win32_processes.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_users.h"

namespace zelvane {

std::vector<std::wstring> ProgramArguments() {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr) return {};
    std::vector<std::wstring> list(arguments + (count > 0 ? 1 : 0), arguments + count);
    LocalFree(arguments);
    return list;
}

std::optional<int> RunFromCommandLine() {
    Win32CommandHost host;
    bool quiet = false;
    try {
        // GetCommandLineW holds the program's name first, even when CreateProcess was given
        // none beside it; so an empty list is a start without arguments.
        const std::vector<std::wstring> arguments = ProgramArguments();
        if (arguments.empty() || arguments[0] == kEraseAsAdministrator) return std::nullopt;
        const CommandArguments parsed = ParseArguments(arguments);
        quiet = parsed.quiet;
        Win32Registry registry;
        Win32Users users;
        Win32Processes processes;
        return RunCommandLine(parsed, registry, users, processes, host);
    } catch (...) {
        // Every hive loaded was unloaded on the way here.
        if (host.OpenOutput()) {
            host.Write(Joined({L"zelvane: ", ErrorReport(std::current_exception()), L"\n"}), true);
        } else if (!quiet) {
            host.ShowBox(ErrorReport(std::current_exception()), MB_ICONERROR, L"Zelvane");
        }
        return kExitFailed;
    }
}

}  // namespace zelvane
