#pragma once

#include <exception>
#include <string>
#include <string_view>

namespace zelvane {

// The run-time errors the program raises, by the numbers their reports show.
enum class ErrorNumber : int {
    kInvalidCall = 5,
    kOverflow = 6,
    kOutOfMemory = 7,
    kObjectRequired = 91,
    kInvalidPropertyValue = 380,
    kInvalidPropertyIndex = 381,
};

// A failing property or method call on a window or control, an integer overflow or a
// floating-point fault. It abandons the rest of the event handler that raised it; the
// event dispatch reports it to the user and goes on with the next event.
class RuntimeError : public std::exception {
  public:
    explicit RuntimeError(ErrorNumber number) : number_(number) {}

    static RuntimeError InvalidCall() { return RuntimeError(ErrorNumber::kInvalidCall); }
    static RuntimeError Overflow() { return RuntimeError(ErrorNumber::kOverflow); }
    static RuntimeError OutOfMemory() { return RuntimeError(ErrorNumber::kOutOfMemory); }
    static RuntimeError ObjectRequired() { return RuntimeError(ErrorNumber::kObjectRequired); }
    static RuntimeError InvalidPropertyValue() {
        return RuntimeError(ErrorNumber::kInvalidPropertyValue);
    }
    static RuntimeError InvalidPropertyIndex() {
        return RuntimeError(ErrorNumber::kInvalidPropertyIndex);
    }

    ErrorNumber Number() const { return number_; }
    const char* what() const noexcept override { return "Zelvane run-time error"; }

  private:
    ErrorNumber number_;
};

// What the user is told of a run-time error: "Run-time error 'N':" and the error's text.
std::wstring ErrorReport(ErrorNumber number);
// The same for whatever a handler threw.
std::wstring ErrorReport(const std::exception_ptr& error);

}  // namespace zelvane
