#include "platform/win32/win32_registry.h"

#include <vector>

#include "platform/win32/win32_dll_safety.h"

namespace zelvane {

namespace {

HKEY KeyHandle(RegKey key) {
    return reinterpret_cast<HKEY>(key);
}

// What deleting a key needs of it: its subkeys' names and the right to delete it.
constexpr REGSAM kDeleteAccess = DELETE | KEY_ENUMERATE_SUB_KEYS;

// NtDeleteKey deletes the very key a handle was opened on, which is the only way to delete
// a link rather than its target: RegDeleteKey and SHDeleteKey open the key by name again,
// and that open follows the link. Both functions have been in ntdll since Windows NT.
LONG DeleteOpenKey(HKEY key) {
    using NtDeleteKeyFn = LONG(NTAPI*)(HANDLE);
    using StatusToErrorFn = ULONG(NTAPI*)(LONG);
    static const HMODULE ntdll = LoadSystemLibrary(L"ntdll.dll");
    static const auto deleteKey = reinterpret_cast<NtDeleteKeyFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(ntdll, "NtDeleteKey")));
    static const auto toError = reinterpret_cast<StatusToErrorFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(ntdll, "RtlNtStatusToDosError")));
    if (deleteKey == nullptr || toError == nullptr) return ERROR_CALL_NOT_IMPLEMENTED;
    return static_cast<LONG>(toError(deleteKey(key)));
}

// Deletes the subkeys of key, each as below, then key itself. key was opened with
// REG_OPTION_OPEN_LINK, so a link is the link key itself, which has no subkeys of its own.
// Every failure is kept, the first one returned; the names are read before any is deleted,
// so a key that cannot be deleted is tried once and never holds up the walk.
LONG DeleteSubtree(HKEY key, REGSAM view) {
    std::vector<std::wstring> names;
    for (DWORD index = 0;; ++index) {
        wchar_t name[kMaxKeyName + 1];
        DWORD length = kMaxKeyName + 1;
        const LONG result =
            RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS) break;
        if (result != ERROR_SUCCESS) return result;
        names.emplace_back(name, length);
    }
    LONG failure = ERROR_SUCCESS;
    for (const std::wstring& name : names) {
        HKEY child = nullptr;
        LONG result =
            RegOpenKeyExW(key, name.c_str(), REG_OPTION_OPEN_LINK, kDeleteAccess | view, &child);
        if (result == ERROR_SUCCESS) {
            result = DeleteSubtree(child, view);
            RegCloseKey(child);
        }
        if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND && failure == ERROR_SUCCESS)
            failure = result;
    }
    return failure != ERROR_SUCCESS ? failure : DeleteOpenKey(key);
}

}  // namespace

long Win32Registry::OpenKey(std::int32_t root, const std::wstring& path, RegKey& key,
                            RegistryView view) {
    // Passed by reference as the call takes it: the function decides what the handle holds
    // after a failed open.
    HKEY handle = KeyHandle(key);
    const LONG result = RegOpenKeyExW(
        HiveHandle(root), path.c_str(), 0,
        KEY_ENUMERATE_SUB_KEYS | (view == RegistryView::k32Bit ? KEY_WOW64_32KEY : 0), &handle);
    key = reinterpret_cast<RegKey>(handle);
    return result;
}

long Win32Registry::EnumKey(RegKey key, std::int32_t index, wchar_t* name, std::uint32_t& size) {
    DWORD length = size;
    const LONG result = RegEnumKeyExW(KeyHandle(key), static_cast<DWORD>(index), name, &length,
                                      nullptr, nullptr, nullptr, nullptr);
    size = length;
    return result;
}

long Win32Registry::CloseKey(RegKey key) {
    return RegCloseKey(KeyHandle(key));
}

// The account's key is opened by its full path, which follows any link on the way to it
// and needs no right on the keys above it: a standard user who may only read NewOwners
// learns that the account is not there, rather than that access is denied. The key itself
// is opened as a link, if it is one.
long Win32Registry::DeleteTree(std::int32_t root, const std::wstring& parentPath,
                               const std::wstring& name, RegistryView view) {
    const REGSAM viewFlag = view == RegistryView::k32Bit ? KEY_WOW64_32KEY : 0;
    const std::wstring path = parentPath + L"\\" + name;
    HKEY key = nullptr;
    const LONG opened = RegOpenKeyExW(HiveHandle(root), path.c_str(), REG_OPTION_OPEN_LINK,
                                      kDeleteAccess | viewFlag, &key);
    if (opened != ERROR_SUCCESS) return opened;
    const LONG result = DeleteSubtree(key, viewFlag);
    RegCloseKey(key);
    return result;
}

}  // namespace zelvane
