#include "platform/win32/win32_user_hives.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

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

// A SID as text, "S-1-5-21-...". ConvertSidToStringSidW and its converse would do, but the
// import check finds them missing from the headers' Windows XP.
std::wstring SidText(PSID sid) {
    if (!IsValidSid(sid)) return {};
    unsigned long long authority = 0;
    for (const BYTE part : GetSidIdentifierAuthority(sid)->Value) authority = authority << 8 | part;
    std::wstring text = L"S-1-" + std::to_wstring(authority);
    const UCHAR count = *GetSidSubAuthorityCount(sid);
    for (UCHAR i = 0; i < count; ++i) text += L"-" + std::to_wstring(*GetSidSubAuthority(sid, i));
    return text;
}

// The SID the text names, in buffer; false when it names none.
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
