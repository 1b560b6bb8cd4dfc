// Building the main window in a fresh process, as at start-up: each stage the program's own
// code goes through, the whole build, and an empty window built the same way. Each command is meant
// to run once in a fresh process: the first window, control and font of a process pay for
// what later ones reuse, and so does the program at start-up.
#include <optional>

#include <windows.h>

#include "bench_program.h"
#include "bench_support.h"
#include "benchmarks.h"

namespace zelvane::bench {

// The stages zelvane.exe goes through (main.cpp, then Win32Form::Load and Show), each timed
// around the program's own code: Load makes the window, its icon, fonts and controls and
// raises the Load event; Show shows it, brings it forward and paints it. build-form times the
// same work at once, so that the sum of the stages can be checked against it.
int BuildSteps() {
    Result result("build-steps");
    Stopwatch clock;
    clock.Restart();
    StartCommonControls();
    result.Add("common_controls_ms", clock.Milliseconds());

    std::optional<BenchProgram> program;
    clock.Restart();
    program.emplace();
    result.Add("application_ms", clock.Milliseconds());

    Win32Form& form = program->form;
    form.SetEvents(&program->main);
    clock.Restart();
    form.Load();
    result.Add("load_ms", clock.Milliseconds());
    clock.Restart();
    form.Show();
    result.Add("show_ms", clock.Milliseconds());
    result.Print();
    return 0;
}

int BuildForm() {
    const Stopwatch clock;
    std::optional<BenchProgram> program;
    program.emplace();
    program->form.SetEvents(&program->main);
    program->form.Load();
    program->form.Show();
    Result("build-form").Add("ms", clock.Milliseconds()).Print();
    return 0;
}

// The baseline: what empty_window.exe does between its start and its message loop.
int BuildEmpty() {
    const Stopwatch clock;
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    windowClass.lpszClassName = L"ZelvaneBenchEmpty";
    RegisterClassExW(&windowClass);
    const HWND window =
        CreateWindowExW(0, L"ZelvaneBenchEmpty", L"Empty", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                        CW_USEDEFAULT, 200, 150, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (window == nullptr) Fail("the empty window was not made");
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    Result("build-empty").Add("ms", clock.Milliseconds()).Print();
    DestroyWindow(window);
    return 0;
}

}  // namespace zelvane::bench
