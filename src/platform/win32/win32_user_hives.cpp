#include "platform/win32/win32_user_hives.h"

#include <windows.h>

#include <sddl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/win32/win32_dll_safety.h"
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

// The all-users lock. Where Windows has private namespaces (Vista and later), it is a mutex
// in a namespace whose boundary holds the Administrators group: only a process whose token
// holds that group can create or open the namespace, so no standard user can make the lock
// first or hold it. Windows XP has no private namespaces (nor has Wine, which exports none of
// their functions): there the lock is a mutex of a global name, and an object of that name
// that an administrator did not make is not taken for it.
constexpr wchar_t kLockBoundary[] = L"Zelvane-AllUsers";
constexpr wchar_t kLockNamespace[] = L"Zelvane";
constexpr wchar_t kLockInNamespace[] = L"Zelvane\\AllUsers";
constexpr wchar_t kLockGlobalName[] = L"Global\\Zelvane-AllUsers";
// Owned by Administrators, and no one but Administrators and SYSTEM may open it.
constexpr wchar_t kLockSecurity[] = L"O:BAD:P(A;;GA;;;BA)(A;;GA;;;SY)";
// What a run does with the lock: wait for it and release it, and read its owner.
constexpr DWORD kLockAccess = SYNCHRONIZE | MUTEX_MODIFY_STATE | READ_CONTROL;

// The private namespaces' functions, from kernel32 by its full path: the program imports
// nothing that Windows XP lacks.
struct PrivateNamespaces {
    using CreateBoundaryFn = HANDLE(WINAPI*)(LPCWSTR, ULONG);
    using AddSidFn = BOOL(WINAPI*)(HANDLE*, PSID);
    using DeleteBoundaryFn = VOID(WINAPI*)(HANDLE);
    using CreateNamespaceFn = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, LPVOID, LPCWSTR);
    using OpenNamespaceFn = HANDLE(WINAPI*)(LPVOID, LPCWSTR);
    using CloseNamespaceFn = BOOLEAN(WINAPI*)(HANDLE, ULONG);
    using CreateMutexExFn = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, LPCWSTR, DWORD, DWORD);

    PrivateNamespaces() {
        const HMODULE kernel32 = LoadSystemLibrary(L"kernel32.dll");
        createBoundary = FindFunction<CreateBoundaryFn>(kernel32, "CreateBoundaryDescriptorW");
        addSid = FindFunction<AddSidFn>(kernel32, "AddSIDToBoundaryDescriptor");
        deleteBoundary = FindFunction<DeleteBoundaryFn>(kernel32, "DeleteBoundaryDescriptor");
        createNamespace = FindFunction<CreateNamespaceFn>(kernel32, "CreatePrivateNamespaceW");
        openNamespace = FindFunction<OpenNamespaceFn>(kernel32, "OpenPrivateNamespaceW");
        closeNamespace = FindFunction<CloseNamespaceFn>(kernel32, "ClosePrivateNamespace");
        createMutexEx = FindFunction<CreateMutexExFn>(kernel32, "CreateMutexExW");
    }
    bool Complete() const {
        return createBoundary != nullptr && addSid != nullptr && deleteBoundary != nullptr &&
               createNamespace != nullptr && openNamespace != nullptr &&
               closeNamespace != nullptr && createMutexEx != nullptr;
    }

    CreateBoundaryFn createBoundary;
    AddSidFn addSid;
    DeleteBoundaryFn deleteBoundary;
    CreateNamespaceFn createNamespace;
    OpenNamespaceFn openNamespace;
    CloseNamespaceFn closeNamespace;
    CreateMutexExFn createMutexEx;
};

const PrivateNamespaces& Namespaces() {
    static const PrivateNamespaces functions;
    return functions;
}

// A well-known SID (Administrators, SYSTEM) in its own buffer.
std::vector<BYTE> WellKnownSid(WELL_KNOWN_SID_TYPE type) {
    std::vector<BYTE> sid(SECURITY_MAX_SID_SIZE);
    DWORD size = SECURITY_MAX_SID_SIZE;
    if (!CreateWellKnownSid(type, nullptr, sid.data(), &size)) return {};
    sid.resize(size);
    return sid;
}

