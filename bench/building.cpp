// Building the main window in a fresh process, as at start-up: each step the program's own
// code takes, the whole build, and an empty window built the same way. Each command is meant
// to run once in a fresh process: the first window, control and font of a process pay for
// what later ones reuse, and so does the program at start-up.
#include <optional>
#include <string>
#include <vector>

#include <windows.h>

#include "bench_program.h"
#include "bench_support.h"
#include "benchmarks.h"

namespace zelvane::bench {
namespace {

struct StepKey {
    const char* key;
    FormStep step;
    ControlKind kind;  // for kControl only
};

// The rows of build-steps after the program's objects, in the order the form takes them; a
// control's own step is added up over the controls of its kind.
constexpr StepKey kFormSteps[] = {
    {"form_ms", FormStep::kWindow, ControlKind::kFrame},
    {"icons_ms", FormStep::kIcons, ControlKind::kFrame},
    {"fonts_ms", FormStep::kFont, ControlKind::kFrame},
    {"frames_ms", FormStep::kControl, ControlKind::kFrame},
    {"text_box_ms", FormStep::kControl, ControlKind::kTextBox},
    {"label_ms", FormStep::kControl, ControlKind::kLabel},
    {"buttons_ms", FormStep::kControl, ControlKind::kCommandButton},
    {"line_ms", FormStep::kControl, ControlKind::kEtchedLine},
    {"list_box_ms", FormStep::kControl, ControlKind::kListBox},
    {"timers_ms", FormStep::kControl, ControlKind::kTimer},
    {"tab_order_ms", FormStep::kTabOrder, ControlKind::kFrame},
    {"load_event_ms", FormStep::kLoadEvent, ControlKind::kFrame},
    {"show_ms", FormStep::kShow, ControlKind::kFrame},
    {"foreground_ms", FormStep::kForeground, ControlKind::kFrame},
    {"paint_ms", FormStep::kPaint, ControlKind::kFrame},
};

// Times the steps the form reports: each lasts from its beginning to the next one's, and
// kDone ends the last.
class StepClock : public FormStepObserver {
  public:
    StepClock() : totals_(std::size(kFormSteps), 0.0) {}

    void StepBegins(FormStep step, const ControlSpec* control) override {
        const double now = clock_.Milliseconds();
        if (open_ >= 0) totals_[static_cast<std::size_t>(open_)] += now - began_;
        open_ = -1;
        began_ = now;
        if (step == FormStep::kDone) return;
        if (step == FormStep::kControl) {
            if (control == nullptr) Fail("the form began a control's step without its row");
            ++controls_;
        }
        for (std::size_t row = 0; row < std::size(kFormSteps); ++row) {
            const StepKey& key = kFormSteps[row];
            if (key.step == step && (step != FormStep::kControl || key.kind == control->kind)) {
                open_ = static_cast<int>(row);
                return;
            }
        }
        Fail("the form began a step the bench has no row for");
    }

    // Every step ended, and each control of the layout was made in a step of its own.
    void AddTo(Result& result, const FormSpec& layout) const {
        if (open_ >= 0) Fail("the form's last step did not end");
        if (controls_ != layout.controls.size()) {
            Fail("the form reported " + std::to_string(controls_) + " controls of " +
                 std::to_string(layout.controls.size()));
        }
        for (std::size_t row = 0; row < std::size(kFormSteps); ++row)
            result.Add(kFormSteps[row].key, totals_[row]);
    }

  private:
    Stopwatch clock_;
    std::vector<double> totals_;
    int open_ = -1;
    double began_ = 0;
    std::size_t controls_ = 0;
};

}  // namespace

// The steps zelvane.exe takes (main.cpp, then Win32Form::Load and Show), each timed around
// the program's own code: the form tells the bench where each of its steps begins.
// build-form times the same work unobserved, so that the sum of the steps can be checked
// against it.
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
    StepClock steps;
    form.SetStepObserver(&steps);
    form.SetEvents(&program->main);
    form.Load();
    form.Show();
    steps.AddTo(result, MainLayout());
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
