#include "command_line/output_escape.h"

namespace zelvane {

namespace {

bool NeedsEscape(wchar_t ch) {
    return ch < 0x20 || (ch >= 0x7F && ch <= 0x9F) || ch == 0x2028 || ch == 0x2029;
}

void AppendHex(std::wstring& out, unsigned value, int digits) {
    constexpr wchar_t kHex[] = L"0123456789ABCDEF";
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) out += kHex[(value >> shift) & 0xF];
}

}  // namespace

std::wstring EscapedForOutput(std::wstring_view text) {
    std::wstring out;
    out.reserve(text.size());
    for (const wchar_t ch : text) {
        if (!NeedsEscape(ch)) {
            out += ch;
        } else if (ch == L'\t') {
            out += L"\\t";
        } else if (ch == L'\n') {
            out += L"\\n";
        } else if (ch == L'\r') {
            out += L"\\r";
        } else if (ch >= 0x2028) {
            out += L"\\u";
            AppendHex(out, ch, 4);
        } else {
            out += L"\\x";
            AppendHex(out, ch, 2);
        }
    }
    return out;
}

}  // namespace zelvane
