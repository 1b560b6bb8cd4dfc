// Start-up time, measured from the Windows side so that every program is timed alike, from
// CreateProcess to two moments: its window shown (visible; the program paints it before it
// handles anything else), and, for zelvane.exe, its list holding the expected number of
// accounts. The first is polled, since the window shows while the program is still busy;
// the second follows the program's first wait for input (WaitForInputIdle: it has handled
// everything its start-up queued, the fill included). After one untimed launch each, the
// programs take turns, each round starting with the next one.
//
//   bench_launcher <runs> <zelvane.exe> <empty_window.exe> <empty_window_dlls.exe> <accounts>...
//
// empty_window_dlls.exe is the empty window with zelvane.exe's manifest and DLL imports;
// zelvane.exe runs once with each number of accounts under NewOwners and once with none.
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
    std::string key;
    std::wstring exe;
    const wchar_t* windowClass;
    const wchar_t* title;
    bool hasList;
    std::size_t accounts;          // the list box's count to wait for
    std::function<void()> before;  // untimed, before every launch
    std::vector<double> shown;
    std::vector<double> filled;
};

struct Times {
    double shown;
    double filled;
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

void FailUnlessRunning(const Target& target, HANDLE process, const Stopwatch& clock,
                       const char* waiting) {
    if (WaitForSingleObject(process, 0) == WAIT_OBJECT_0) {
        Fail(target.key + ": the program ended before " + waiting);
    }
    if (clock.Milliseconds() > kTimeoutMilliseconds)
        Fail(target.key + ": timed out before " + waiting);
}

// Launches the program, waits for its window and its list, closes it and waits for it to end.
Times TimeLaunch(const Target& target) {
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
    HWND window = nullptr;
    for (;;) {
        window = FindWindowW(target.windowClass, target.title);
        if (window != nullptr && IsWindowVisible(window)) break;
        FailUnlessRunning(target, process.hProcess, clock, "its window showed");
        Sleep(1);
    }
    Times times;
    times.shown = clock.Milliseconds();

    const DWORD idle = WaitForInputIdle(process.hProcess, static_cast<DWORD>(kTimeoutMilliseconds));
    if (idle != 0) Fail(target.key + ": the program never waited for input");
    // Idle and filled are normally the same moment; polling covers a program that goes idle
    // before its list is full.
    while (!Ready(window, target)) {
        FailUnlessRunning(target, process.hProcess, clock, "its list was filled");
        Sleep(1);
    }
    times.filled = clock.Milliseconds();

    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != process.dwProcessId) Fail("the window found belongs to another process");
    PostMessageW(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.hProcess, 20000) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 1);
        Fail(target.key + ": the program did not end when its window was closed");
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return times;
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
    if (argc < 6) {
        Fail(
            "usage: bench_launcher <runs> <zelvane.exe> <empty_window.exe> "
            "<empty_window_dlls.exe> <accounts>...");
    }
    const long runs = std::strtol(argv[1], nullptr, 10);
    if (runs < 1) Fail("runs must be positive");
    const std::wstring zelvane = Widen(argv[2]);

    std::vector<Target> targets;
    std::string counts;
    for (int argument = 5; argument < argc; ++argument) {
        const long count = std::strtol(argv[argument], nullptr, 10);
        if (count < 1) Fail("accounts must be positive");
        const auto accounts = static_cast<std::size_t>(count);
        counts += (counts.empty() ? "" : ",") + std::to_string(accounts);
        targets.push_back({"zelvane_" + std::to_string(accounts),
                           zelvane,
                           L"ZelvaneForm",
                           L"Zelvane v2",
                           true,
                           accounts,
                           [accounts] { SeedAccounts(kNewOwners, accounts); },
                           {},
                           {}});
    }
    targets.push_back({"zelvane_0",
                       zelvane,
                       L"ZelvaneForm",
                       L"Zelvane v2",
                       true,
                       0,
                       [] { SeedAccounts(kNewOwners, 0); },
                       {},
                       {}});
    targets.push_back({"empty_dlls",
                       Widen(argv[4]),
                       kEmptyWindowClass,
                       kEmptyWindowTitle,
                       false,
                       0,
                       nullptr,
                       {},
                       {}});
    targets.push_back(
        {"empty", Widen(argv[3]), kEmptyWindowClass, kEmptyWindowTitle, false, 0, nullptr, {}, {}});

    for (const Target& target : targets) TimeLaunch(target);
    for (long run = 0; run < runs; ++run) {
        for (std::size_t step = 0; step < targets.size(); ++step) {
            Target& target = targets[(static_cast<std::size_t>(run) + step) % targets.size()];
            const Times times = TimeLaunch(target);
            target.shown.push_back(times.shown);
            target.filled.push_back(times.filled);
        }
    }
    DeleteTreeIfPresent(kNewOwners);

    Result result("startup");
    result.Add("runs", std::to_string(runs)).Add("accounts", counts);
    for (const Target& target : targets) {
        const auto [least, most] = std::minmax_element(target.shown.begin(), target.shown.end());
        result.Add(target.key + "_shown_ms", Median(target.shown));
        result.Add(target.key + "_shown_min", *least);
        result.Add(target.key + "_shown_max", *most);
        if (target.hasList) result.Add(target.key + "_filled_ms", Median(target.filled));
    }
    result.Print();
    return 0;
}
