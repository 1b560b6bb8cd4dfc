#include "platform/win32/win32_registry.h"

#include <winternl.h>

#include <string>
#include <string_view>
#include <vector>

#include "platform/win32/win32_dll_safety.h"
#include "platform/win32/win32_sid.h"

namespace zelvane {

namespace {

HKEY KeyHandle(RegKey key) {
    return reinterpret_cast<HKEY>(key);
}

constexpr REGSAM kDeleteAccess = static_cast<REGSAM>(KeyAccess::kErase);
static_assert(kDeleteAccess == (DELETE | KEY_ENUMERATE_SUB_KEYS) &&
              static_cast<REGSAM>(KeyAccess::kRead) == KEY_READ &&
              static_cast<REGSAM>(KeyAccess::kQueryValues) == KEY_QUERY_VALUE &&
              kKeyEnumerateSubKeys == KEY_ENUMERATE_SUB_KEYS);

// The native calls the delete needs, all in ntdll since Windows NT, which every process has
// loaded; like every DLL the program asks for, it is named by its full system path. Opening
// by a counted name is the only way to reach a key whose name holds a NUL; deleting the very
// key a handle was opened on is the only way to delete a link rather than its target
// (RegDeleteKey and SHDeleteKey open the key by name again, and that open follows the link).
struct Ntdll {
    using OpenKeyFn = LONG(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES);
    using DeleteKeyFn = LONG(NTAPI*)(HANDLE);
    using QueryKeyFn = LONG(NTAPI*)(HANDLE, int, PVOID, ULONG, PULONG);
    using StatusToErrorFn = ULONG(NTAPI*)(LONG);

    Ntdll() {
        const HMODULE ntdll = LoadSystemLibrary(L"ntdll.dll");
        openKey = FindFunction<OpenKeyFn>(ntdll, "NtOpenKey");
        deleteKey = FindFunction<DeleteKeyFn>(ntdll, "NtDeleteKey");
        queryKey = FindFunction<QueryKeyFn>(ntdll, "NtQueryKey");
        toError = FindFunction<StatusToErrorFn>(ntdll, "RtlNtStatusToDosError");
    }
    bool Complete() const {
        return openKey != nullptr && deleteKey != nullptr && queryKey != nullptr &&
               toError != nullptr;
    }

    OpenKeyFn openKey;
    DeleteKeyFn deleteKey;
    QueryKeyFn queryKey;
    StatusToErrorFn toError;
};

const Ntdll& Nt() {
    static const Ntdll ntdll;
    return ntdll;
}

bool IsGoneResult(LONG result) {
    return result == ERROR_FILE_NOT_FOUND || result == ERROR_KEY_DELETED;
}

// Opens the subkey of parent named exactly `name`, all its code units counted, and a link as
// the link. An empty name would open the parent itself and a backslash would reach past the
// child: no subkey has either, and the walk never opens such a name.
// Opens the key named exactly `name`, every code unit counted, below root, or by its kernel
// name (\REGISTRY\...) without a root; with OBJ_OPENLINK among the attributes a link is
// opened as the link.
LONG OpenCounted(HKEY root, std::wstring_view name, ULONG attributes, REGSAM access, HKEY& key) {
    if (!Nt().Complete()) return ERROR_CALL_NOT_IMPLEMENTED;
    UNICODE_STRING counted;
    counted.Buffer = const_cast<PWSTR>(name.data());
    counted.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    counted.MaximumLength = counted.Length;
    OBJECT_ATTRIBUTES object;
    InitializeObjectAttributes(&object, &counted, OBJ_CASE_INSENSITIVE | attributes, root, nullptr);
    HANDLE handle = nullptr;
    const LONG status = Nt().openKey(&handle, access, &object);
    if (status < 0) return static_cast<LONG>(Nt().toError(status));
    key = static_cast<HKEY>(handle);
    return ERROR_SUCCESS;
}

LONG OpenChild(HKEY parent, const std::wstring& name, REGSAM access, HKEY& child) {
    if (name.empty() || name.size() > kMaxKeyName || name.find(L'\\') != name.npos) {
        return ERROR_BADKEY;
    }
    return OpenCounted(parent, name, OBJ_OPENLINK, access, child);
}

// Opens the key of an open handle again with other rights, as the link it may be: an empty
// name relative to a key is that key.
LONG ReopenOpenKey(HKEY key, REGSAM access, HKEY& reopened) {
    return OpenCounted(key, {}, OBJ_OPENLINK, access, reopened);
}

LONG DeleteOpenKey(HKEY key) {
    if (!Nt().Complete()) return ERROR_CALL_NOT_IMPLEMENTED;
    return static_cast<LONG>(Nt().toError(Nt().deleteKey(key)));
}

// Deletes the subkeys of key, each as below, then key itself. Every key was opened as a link
// if it is one, and a link has no subkeys of its own. Every failure is kept, the first one
// returned; the names are read before any is deleted, so a key that cannot be deleted is
// tried once and never holds up the walk. deleted is set when any key went.
LONG DeleteSubtree(HKEY key, int depth, bool& deleted) {
    if (depth > kMaxSubtreeDepth) return ERROR_BADKEY;
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
        LONG result = OpenChild(key, name, kDeleteAccess, child);
        if (result == ERROR_SUCCESS) {
            result = DeleteSubtree(child, depth + 1, deleted);
            RegCloseKey(child);
        }
        if (result != ERROR_SUCCESS && !IsGoneResult(result) && failure == ERROR_SUCCESS)
            failure = result;
    }
    if (failure != ERROR_SUCCESS) return failure;
    const LONG result = DeleteOpenKey(key);
    if (result == ERROR_SUCCESS) deleted = true;
    return result;
}

bool SameName(const std::wstring& a, const std::wstring& b) {
    const auto fold = [](wchar_t c) { return c >= L'a' && c <= L'z' ? wchar_t(c - 32) : c; };
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (fold(a[i]) != fold(b[i])) return false;
    }
    return true;
}

