#include "command_line/output_escape.h"

namespace zelvane {

std::wstring EscapedForOutput(std::wstring_view text) {
    constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
    std::wstring escaped;
    escaped.reserve(text.size());
    for (const wchar_t ch : text) {
        if (ch == L'\t') {
            escaped += L"\\t";
        } else if (ch == L'\n') {
            escaped += L"\\n";
        } else if (ch == L'\r') {
            escaped += L"\\r";
        } else if (ch < 0x20 || (ch >= 0x7F && ch <= 0x9F)) {
            escaped += L"\\x";
            escaped += kDigits[(ch >> 4) & 15];
            escaped += kDigits[ch & 15];
        } else if (ch == 0x2028 || ch == 0x2029) {
            escaped += ch == 0x2028 ? L"\\u2028" : L"\\u2029";
        } else {
            escaped += ch;
        }
    }
    return escaped;
}

}  // namespace zelvane
