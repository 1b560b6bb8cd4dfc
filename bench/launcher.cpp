// Start-up time, measured from the Windows side so that every program is timed alike:
// from CreateProcess until the program first waits for input (WaitForInputIdle: it has
// shown and painted its window and gone into its message loop) and its window is visible,
// for zelvane.exe with its list holding the expected number of accounts. Waiting on the
// process rather than polling from the start keeps the launcher from competing with the
// program for the CPU and the wineserver while it starts. After one untimed launch each,
// the programs take turns, each round starting with the next one.
//
//   bench_launcher <runs> <accounts> <zelvane.exe> <empty_window.exe> <empty_window_dlls.exe>
//
// empty_window_dlls.exe is the empty window with zelvane.exe's manifest and DLL imports;
// zelvane.exe runs once with <accounts> accounts under NewOwners and once with none.
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <windows.h>

#include "bench_support.h"
#include "empty_window.h"
#include "main_window/main_layout.h"

namespace zelvane::bench {
namespace {

constexpr double kTimeoutMilliseconds = 60000.0;

struct Target {
    const char* key;
    std::wstring exe;
    const wchar_t* windowClass;
    const wchar_t* title;
    bool hasList;
    std::size_t accounts;          // the list box's count to wait for
    std::function<void()> before;  // untimed, before every launch
    std::vector<double> times;
};

bool Ready(HWND window, const Target& target) {
    if (!IsWindowVisible(window)) return false;
    if (!target.hasList) return true;
    const HWND list = GetDlgItem(window, kAccountList);
    DWORD_PTR count = 0;
    if (list == nullptr ||
        !SendMessageTimeoutW(list, LB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 1000, &count)) {
        return false;
    }
    return count == target.accounts;
}

// Launches the program, waits for its window, closes it and waits for it to end.
double TimeLaunch(const Target& target) {
    if (target.before) target.before();
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::wstring commandLine = L"\"" + target.exe + L"\"";

    const Stopwatch clock;
    if (!CreateProcessW(target.exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process)) {
        Fail("cannot start the program: error " + std::to_string(GetLastError()));
    }
    const DWORD idle = WaitForInputIdle(process.hProcess, static_cast<DWORD>(kTimeoutMilliseconds));
    if (idle != 0) Fail(std::string(target.key) + ": the program never waited for input");
    // Idle and ready are normally the same moment; polling covers a program that goes idle
    // before its window is ready.
    HWND window = nullptr;
    for (;;) {
        window = FindWindowW(target.windowClass, target.title);
        if (window != nullptr && Ready(window, target)) break;
        if (WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0) {
            Fail(std::string(target.key) + ": the program ended before its window was ready");
        }
        if (clock.Milliseconds() > kTimeoutMilliseconds) {
            Fail(std::string(target.key) + ": the window never became ready");
        }
        Sleep(1);
    }
    const double milliseconds = clock.Milliseconds();

    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != process.dwProcessId) Fail("the window found belongs to another process");
    PostMessageW(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.hProcess, 20000) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 1);
        Fail(std::string(target.key) + ": the program did not end when its window was closed");
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return milliseconds;
}

std::wstring Widen(const char* text) {
    const int size = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), size);
    wide.resize(static_cast<std::size_t>(size - 1));
    return wide;
}

}  // namespace
}  // namespace zelvane::bench

int main(int argc, char** argv) {
    using namespace zelvane::bench;
    if (argc != 6) {
        Fail(
            "usage: bench_launcher <runs> <accounts> <zelvane.exe> <empty_window.exe> "
            "<empty_window_dlls.exe>");
    }
    const long runs = std::strtol(argv[1], nullptr, 10);
    const long accountsArgument = std::strtol(argv[2], nullptr, 10);
    if (runs < 1 || accountsArgument < 1) Fail("runs and accounts must be positive");
    const auto accounts = static_cast<std::size_t>(accountsArgument);

    std::vector<Target> targets;
    targets.push_back({"zelvane_ms",
                       Widen(argv[3]),
                       L"ZelvaneForm",
                       L"Zelvane v2",
                       true,
                       accounts,
                       [accounts] { SeedAccounts(kNewOwners, accounts); },
                       {}});
    targets.push_back({"zelvane_no_accounts_ms",
                       Widen(argv[3]),
                       L"ZelvaneForm",
                       L"Zelvane v2",
                       true,
                       0,
                       [] { SeedAccounts(kNewOwners, 0); },
                       {}});
    targets.push_back({"empty_dlls_ms",
                       Widen(argv[5]),
                       kEmptyWindowClass,
                       kEmptyWindowTitle,
                       false,
                       0,
                       nullptr,
                       {}});
    targets.push_back(
        {"empty_ms", Widen(argv[4]), kEmptyWindowClass, kEmptyWindowTitle, false, 0, nullptr, {}});

    for (const Target& target : targets) TimeLaunch(target);
    for (long run = 0; run < runs; ++run) {
        for (std::size_t step = 0; step < targets.size(); ++step) {
            Target& target = targets[(static_cast<std::size_t>(run) + step) % targets.size()];
            target.times.push_back(TimeLaunch(target));
        }
    }
    DeleteTreeIfPresent(kNewOwners);

    Result result("startup");
    result.Add("runs", std::to_string(runs)).Add("accounts", std::to_string(accounts));
    for (const Target& target : targets) {
        const auto [least, most] = std::minmax_element(target.times.begin(), target.times.end());
        result.Add(target.key, Median(target.times));
        result.Add(std::string(target.key) + "_min", *least);
        result.Add(std::string(target.key) + "_max", *most);
    }
    result.Print();
    return 0;
}
