#pragma once

#include <cstdint>
#include <string>

#include "platform/controls.h"
#include "platform/form_layout.h"
#include "platform/runtime.h"

namespace zelvane {

// Delivers events to a form's handlers. A run-time error abandons the rest of the handler
// that raised it; it is reported to the user in a message box and the program goes on
// with the next event. A timer whose handler fails is stopped first, so that an error on
// every tick cannot flood the screen, and no second report opens while one is shown.
class EventDispatch {
  public:
    EventDispatch(Runtime& runtime, std::wstring title)
        : runtime_(runtime), title_(std::move(title)) {}

    // timer: the timer that raised a Timer event, stopped if its handler fails.
    void Raise(FormEvents& handlers, int control, FormEvent event, Timer* timer = nullptr);
    void KeyPress(FormEvents& handlers, int control, std::int16_t& keyAscii);
    Runtime& runtime() const { return runtime_; }

  private:
    template <typename Handler>
    void Run(Handler&& handler, Timer* timer);
    void Report(int number, const std::string& description);

    Runtime& runtime_;
    std::wstring title_;
    bool reporting_ = false;
};

}  // namespace zelvane
