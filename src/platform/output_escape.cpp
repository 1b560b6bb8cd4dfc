#include "platform/output_escape.h"

#include <algorithm>
#include <iterator>

#include "platform/escaped_code_points.h"
#include "platform/hex.h"

namespace zelvane {

namespace {

bool IsHighSurrogate(wchar_t ch) {
    return ch >= 0xD800 && ch <= 0xDBFF;
}

bool IsLowSurrogate(wchar_t ch) {
    return ch >= 0xDC00 && ch <= 0xDFFF;
}

bool PrintsAsNothingOrReorders(char32_t point) {
    const auto after =
        std::upper_bound(std::begin(kEscapedCodePoints), std::end(kEscapedCodePoints), point,
                         [](char32_t p, const CodePointRange& range) { return p < range.first; });
    return after != std::begin(kEscapedCodePoints) && point <= std::prev(after)->last;
}

}  // namespace

std::wstring EscapedForOutput(std::wstring_view text) {
    std::wstring out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t ch = text[i];
        const bool pair = IsHighSurrogate(ch) && i + 1 < text.size() && IsLowSurrogate(text[i + 1]);
        const char32_t point =
            pair ? 0x10000 + ((ch - 0xD800) << 10) + (text[i + 1] - 0xDC00) : char32_t(ch);
        // A surrogate that is not half of a pair would become U+FFFD on its way out, and
        // names that differ in it alone would print alike.
        const bool lone = !pair && (IsHighSurrogate(ch) || IsLowSurrogate(ch));
        if (ch == L'\t') {
            out += L"\\t";
        } else if (ch == L'\n') {
            out += L"\\n";
        } else if (ch == L'\r') {
            out += L"\\r";
        } else if (lone || PrintsAsNothingOrReorders(point)) {
            out += point <= 0x9F ? L"\\x" : point <= 0xFFFF ? L"\\u" : L"\\U";
            out += UpperHex(point, point <= 0x9F ? 2 : point <= 0xFFFF ? 4 : 8);
        } else {
            out.append(text, i, pair ? 2 : 1);
        }
        if (pair) ++i;
    }
    return out;
}

}  // namespace zelvane