bool IsMember(WELL_KNOWN_SID_TYPE type) {
    std::vector<BYTE> sid = WellKnownSid(type);
    BOOL member = FALSE;
    return !sid.empty() && CheckTokenMembership(nullptr, sid.data(), &member) && member;
}

// Whether the object is owned by Administrators or SYSTEM, as the lock is; the system error
// when its owner cannot be read.
LONG OwnedByAdministrators(HANDLE object, bool& owned) {
    owned = false;
    DWORD size = 0;
    GetKernelObjectSecurity(object, OWNER_SECURITY_INFORMATION, nullptr, 0, &size);
    std::vector<BYTE> descriptor(size);
    if (size == 0 || !GetKernelObjectSecurity(object, OWNER_SECURITY_INFORMATION, descriptor.data(),
                                              size, &size)) {
        return static_cast<LONG>(GetLastError());
    }
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    if (!GetSecurityDescriptorOwner(descriptor.data(), &owner, &defaulted)) {
        return static_cast<LONG>(GetLastError());
    }
    // An object made without a descriptor (Wine gives those none) has no owner.
    if (owner == nullptr) return ERROR_SUCCESS;
    for (const WELL_KNOWN_SID_TYPE type : {WinBuiltinAdministratorsSid, WinLocalSystemSid}) {
        std::vector<BYTE> sid = WellKnownSid(type);
        if (!sid.empty() && EqualSid(owner, sid.data())) owned = true;
    }
    return ERROR_SUCCESS;
}

// The lock's mutex in its private namespace, which is created, or opened where another run
// made it already; the namespace is kept open as long as the mutex.
LONG LockInNamespace(const PrivateNamespaces& api, SECURITY_ATTRIBUTES& security, HANDLE& mutex,
                     HANDLE& space) {
    std::vector<BYTE> administrators = WellKnownSid(WinBuiltinAdministratorsSid);
    if (administrators.empty()) return static_cast<LONG>(GetLastError());
    HANDLE boundary = api.createBoundary(kLockBoundary, 0);
    if (boundary == nullptr) return static_cast<LONG>(GetLastError());
    LONG result = ERROR_SUCCESS;
    if (!api.addSid(&boundary, administrators.data())) {
        result = static_cast<LONG>(GetLastError());
    } else {
        // A namespace lasts while a handle to it is open: the run that made it may close it
        // between this run's create and its open, and then it is created again.
        for (int attempt = 0; attempt < 3; ++attempt) {
            space = api.createNamespace(&security, boundary, kLockNamespace);
            result = space == nullptr ? static_cast<LONG>(GetLastError()) : ERROR_SUCCESS;
            if (result != ERROR_ALREADY_EXISTS) break;
            space = api.openNamespace(boundary, kLockNamespace);
            result = space == nullptr ? static_cast<LONG>(GetLastError()) : ERROR_SUCCESS;
            if (result != ERROR_PATH_NOT_FOUND && result != ERROR_FILE_NOT_FOUND) break;
        }
    }
    api.deleteBoundary(boundary);
    if (result != ERROR_SUCCESS) return result;
    mutex = api.createMutexEx(&security, kLockInNamespace, 0, kLockAccess);
    if (mutex != nullptr) return ERROR_SUCCESS;
    result = static_cast<LONG>(GetLastError());
    api.closeNamespace(space, 0);
    space = nullptr;
    return result;
}

// The lock's mutex by its global name, where Windows has no private namespaces. Any user
// may make an object of that name first; one that is not a mutex, or that no administrator
// made, is not the lock (kErrorLockNameTaken).
LONG LockByGlobalName(SECURITY_ATTRIBUTES& security, HANDLE& mutex) {
    mutex = OpenMutexW(kLockAccess, FALSE, kLockGlobalName);
    // Windows XP has no way to create a mutex with less than every right to it; CreateMutexW
    // opens one that another run made in between with every right too.
    if (mutex == nullptr && GetLastError() == ERROR_FILE_NOT_FOUND) {
        mutex = CreateMutexW(&security, FALSE, kLockGlobalName);
    }
    if (mutex == nullptr) {
        const LONG error = static_cast<LONG>(GetLastError());
        // An object of another type (an event, say) has the name.
        if (error == ERROR_INVALID_HANDLE) return kErrorLockNameTaken;
        // The lock lets Administrators and SYSTEM in: refused to one of them, the object is
        // not the lock.
        if (error == ERROR_ACCESS_DENIED &&
            (IsMember(WinBuiltinAdministratorsSid) || IsMember(WinLocalSystemSid))) {
            return kErrorLockNameTaken;
        }
        return error;
    }
    bool owned = false;
    const LONG result = OwnedByAdministrators(mutex, owned);
    if (result == ERROR_SUCCESS && owned) return ERROR_SUCCESS;
    CloseHandle(mutex);
    mutex = nullptr;
    return result == ERROR_SUCCESS ? kErrorLockNameTaken : result;
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
        profiles.push_back(ProfileEntry(list, std::wstring(name, length)));
    }
    RegCloseKey(list);
    return result == ERROR_NO_MORE_ITEMS ? ERROR_SUCCESS : result;
}

