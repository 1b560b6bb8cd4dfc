#pragma once

#include <cstdint>
#include <exception>
#include <string>

#include "platform/controls.h"
#include "platform/form_layout.h"
#include "platform/runtime.h"

namespace zelvane {

// Delivers events to a form's handlers. A run-time error abandons the rest of the handler
// that raised it; it is reported to the user in a message box and the program goes on
// with the next event. A timer whose handler fails is stopped first, so that an error on
// every tick cannot flood the screen, and no second report opens while one is shown.
// Events come from window procedures and timer callbacks, which no exception may leave:
// nothing does leave these calls, not even a failure to report (out of memory, say).
class EventDispatch {
  public:
    EventDispatch(Runtime& runtime, std::wstring title);

    // timer: the timer that raised a Timer event, stopped if its handler fails.
    void Raise(FormEvents& handlers, int control, FormEvent event, Timer* timer = nullptr) noexcept;
    void KeyPress(FormEvents& handlers, int control, std::int16_t& keyCode) noexcept;
    Runtime& runtime() const { return runtime_; }

  private:
    template <typename Handler>
    void Run(Handler&& handler, FormEvents& handlers, int control, Timer* timer) noexcept;
    void Report(const std::exception_ptr& error) noexcept;

    Runtime& runtime_;
    std::wstring title_;
    // Made beforehand, for when there is no memory left to make the report's own text.
    std::wstring outOfMemory_;
    bool reporting_ = false;
};

}  // namespace zelvane
