#include "platform/win32/win32_user_hives.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/win32/win32_sid.h"

namespace zelvane {

namespace {

constexpr wchar_t kProfileList[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

// A profile's folder as its entry names it, with %SystemDrive% and the like expanded; empty
// when the entry has none.
std::wstring ProfileFolder(HKEY list, const std::wstring& sid) {
    HKEY entry = nullptr;
    if (RegOpenKeyExW(list, sid.c_str(), 0, KEY_QUERY_VALUE, &entry) != ERROR_SUCCESS) return {};
    std::wstring value(MAX_PATH, L'\0');
    DWORD type = 0;
    DWORD bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    LONG result = RegQueryValueExW(entry, L"ProfileImagePath", nullptr, &type,
                                   reinterpret_cast<BYTE*>(value.data()), &bytes);
    if (result == ERROR_MORE_DATA) {
        value.resize(bytes / sizeof(wchar_t) + 1);
        bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
        result = RegQueryValueExW(entry, L"ProfileImagePath", nullptr, &type,
                                  reinterpret_cast<BYTE*>(value.data()), &bytes);
    }
    RegCloseKey(entry);
    if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return {};
    // The stored text need not end with a NUL: it ends at the first one or at its size.
    value.resize(bytes / sizeof(wchar_t));
    value = value.substr(0, value.find(L'\0'));
    if (type == REG_SZ) return value;
    const DWORD needed = ExpandEnvironmentStringsW(value.c_str(), nullptr, 0);
    std::wstring expanded(needed, L'\0');
    if (needed == 0 || ExpandEnvironmentStringsW(value.c_str(), expanded.data(), needed) == 0) {
        return value;
    }
    return expanded.substr(0, expanded.find(L'\0'));
}

LONG EnablePrivilege(HANDLE token, const wchar_t* name) {
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!LookupPrivilegeValueW(nullptr, name, &privileges.Privileges[0].Luid)) {
        return static_cast<LONG>(GetLastError());
    }
    // Succeeds also when the token lacks the privilege; then the last error says so.
    if (!AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr)) {
        return static_cast<LONG>(GetLastError());
    }
    return static_cast<LONG>(GetLastError());
}

}  // namespace

long Win32UserHives::Profiles(std::vector<UserProfile>& profiles) {
    HKEY list = nullptr;
    const LONG opened =
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, kProfileList, 0, KEY_READ | KEY_WOW64_64KEY, &list);
    if (opened != ERROR_SUCCESS) return opened;
    LONG result = ERROR_SUCCESS;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD length = 256;
        result = RegEnumKeyExW(list, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (result != ERROR_SUCCESS) break;
        const std::wstring sid(name, length);
        profiles.push_back({sid, ProfileFolder(list, sid)});
    }
    RegCloseKey(list);
    return result == ERROR_NO_MORE_ITEMS ? ERROR_SUCCESS : result;
}

std::wstring Win32UserHives::CurrentUser() {
    return ProcessUserSid();
}

std::wstring Win32UserHives::AccountName(const std::wstring& sid) {
    std::vector<BYTE> binary;
    if (!ParseSid(sid, binary)) return {};
    wchar_t name[256];
    wchar_t domain[256];
    DWORD nameLength = 256;
    DWORD domainLength = 256;
    SID_NAME_USE use;
    const BOOL found =
        LookupAccountSidW(nullptr, binary.data(), name, &nameLength, domain, &domainLength, &use);
    if (!found) return {};
    return domainLength == 0 ? std::wstring(name) : std::wstring(domain) + L"\\" + name;
}

long Win32UserHives::EnableHivePrivileges() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
        return static_cast<long>(GetLastError());
    }
    LONG result = EnablePrivilege(token, SE_BACKUP_NAME);
    if (result == ERROR_SUCCESS) result = EnablePrivilege(token, SE_RESTORE_NAME);
    CloseHandle(token);
    return result;
}

long Win32UserHives::Load(const std::wstring& name, const std::wstring& file) {
    return RegLoadKeyW(HKEY_USERS, name.c_str(), file.c_str());
}

long Win32UserHives::Unload(const std::wstring& name) {
    return RegUnLoadKeyW(HKEY_USERS, name.c_str());
}

}  // namespace zelvane