long Win32UserHives::DefaultUserFolder(std::wstring& folder) {
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
        if (result == ERROR_SUCCESS) folder = profiles + L"\\" + name;
    }
    RegCloseKey(list);
    return result;
}

std::wstring Win32UserHives::CurrentUser() {
    return ProcessUserSid();
}

std::wstring Win32UserHives::AccountName(const std::wstring& sid) {
    PSID binary = nullptr;
    if (!ConvertStringSidToSidW(sid.c_str(), &binary)) return {};
    std::wstring name = AccountNameOf(binary);
    LocalFree(binary);
    return name;
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

Win32UserHives::~Win32UserHives() {
    if (mutex_ != nullptr) {
        ReleaseMutex(mutex_);
        CloseHandle(mutex_);
    }
    if (namespace_ != nullptr) Namespaces().closeNamespace(namespace_, 0);
}

long Win32UserHives::LockAllUsersRuns(std::uint32_t timeoutMs) {
    if (mutex_ != nullptr) return ERROR_SUCCESS;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kLockSecurity, SDDL_REVISION_1,
                                                              &descriptor, nullptr)) {
        return static_cast<long>(GetLastError());
    }
    SECURITY_ATTRIBUTES security = {sizeof security, descriptor, FALSE};
    HANDLE mutex = nullptr;
    HANDLE space = nullptr;
    const PrivateNamespaces& api = Namespaces();
    const LONG opened = api.Complete() ? LockInNamespace(api, security, mutex, space)
                                       : LockByGlobalName(security, mutex);
    LocalFree(descriptor);
    if (opened != ERROR_SUCCESS) return opened;
    const DWORD waited = WaitForSingleObject(mutex, timeoutMs);
    // Abandoned: the run that held it was ended; what it left loaded is unloaded next.
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
        mutex_ = mutex;
        namespace_ = space;
        return ERROR_SUCCESS;
    }
    const long result = waited == WAIT_TIMEOUT ? kErrorTimeout : static_cast<long>(GetLastError());
    CloseHandle(mutex);
    if (space != nullptr) api.closeNamespace(space, 0);
    return result;
}

// Windows Vista is version 6. (A program without a manifest that names later versions is
// told 6.2 by Windows 8.1 and later: still 6.)
bool Win32UserHives::VistaLayout() {
    return LOBYTE(LOWORD(GetVersion())) >= 6;
}

long Win32UserHives::CheckHivePath(const std::wstring& file, std::wstring& where) {
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

void Win32UserHives::Pause(std::uint32_t milliseconds) {
    Sleep(milliseconds);
}

// The folders on the way to the file are held open from their check until the load is done,
// shared for reading and writing but not for deleting: none can be renamed, deleted or made
// a junction in between (a folder holding the hive is not empty, and only an empty one can
// become a mount point), so the file loaded is the one reached through the folders checked.
long Win32UserHives::Load(const std::wstring& name, const std::wstring& file) {
    std::vector<HANDLE> held;
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
        held.push_back(folder);
        BY_HANDLE_FILE_INFORMATION information = {};
        if (!GetFileInformationByHandle(folder, &information)) {
            result = static_cast<LONG>(GetLastError());
        } else if ((information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            result = kErrorReparsePoint;
        }
    }
    if (result == ERROR_SUCCESS) result = RegLoadKeyW(HKEY_USERS, name.c_str(), file.c_str());
    for (const HANDLE folder : held) CloseHandle(folder);
    return result;
}

long Win32UserHives::Unload(const std::wstring& name) {
    return RegUnLoadKeyW(HKEY_USERS, name.c_str());
}

}  // namespace zelvane
