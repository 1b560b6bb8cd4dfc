#include "platform/win32/win32_users.h"

#include <windows.h>

#include <sddl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/strings.h"
#include "platform/win32/win32_sid.h"

namespace zelvane {

namespace {

constexpr wchar_t kProfileList[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

// A path value of a key, with %SystemDrive% and the like expanded whether it is stored as
// REG_EXPAND_SZ or as REG_SZ (which the profile service expands too).
LONG ReadPath(HKEY key, const wchar_t* valueName, std::wstring& path) {
    path.clear();
    std::wstring value(MAX_PATH, L'\0');
    DWORD type = 0;
    DWORD bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    LONG result = RegQueryValueExW(key, valueName, nullptr, &type,
                                   reinterpret_cast<BYTE*>(value.data()), &bytes);
    if (result == ERROR_MORE_DATA) {
        value.resize(bytes / sizeof(wchar_t) + 1);
        bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
        result = RegQueryValueExW(key, valueName, nullptr, &type,
                                  reinterpret_cast<BYTE*>(value.data()), &bytes);
    }
    if (result != ERROR_SUCCESS) return result;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return ERROR_FILE_NOT_FOUND;
    // The stored text need not end with a NUL: it ends at the first one or at its size.
    value.resize(bytes / sizeof(wchar_t));
    value = value.substr(0, value.find(L'\0'));
    const DWORD needed = ExpandEnvironmentStringsW(value.c_str(), nullptr, 0);
    std::wstring expanded(needed, L'\0');
    if (needed == 0 || ExpandEnvironmentStringsW(value.c_str(), expanded.data(), needed) == 0) {
        return static_cast<LONG>(GetLastError());
    }
    path = expanded.substr(0, expanded.find(L'\0'));
    return ERROR_SUCCESS;
}

DWORD ReadState(HKEY entry) {
    DWORD state = 0;
    DWORD type = 0;
    DWORD bytes = sizeof(state);
    if (RegQueryValueExW(entry, L"State", nullptr, &type, reinterpret_cast<BYTE*>(&state),
                         &bytes) != ERROR_SUCCESS ||
        type != REG_DWORD) {
        return 0;
    }
    return state;
}

// One entry of the profile list; its folder stays empty when it names none.
UserProfile ProfileEntry(HKEY list, const std::wstring& sid) {
    UserProfile profile{sid, {}, 0};
    HKEY entry = nullptr;
    if (RegOpenKeyExW(list, sid.c_str(), 0, KEY_QUERY_VALUE, &entry) != ERROR_SUCCESS) {
        return profile;
    }
    ReadPath(entry, L"ProfileImagePath", profile.directory);
    profile.state = ReadState(entry);
    RegCloseKey(entry);
    return profile;
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

long Win32Users::Profiles(std::vector<UserProfile>& profiles) {
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
        profiles.push_back(ProfileEntry(list, std::wstring(name, length)));
    }
    RegCloseKey(list);
    return result == ERROR_NO_MORE_ITEMS ? ERROR_SUCCESS : result;
}

long Win32Users::DefaultUserFolder(std::wstring& folder) {
    HKEY list = nullptr;
    LONG result = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kProfileList, 0,
                                KEY_QUERY_VALUE | KEY_WOW64_64KEY, &list);
    if (result != ERROR_SUCCESS) return result;
    result = ReadPath(list, L"Default", folder);
    if (result == ERROR_FILE_NOT_FOUND) {
        // Windows XP: "Default User" beside the users' profiles.
        std::wstring profiles;
        std::wstring name;
        result = ReadPath(list, L"ProfilesDirectory", profiles);
        if (result == ERROR_SUCCESS) result = ReadPath(list, L"DefaultUserProfile", name);
        if (result == ERROR_SUCCESS) folder = Joined({profiles, L"\\", name});
    }
    RegCloseKey(list);
    return result;
}

std::wstring Win32Users::CurrentUser() {
    return ProcessUserSid();
}

std::wstring Win32Users::AccountName(const std::wstring& sid) {
    PSID binary = nullptr;
    if (!ConvertStringSidToSidW(sid.c_str(), &binary)) return {};
    std::wstring name = AccountNameOf(binary);
    LocalFree(binary);
    return name;
}

long Win32Users::EnableHivePrivileges() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
        return static_cast<long>(GetLastError());
    }
    LONG result = EnablePrivilege(token, SE_BACKUP_NAME);
    if (result == ERROR_SUCCESS) result = EnablePrivilege(token, SE_RESTORE_NAME);
    CloseHandle(token);
    return result;
}