// The name of a key as the registry itself knows it, every link resolved:
// \REGISTRY\MACHINE\SOFTWARE\... ; a key's own handle, whatever its rights, may ask.
LONG RealName(HKEY key, std::wstring& name) {
    if (!Nt().Complete()) return ERROR_CALL_NOT_IMPLEMENTED;
    constexpr int kKeyNameInformation = 3;
    std::vector<ULONG> buffer(0x8000 + 1);  // a registry path holds at most 32,767 characters
    ULONG size = 0;
    const LONG status = Nt().queryKey(key, kKeyNameInformation, buffer.data(),
                                      static_cast<ULONG>(buffer.size() * sizeof(ULONG)), &size);
    if (status < 0) return static_cast<LONG>(Nt().toError(status));
    name.assign(reinterpret_cast<const wchar_t*>(buffer.data() + 1), buffer[0] / sizeof(wchar_t));
    return ERROR_SUCCESS;
}

// Where the current user's hive lies in the registry: HKEY_CURRENT_USER is the process
// user's hive under \REGISTRY\USER, named by the user's SID.
bool CurrentUserHiveName(std::wstring& name) {
    const std::wstring sid = ProcessUserSid();
    if (sid.empty()) return false;
    name = L"\\REGISTRY\\USER\\" + sid;
    return true;
}

// The 64-bit exe runs on 64-bit Windows only; the 32-bit exe runs there under WOW64.
bool RunsOn64BitWindows() {
    if (sizeof(void*) == 8) return true;
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

// The view a key is opened in. The 32-bit view is asked for where the messenger's keys are
// in it: the machine's SOFTWARE. Every other place is one key that Windows shares between
// the views, and a 32-bit process on 64-bit Windows asks for it in the 64-bit view, so that
// it gets that key whatever the system redirects: Wine sends a 32-bit process to a
// Wow6432Node subkey wherever one exists (seen: a virtual store's MACHINE\SOFTWARE holding
// the Wow6432Node copy sent the open of its own Mirabilis copy there).
REGSAM ViewFlag(RegistryView view) {
    if (view == RegistryView::k32Bit) return KEY_WOW64_32KEY;
    return sizeof(void*) == 4 && RunsOn64BitWindows() ? KEY_WOW64_64KEY : 0;
}

// The real name root\parentPath has when no link lies on it. The machine's SOFTWARE key
// seen in the 32-bit view of 64-bit Windows is SOFTWARE\Wow6432Node; nowhere else does the
// view change a name on these paths.
bool ExpectedName(std::int32_t root, const std::wstring& parentPath, RegistryView view,
                  std::wstring& name) {
    std::wstring path = parentPath;
    if (root == kHkeyLocalMachine) {
        name = L"\\REGISTRY\\MACHINE";
        const std::wstring software = L"SOFTWARE\\";
        if (view == RegistryView::k32Bit && RunsOn64BitWindows() &&
            SameName(path.substr(0, software.size()), software)) {
            path.insert(software.size(), L"Wow6432Node\\");
        }
    } else if (root == kHkeyUsers) {
        name = L"\\REGISTRY\\USER";
    } else if (root != kHkeyCurrentUser || !CurrentUserHiveName(name)) {
        return false;
    }
    if (!path.empty()) name += L"\\" + path;
    return true;
}

// Opens root\parentPath only if no link lies anywhere on it. Opening each component as a
// link (REG_OPTION_OPEN_LINK) would not tell a link from a key without reading the link's
// value, which its maker can forbid; and it would have to redo the 32-bit view's
// redirection by hand. So the path is opened as the system opens it, following links and
// the view, and the key reached is then asked for its real name (NtQueryKey, which needs no
// right on the key and answers alike on Windows and Wine): a link anywhere on the path
// leaves the name of its target there instead of the path's own. The handle is kept, so
// what is checked is what the account is opened from.
LONG OpenParentWithoutLinks(std::int32_t root, const std::wstring& parentPath, REGSAM viewFlag,
                            RegistryView view, HKEY& parent) {
    std::wstring expected;
    if (!ExpectedName(root, parentPath, view, expected)) return ERROR_INVALID_HANDLE;
    // READ_CONTROL: the least a handle can hold; opening below it needs no right on it.
    LONG result =
        RegOpenKeyExW(HiveHandle(root), parentPath.c_str(), 0, READ_CONTROL | viewFlag, &parent);
    if (result != ERROR_SUCCESS) return result;
    std::wstring real;
    result = RealName(parent, real);
    if (result == ERROR_SUCCESS && !SameName(real, expected)) result = kErrorRegistryLink;
    if (result != ERROR_SUCCESS) {
        RegCloseKey(parent);
        parent = nullptr;
    }
    return result;
}

}  // namespace

