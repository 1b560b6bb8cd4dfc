#include "platform/ascii_case.h"

#include <algorithm>

namespace zelvane {

bool SameIgnoringAsciiCase(std::wstring_view a, std::wstring_view b) {
    const auto fold = [](wchar_t c) { return c >= L'A' && c <= L'Z' ? wchar_t(c + 32) : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [&](wchar_t x, wchar_t y) { return fold(x) == fold(y); });
}

bool EndsWithIgnoringAsciiCase(std::wstring_view text, std::wstring_view suffix) {
    return text.size() > suffix.size() &&
           SameIgnoringAsciiCase(text.substr(text.size() - suffix.size()), suffix);
}

}  // namespace zelvane
