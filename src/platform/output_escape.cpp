#include "platform/output_escape.h"

#include "platform/hex.h"

namespace zelvane {

namespace {

bool IsHighSurrogate(wchar_t ch) {
    return ch >= 0xD800 && ch <= 0xDBFF;
}

bool IsLowSurrogate(wchar_t ch) {
    return ch >= 0xDC00 && ch <= 0xDFFF;
}

// The characters that can make printed text pass for other text without being seen: the
// line and paragraph separators, the bidirectional embeddings, overrides, isolates and marks,
// and the byte-order mark (a zero-width no-break space).
bool NeedsUnicodeEscape(wchar_t ch) {
    return ch == 0x200E || ch == 0x200F || ch == 0x2028 || ch == 0x2029 ||
           (ch >= 0x202A && ch <= 0x202E) || (ch >= 0x2066 && ch <= 0x2069) || ch == 0xFEFF;
}

}  // namespace

std::wstring EscapedForOutput(std::wstring_view text) {
    std::wstring out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t ch = text[i];
        // A surrogate is printed as it is only as half of a pair; one alone would become
        // U+FFFD on its way out, and names that differ in it alone would print alike.
        const bool loneSurrogate =
            (IsHighSurrogate(ch) && (i + 1 == text.size() || !IsLowSurrogate(text[i + 1]))) ||
            (IsLowSurrogate(ch) && (i == 0 || !IsHighSurrogate(text[i - 1])));
        if (ch == L'\t') {
            out += L"\\t";
        } else if (ch == L'\n') {
            out += L"\\n";
        } else if (ch == L'\r') {
            out += L"\\r";
        } else if (ch < 0x20 || (ch >= 0x7F && ch <= 0x9F)) {
            out += L"\\x" + UpperHex(ch, 2);
        } else if (NeedsUnicodeEscape(ch) || loneSurrogate) {
            out += L"\\u" + UpperHex(ch, 4);
        } else {
            out += ch;
        }
    }
    return out;
}

}  // namespace zelvane
