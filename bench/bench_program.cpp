#include "bench_program.h"

#include "bench_support.h"
#include "platform/win32/win32_common_controls.h"

namespace zelvane::bench {

void StartCommonControls() {
    static bool started = false;
    if (started) return;
    std::wstring problem;
    const CommonControlsApi* api = LoadCommonControls(&problem);
    if (api == nullptr) Fail("the common controls: " + std::string(problem.begin(), problem.end()));
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES};
    api->InitCommonControlsEx(&controls);
    started = true;
}

int FailingRuntime::MsgBox(const std::wstring& prompt, int, const std::wstring&) {
    Fail("a handler reported: " + std::string(prompt.begin(), prompt.end()));
}

long FailingRuntime::StartElevated(const std::vector<std::wstring>&) {
    Fail("a handler asked for administrator rights");
}

BenchProgram::BenchProgram()
    : main(BindMainControls(form), runtime, registry, processes, strings,
           []() -> AboutWindow& { Fail("the About window was asked for"); }) {}

}  // namespace zelvane::bench
