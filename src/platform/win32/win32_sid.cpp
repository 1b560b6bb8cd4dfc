#include "platform/win32/win32_sid.h"

#include <algorithm>

#include "platform/decimal.h"

namespace zelvane {

std::wstring SidText(PSID sid) {
    if (!IsValidSid(sid)) return {};
    unsigned long long authority = 0;
    for (const BYTE part : GetSidIdentifierAuthority(sid)->Value) authority = authority << 8 | part;
    std::wstring text = L"S-1-" + Decimal(static_cast<long long>(authority));
    const UCHAR count = *GetSidSubAuthorityCount(sid);
    for (UCHAR i = 0; i < count; ++i) text += L"-" + Decimal(*GetSidSubAuthority(sid, i));
    return text;
}

bool ParseSid(const std::wstring& text, std::vector<BYTE>& buffer) {
    if (text.compare(0, 4, L"S-1-") != 0) return false;
    std::vector<unsigned long long> numbers;
    for (std::size_t at = 4; at <= text.size();) {
        const std::size_t end = std::min(text.find(L'-', at), text.size());
        if (end == at || end - at > 15) return false;
        unsigned long long number = 0;
        for (std::size_t i = at; i < end; ++i) {
            if (text[i] < L'0' || text[i] > L'9') return false;
            number = number * 10 + static_cast<unsigned>(text[i] - L'0');
        }
        numbers.push_back(number);
        at = end + 1;
    }
    // An authority of 48 bits, then up to 15 parts of 32 bits each.
    if (numbers.size() < 2 || numbers.size() > 16 || numbers[0] >> 48 != 0) return false;
    const BYTE count = static_cast<BYTE>(numbers.size() - 1);
    SID_IDENTIFIER_AUTHORITY authority = {};
    for (int i = 0; i < 6; ++i) authority.Value[i] = static_cast<BYTE>(numbers[0] >> (8 * (5 - i)));
    buffer.assign(GetSidLengthRequired(count), 0);
    if (!InitializeSid(buffer.data(), &authority, count)) return false;
    for (BYTE i = 0; i < count; ++i) {
        if (numbers[i + 1u] > 0xFFFFFFFFu) return false;
        *GetSidSubAuthority(buffer.data(), i) = static_cast<DWORD>(numbers[i + 1u]);
    }
    return true;
}

std::wstring ProcessUserSid() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::wstring text;
    std::vector<BYTE> user(size);
    if (size != 0 && GetTokenInformation(token, TokenUser, user.data(), size, &size)) {
        text = SidText(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid);
    }
    CloseHandle(token);
    return text;
}

}  // namespace zelvane
