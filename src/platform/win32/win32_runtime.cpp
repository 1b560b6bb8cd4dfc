#include "platform/win32/win32_runtime.h"

#include <limits>

#include "platform/runtime_error.h"

namespace zelvane {

namespace {

int Length(std::size_t size) {
    if (size > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        throw RuntimeError(kErrOutOfMemory, "Out of memory");
    }
    return static_cast<int>(size);
}

}  // namespace

// A box whose window is destroyed under it (with its owner, or as the session ends) answers
// 0, as does one that could not be shown: no button was pressed, nothing was agreed to, and
// that is no error.
int Win32Runtime::MsgBox(const std::wstring& prompt, int buttons, const std::wstring& title) {
    return application_.ShowMessage(prompt, title, static_cast<UINT>(buttons));
}

AnsiText ToAnsi(std::wstring_view text) {
    if (text.empty()) return {};
    const int length = Length(text.size());
    const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), length, nullptr,
                                         0, nullptr, nullptr);
    if (size <= 0) throw RuntimeError(kErrInvalidCall, "Invalid procedure call or argument");
    AnsiText result;
    result.bytes.resize(static_cast<std::size_t>(size));
    BOOL usedDefault = FALSE;
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), length, result.bytes.data(),
                        size, nullptr, &usedDefault);
    result.exact = !usedDefault;
    return result;
}

AnsiText Win32Runtime::StrToAnsi(std::wstring_view text) const {
    return ToAnsi(text);
}

std::wstring Win32Runtime::StrToUnicode(std::string_view text) const {
    if (text.empty()) return {};
    // The whole length, NULs included: a name buffer comes back with its padding.
    const int length = Length(text.size());
    const int size = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
    if (size <= 0) throw RuntimeError(kErrInvalidCall, "Invalid procedure call or argument");
    std::wstring result(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), length, result.data(), size);
    return result;
}

}  // namespace zelvane
