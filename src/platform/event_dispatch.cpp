#include "platform/event_dispatch.h"

#include <utility>

#include "platform/runtime_error.h"

namespace zelvane {

EventDispatch::EventDispatch(Runtime& runtime, std::wstring title)
    : runtime_(runtime),
      title_(std::move(title)),
      outOfMemory_(ErrorReport(ErrorNumber::kOutOfMemory)) {}

void EventDispatch::Raise(FormEvents& handlers, int control, FormEvent event,
                          Timer* timer) noexcept {
    Run([&] { handlers.Raise(control, event); }, handlers, control, timer);
}

void EventDispatch::KeyPress(FormEvents& handlers, int control, std::int16_t& keyCode) noexcept {
    Run([&] { handlers.KeyPress(control, keyCode); }, handlers, control, nullptr);
}

template <typename Handler>
void EventDispatch::Run(Handler&& handler, FormEvents& handlers, int control,
                        Timer* timer) noexcept {
    std::exception_ptr error;
    try {
        handler();
        return;
    } catch (...) {
        error = std::current_exception();
    }
    if (timer) {
        try {
            timer->SetEnabled(false);
            handlers.TimerFailed(control);
        } catch (...) {
            // The timer's window is gone, or so much is wrong that only the report is left.
        }
    }
    Report(error);
}

void EventDispatch::Report(const std::exception_ptr& error) noexcept {
    if (reporting_) return;
    reporting_ = true;
    std::wstring text;
    try {
        text = ErrorReport(error);
    } catch (...) {
        // Only memory can run out here.
    }
    try {
        runtime_.MsgBox(text.empty() ? outOfMemory_ : text, kCriticalIcon, title_);
    } catch (...) {
        // Nothing is left to tell the user with.
    }
    reporting_ = false;
}

}  // namespace zelvane
