#include "platform/win32/win32_sid.h"

#include <sddl.h>

#include "platform/strings.h"

namespace zelvane {

std::wstring SidText(PSID sid) {
    wchar_t* text = nullptr;
    if (!ConvertSidToStringSidW(sid, &text)) return {};
    std::wstring copy(text);
    LocalFree(text);
    return copy;
}

std::wstring AccountNameOf(PSID sid) {
    wchar_t name[256];
    wchar_t domain[256];
    DWORD nameLength = 256;
    DWORD domainLength = 256;
    SID_NAME_USE use;
    if (!LookupAccountSidW(nullptr, sid, name, &nameLength, domain, &domainLength, &use)) {
        return {};
    }
    return domainLength == 0 ? std::wstring(name) : Joined({domain, L"\\", name});
}

std::vector<BYTE> ReadTokenUser(HANDLE token) {
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> user(size);
    if (size == 0 || !GetTokenInformation(token, TokenUser, user.data(), size, &size)) return {};
    return user;
}

std::wstring ProcessUserSid() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
    std::vector<BYTE> user = ReadTokenUser(token);
    CloseHandle(token);
    return user.empty() ? L"" : SidText(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid);
}

}  // namespace zelvane
