// The real window's expansion and collapse, driven by its own timers on the screen.
#include <string>

#include <windows.h>

#include "bench_program.h"
#include "bench_support.h"
#include "benchmarks.h"

namespace zelvane::bench {
namespace {

// Counts the timer ticks that reach the main window's handlers.
class TickCounter : public FormEvents {
  public:
    explicit TickCounter(FormEvents& handlers) : handlers_(handlers) {}
    void Raise(int control, FormEvent event) override {
        if (event == FormEvent::kTimer) ++ticks;
        handlers_.Raise(control, event);
    }

    int ticks = 0;

  private:
    FormEvents& handlers_;
};

}  // namespace

// The ticks the expansion and the collapse took and the time, against the ticks at their
// 10 ms interval.
int Animation() {
    BenchProgram program;
    EventDispatch& dispatch = program.dispatch;
    Win32Form& form = program.form;
    MainWindow& main = program.main;
    TickCounter counter(main);
    form.SetEvents(&counter);
    form.Load();
    form.Show();

    const HWND button = GetDlgItem(form.Window(), kToggleButton);
    const int dpi = GetDeviceCaps(GetDC(nullptr), LOGPIXELSY);
    for (const char* direction : {"expand", "collapse"}) {
        counter.ticks = 0;
        const float from = form.Height();
        Stopwatch clock;
        dispatch.Raise(counter, kToggleButton, FormEvent::kClick);
        // The button comes back when the finishing tick has run.
        MSG message;
        while (!IsWindowEnabled(button) && clock.Milliseconds() < 30000 &&
               GetMessageW(&message, nullptr, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        const double milliseconds = clock.Milliseconds();
        if (!IsWindowEnabled(button)) Fail(std::string(direction) + " did not finish");
        Result("animation")
            .Add("direction", direction)
            .Add("dpi", std::to_string(dpi))
            .Add("from_twips", from)
            .Add("to_twips", form.Height())
            .Add("ticks", std::to_string(counter.ticks))
            .Add("ms", milliseconds)
            .Add("nominal_ms", counter.ticks * 10.0)
            .Print();
    }
    return 0;
}

}  // namespace zelvane::bench
