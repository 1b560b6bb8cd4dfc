#pragma once

#include <string>
#include <vector>

#include <windows.h>

#include <sddl.h>

namespace zelvane {

// Where HKEY_CURRENT_USER is in the registry's own namespace, as a registry link's target
// (its SymbolicLinkValue) must name it.
inline std::wstring UserKeyNtPath() {
    HANDLE token = nullptr;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> user(size);
    GetTokenInformation(token, TokenUser, user.data(), size, &size);
    CloseHandle(token);
    LPWSTR sid = nullptr;
    ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &sid);
    const std::wstring path = L"\\REGISTRY\\USER\\" + std::wstring(sid);
    LocalFree(sid);
    return path;
}

}  // namespace zelvane