long Win32Users::LockAllUsersRuns(std::uint32_t timeoutMs) {
    return lock_.Take(timeoutMs);
}

// Windows Vista is version 6. (A program without a manifest that names later versions is
// told 6.2 by Windows 8.1 and later: still 6.)
bool Win32Users::VistaLayout() {
    return LOBYTE(LOWORD(GetVersion())) >= 6;
}

long Win32Users::CheckHivePath(const std::wstring& file, std::wstring& where) {
    where.clear();
    if (file.size() < 4 || file[1] != L':' || file[2] != L'\\') return kErrorNotLocalPath;
    const std::wstring drive = file.substr(0, 3);
    const UINT type = GetDriveTypeW(drive.c_str());
    if (type == DRIVE_REMOTE || type == DRIVE_NO_ROOT_DIR) {
        where = drive;
        return type == DRIVE_REMOTE ? kErrorNotLocalPath : ERROR_PATH_NOT_FOUND;
    }
    // Each folder from the drive's root down, and the file itself.
    for (std::size_t end = file.find(L'\\', 3);; end = file.find(L'\\', end + 1)) {
        const std::wstring step = file.substr(0, end);
        const DWORD attributes = GetFileAttributesW(step.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            where = step;
            const DWORD error = GetLastError();
            return error == ERROR_FILE_NOT_FOUND && end != std::wstring::npos
                       ? ERROR_PATH_NOT_FOUND
                       : static_cast<long>(error);
        }
        if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            where = step;
            return kErrorReparsePoint;
        }
        if (end == std::wstring::npos) return ERROR_SUCCESS;
    }
}

void Win32Users::Pause(std::uint32_t milliseconds) {
    Sleep(milliseconds);
}

// The folders on the way to the file are held open from their check until the load is done,
// shared for reading and writing but not for deleting: none can be renamed, deleted or made
// a junction in between (a folder holding the hive is not empty, and only an empty one can
// become a mount point), so the file loaded is the one reached through the folders checked.
long Win32Users::LoadHive(const std::wstring& name, const std::wstring& file) {
    // A place for each folder's handle, made before any is opened.
    std::vector<HANDLE> held(static_cast<std::size_t>(std::count(file.begin(), file.end(), L'\\')));
    std::size_t opened = 0;
    LONG result = ERROR_SUCCESS;
    for (std::size_t end = file.find(L'\\', 3);
         end != std::wstring::npos && result == ERROR_SUCCESS; end = file.find(L'\\', end + 1)) {
        const HANDLE folder =
            CreateFileW(file.substr(0, end).c_str(), FILE_READ_ATTRIBUTES,
                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (folder == INVALID_HANDLE_VALUE) {
            result = static_cast<LONG>(GetLastError());
            break;
        }
        held[opened++] = folder;
        BY_HANDLE_FILE_INFORMATION information = {};
        if (!GetFileInformationByHandle(folder, &information)) {
            result = static_cast<LONG>(GetLastError());
        } else if ((information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            result = kErrorReparsePoint;
        }
    }
    if (result == ERROR_SUCCESS) result = RegLoadKeyW(HKEY_USERS, name.c_str(), file.c_str());
    for (std::size_t i = 0; i < opened; ++i) CloseHandle(held[i]);
    return result;
}

long Win32Users::UnloadHive(const std::wstring& name) {
    return RegUnLoadKeyW(HKEY_USERS, name.c_str());
}

}  // namespace zelvane