// Without links the key is checked as OpenParentWithoutLinks checks a parent: by the real
// name of the key it opened.
long Win32Registry::OpenKey(std::int32_t root, const std::wstring& path, RegKey& key,
                            RegistryView view, LinkRule links) {
    // Passed by reference as the call takes it: the function decides what the handle holds
    // after a failed open.
    HKEY handle = KeyHandle(key);
    LONG result = RegOpenKeyExW(HiveHandle(root), path.c_str(), 0,
                                KEY_ENUMERATE_SUB_KEYS | ViewFlag(view), &handle);
    if (result == ERROR_SUCCESS && links == LinkRule::kFollowNone) {
        std::wstring expected;
        std::wstring real;
        result = ExpectedName(root, path, view, expected) ? RealName(handle, real)
                                                          : ERROR_INVALID_HANDLE;
        if (result == ERROR_SUCCESS && !SameName(real, expected)) result = kErrorRegistryLink;
        if (result != ERROR_SUCCESS) {
            RegCloseKey(handle);
            handle = nullptr;
        }
    }
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

namespace {

// The erase and the reading of an account's subtree reach the account's key alike.
// Following links above the account, the key is opened by its full path, which needs no
// right on the keys above it: a standard user who may only read NewOwners learns that the
// account is not there, rather than that access is denied. Without, it is opened below the
// NewOwners key that was checked. Either way the account's key itself is opened as a link,
// if it is one.
LONG OpenAccountKey(std::int32_t root, const std::wstring& parentPath, const std::wstring& name,
                    RegistryView view, LinkRule links, REGSAM access, HKEY& key) {
    const REGSAM viewFlag = ViewFlag(view);
    if (links == LinkRule::kFollowNone) {
        HKEY parent = nullptr;
        LONG opened = OpenParentWithoutLinks(root, parentPath, viewFlag, view, parent);
        if (opened == ERROR_SUCCESS) {
            opened = OpenChild(parent, name, access, key);
            RegCloseKey(parent);
        }
        return opened;
    }
    const std::wstring path = parentPath + L"\\" + name;
    return RegOpenKeyExW(HiveHandle(root), path.c_str(), REG_OPTION_OPEN_LINK, access | viewFlag,
                         &key);
}

REGSAM ReadAccess(KeyAccess access) {
    return static_cast<REGSAM>(access);
}

}  // namespace

DeleteResult Win32Registry::DeleteTree(std::int32_t root, const std::wstring& parentPath,
                                       const std::wstring& name, RegistryView view,
                                       LinkRule links) {
    HKEY key = nullptr;
    const LONG opened = OpenAccountKey(root, parentPath, name, view, links, kDeleteAccess, key);
    if (opened != ERROR_SUCCESS) return {opened, false};
    bool deleted = false;
    const LONG result = DeleteSubtree(key, 1, deleted);
    RegCloseKey(key);
    return {result, result != ERROR_SUCCESS && deleted};
}

long Win32Registry::OpenSubtree(std::int32_t root, const std::wstring& parentPath,
                                const std::wstring& name, RegistryView view, LinkRule links,
                                KeyAccess access, RegKey& key) {
    HKEY handle = nullptr;
    const LONG result =
        OpenAccountKey(root, parentPath, name, view, links, ReadAccess(access), handle);
    key = reinterpret_cast<RegKey>(handle);
    return result;
}

long Win32Registry::OpenSubkey(RegKey key, const std::wstring& name, KeyAccess access,
                               RegKey& subkey) {
    HKEY handle = nullptr;
    const LONG result = OpenChild(KeyHandle(key), name, ReadAccess(access), handle);
    subkey = reinterpret_cast<RegKey>(handle);
    return result;
}

long Win32Registry::ReopenKey(RegKey key, KeyAccess access, RegKey& reopened) {
    HKEY handle = nullptr;
    const LONG result = ReopenOpenKey(KeyHandle(key), ReadAccess(access), handle);
    reopened = reinterpret_cast<RegKey>(handle);
    return result;
}

// A key is a link when opening it by its own name, as the system opens names, leads
// elsewhere: to its target, or nowhere when the target is not there or refuses the open. Any
// key may hold a value named SymbolicLinkValue of type REG_LINK, so that value alone proves
// nothing; it is read for the target's name, and to tell a link whose target does not open
// from a key that did not open for another reason, which is not known to be either. The open
// asks for whatever rights the caller has (MAXIMUM_ALLOWED), which on a key that is no link
// are at least those the walk opened it with, and uses none of them.
long Win32Registry::LinkTarget(RegKey key, bool& link, std::wstring& target) {
    link = false;
    std::wstring own;
    LONG result = RealName(KeyHandle(key), own);
    if (result != ERROR_SUCCESS) return result;
    // The real name is opened as it is: a 32-bit process on 64-bit Windows asks for the
    // 64-bit view, where no redirection rewrites it.
    HKEY followed = nullptr;
    const LONG opened =
        OpenCounted(nullptr, own, 0, MAXIMUM_ALLOWED | ViewFlag(RegistryView::kNative), followed);
    if (opened == ERROR_SUCCESS) {
        std::wstring reached;
        result = RealName(followed, reached);
        RegCloseKey(followed);
        if (result != ERROR_SUCCESS) return result;
        if (SameName(reached, own)) return ERROR_SUCCESS;
        link = true;
    }
    HKEY values = nullptr;
    if (ReopenOpenKey(KeyHandle(key), KEY_QUERY_VALUE, values) == ERROR_SUCCESS) {
        DWORD type = 0;
        DWORD size = 0;
        result = RegQueryValueExW(values, L"SymbolicLinkValue", nullptr, &type, nullptr, &size);
        if (result == ERROR_SUCCESS && type == REG_LINK) {
            std::vector<wchar_t> data(size / sizeof(wchar_t) + 1);
            size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
            result = RegQueryValueExW(values, L"SymbolicLinkValue", nullptr, &type,
                                      reinterpret_cast<BYTE*>(data.data()), &size);
            if (result == ERROR_SUCCESS && type == REG_LINK) {
                target.assign(data.data(), size / sizeof(wchar_t));
                link = true;
            }
        }
        RegCloseKey(values);
    }
    return link ? ERROR_SUCCESS : opened;
}

// A value name holds at most 16,383 characters; the data's size is asked first and asked
// again when the value grew meanwhile.
long Win32Registry::EnumValue(RegKey key, std::int32_t index, RegistryValue& value) {
    constexpr DWORD kMaxValueName = 16383;
    std::vector<wchar_t> name(kMaxValueName + 1);
    DWORD size = 0;
    for (int tries = 0; tries < 8; ++tries) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        value.data.resize(size);
        DWORD type = 0;
        const LONG result =
            RegEnumValueW(KeyHandle(key), static_cast<DWORD>(index), name.data(), &nameLength,
                          nullptr, &type, size == 0 ? nullptr : value.data.data(), &size);
        if (result == ERROR_MORE_DATA) continue;
        if (result != ERROR_SUCCESS) return result;
        // Without a buffer the call succeeds with the size alone.
        if (size > value.data.size()) continue;
        value.name.assign(name.data(), nameLength);
        value.type = type;
        value.data.resize(size);
        return ERROR_SUCCESS;
    }
    return ERROR_MORE_DATA;
}

// The same answer the link check above gives the view, so that a place is named as the key
// the erase opens.
bool Win32Registry::Is64BitWindows() const {
    return RunsOn64BitWindows();
}

}  // namespace zelvane
