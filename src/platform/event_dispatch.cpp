#include "platform/event_dispatch.h"

#include <exception>

#include "platform/runtime_error.h"

namespace zelvane {

void EventDispatch::Raise(FormEvents& handlers, int control, FormEvent event, Timer* timer) {
    Run([&] { handlers.Raise(control, event); }, timer);
}

void EventDispatch::KeyPress(FormEvents& handlers, int control, std::int16_t& keyAscii) {
    Run([&] { handlers.KeyPress(control, keyAscii); }, nullptr);
}

template <typename Handler>
void EventDispatch::Run(Handler&& handler, Timer* timer) {
    int number = 0;
    std::string description;
    try {
        handler();
        return;
    } catch (const RuntimeError& error) {
        number = error.number(), description = error.what();
    } catch (const std::bad_alloc&) {
        number = kErrOutOfMemory, description = "Out of memory";
    } catch (const std::exception& error) {
        number = kErrInvalidCall, description = error.what();
    } catch (...) {
        number = kErrInvalidCall, description = "Invalid procedure call or argument";
    }
    if (timer) {
        try {
            timer->SetEnabled(false);
        } catch (const std::exception&) {
            // The timer's window is gone; so are its ticks.
        }
    }
    Report(number, description);
}

void EventDispatch::Report(int number, const std::string& description) {
    if (reporting_) return;
    reporting_ = true;
    const std::wstring text = L"Run-time error '" + std::to_wstring(number) + L"':\n\n" +
                              std::wstring(description.begin(), description.end());
    try {
        runtime_.MsgBox(text, vbCritical, title_);
    } catch (const std::exception&) {
        // Nothing is left to tell the user with.
    }
    reporting_ = false;
}

}  // namespace zelvane
