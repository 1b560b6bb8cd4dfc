#include "platform/win32/win32_all_users_lock.h"

#include <sddl.h>

#include <vector>

#include "platform/result_codes.h"
#include "platform/win32/win32_dll_safety.h"

namespace zelvane {

namespace {

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
    HANDLE(WINAPI* createBoundary)(LPCWSTR, ULONG);
    BOOL(WINAPI* addSid)(HANDLE*, PSID);
    VOID(WINAPI* deleteBoundary)(HANDLE);
    HANDLE(WINAPI* createNamespace)(LPSECURITY_ATTRIBUTES, LPVOID, LPCWSTR);
    HANDLE(WINAPI* openNamespace)(LPVOID, LPCWSTR);
    BOOLEAN(WINAPI* closeNamespace)(HANDLE, ULONG);
    HANDLE(WINAPI* createMutexEx)(LPSECURITY_ATTRIBUTES, LPCWSTR, DWORD, DWORD);
    bool whole = false;

    PrivateNamespaces() {
        FunctionFinder find(LoadSystemLibrary(L"kernel32.dll"));
        find.Find(createBoundary, "CreateBoundaryDescriptorW");
        find.Find(addSid, "AddSIDToBoundaryDescriptor");
        find.Find(deleteBoundary, "DeleteBoundaryDescriptor");
        find.Find(createNamespace, "CreatePrivateNamespaceW");
        find.Find(openNamespace, "OpenPrivateNamespaceW");
        find.Find(closeNamespace, "ClosePrivateNamespace");
        find.Find(createMutexEx, "CreateMutexExW");
        whole = find.Missing() == nullptr;
    }
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

}  // namespace

AllUsersLock::~AllUsersLock() {
    if (mutex_ != nullptr) {
        ReleaseMutex(mutex_);
        CloseHandle(mutex_);
    }
    if (namespace_ != nullptr) Namespaces().closeNamespace(namespace_, 0);
}

long AllUsersLock::Take(std::uint32_t timeoutMs) {
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
    const LONG opened = api.whole ? LockInNamespace(api, security, mutex, space)
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

}  // namespace zelvane
