#pragma once

#include <stdexcept>
#include <string>

namespace zelvane {

// Run-time error numbers the program raises.
enum ErrorNumber : int {
    kErrInvalidCall = 5,
    kErrOverflow = 6,
    kErrOutOfMemory = 7,
    kErrObjectRequired = 91,
    kErrInvalidPropertyValue = 380,
    kErrInvalidPropertyIndex = 381,
};

// A failing property or method call on a window or control, an integer overflow or a
// floating-point fault. It abandons the rest of the event handler that raised it; the
// form runtime reports it to the user and goes on with the next event.
class RuntimeError : public std::runtime_error {
  public:
    RuntimeError(int number, const std::string& description)
        : std::runtime_error(description), number_(number) {}

    int number() const { return number_; }

  private:
    int number_;
};

}  // namespace zelvane
