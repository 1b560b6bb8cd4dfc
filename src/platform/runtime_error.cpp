#include "platform/runtime_error.h"

#include <new>

#include "platform/decimal.h"
#include "platform/strings.h"

namespace zelvane {

namespace {

struct ErrorText {
    ErrorNumber number;
    std::wstring_view text;
};

constexpr ErrorText kErrorTexts[] = {
    {ErrorNumber::kInvalidCall, L"Invalid procedure call or argument"},
    {ErrorNumber::kOverflow, L"Overflow"},
    {ErrorNumber::kOutOfMemory, L"Out of memory"},
    {ErrorNumber::kObjectRequired, L"Object variable or With block variable not set"},
    {ErrorNumber::kInvalidPropertyValue, L"Invalid property value"},
    {ErrorNumber::kInvalidPropertyIndex, L"Invalid property array index"},
};

}  // namespace

std::wstring ErrorReport(ErrorNumber number) {
    std::wstring_view text;
    for (const ErrorText& entry : kErrorTexts) {
        if (entry.number == number) text = entry.text;
    }
    return Joined({L"Run-time error '", Decimal(static_cast<int>(number)), L"':\n\n", text});
}

// A failure that is not one of the program's own run-time errors is told as the nearest one.
std::wstring ErrorReport(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const RuntimeError& failure) {
        return ErrorReport(failure.Number());
    } catch (const std::bad_alloc&) {
        return ErrorReport(ErrorNumber::kOutOfMemory);
    } catch (...) {
        return ErrorReport(ErrorNumber::kInvalidCall);
    }
}

}  // namespace zelvane
