#include "platform/win32/win32_registry.h"

#include <winternl.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ascii_case.h"
#include "platform/strings.h"
#include "platform/win32/win32_dll_safety.h"
#include "platform/win32/win32_sid.h"

namespace zelvane {

namespace {

HKEY KeyHandle(RegKey key) {
    return reinterpret_cast<HKEY>(key);
}

constexpr REGSAM kDeleteAccess = static_cast<REGSAM>(KeyAccess::kErase);
static_assert(kDeleteAccess == (DELETE | KEY_ENUMERATE_SUB_KEYS) &&
              static_cast<REGSAM>(KeyAccess::kEraseAndRead) == (kDeleteAccess | KEY_QUERY_VALUE) &&
              static_cast<REGSAM>(KeyAccess::kRead) == KEY_READ &&
              kKeyEnumerateSubKeys == KEY_ENUMERATE_SUB_KEYS && kKeyQueryValue == KEY_QUERY_VALUE &&
              kRegLink == REG_LINK);

// The longest name a counted string holds: its length is a count of bytes in 16 bits.
constexpr std::size_t kMaxCountedName = 0xFFFE / sizeof(wchar_t);

// The native calls the registry functions lack are all in ntdll since Windows NT, which every
// process has loaded; like every DLL the program asks for, it is named by its full system
// path. Opening by a counted name is the only way to reach a key whose name holds a NUL;
// deleting the very key a handle was opened on is the only way to delete a link rather than
// its target (RegDeleteKey and SHDeleteKey open the key by name again, and that open follows
// the link).
HMODULE Ntdll() {
    static const HMODULE ntdll = LoadSystemLibrary(L"ntdll.dll");
    return ntdll;
}

// A native call's failure as the Win32 error the registry functions would give.
LONG ErrorOf(LONG status) {
    using StatusToErrorFn = ULONG(NTAPI*)(LONG);
    static const auto toError = FindFunction<StatusToErrorFn>(Ntdll(), "RtlNtStatusToDosError");
    return toError ? static_cast<LONG>(toError(status)) : ERROR_CALL_NOT_IMPLEMENTED;
}

// Opens the key named exactly `name`, every code unit counted, below root, or by its kernel
// name (\REGISTRY\...) without a root; with OBJ_OPENLINK among the attributes a link is
// opened as the link. A name longer than a counted string holds is refused, never cut.
LONG OpenCounted(HKEY root, std::wstring_view name, ULONG attributes, REGSAM access, HKEY& key) {
    using OpenKeyFn = LONG(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES);
    static const auto openKey = FindFunction<OpenKeyFn>(Ntdll(), "NtOpenKey");
    if (openKey == nullptr) return ERROR_CALL_NOT_IMPLEMENTED;
    if (name.size() > kMaxCountedName) return kErrorNameTooLong;
    UNICODE_STRING counted;
    counted.Buffer = const_cast<PWSTR>(name.data());
    counted.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    counted.MaximumLength = counted.Length;
    OBJECT_ATTRIBUTES object;
    InitializeObjectAttributes(&object, &counted, OBJ_CASE_INSENSITIVE | attributes, root, nullptr);
    HANDLE handle = nullptr;
    const LONG status = openKey(&handle, access, &object);
    if (status < 0) return ErrorOf(status);
    key = static_cast<HKEY>(handle);
    return ERROR_SUCCESS;
}

// Opens the subkey of parent named exactly `name`, all its code units counted, and a link as
// the link. An empty name would open the parent itself and a backslash would reach past the
// child: no subkey has either, and the walk never opens such a name.
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
    using DeleteKeyFn = LONG(NTAPI*)(HANDLE);
    static const auto deleteKey = FindFunction<DeleteKeyFn>(Ntdll(), "NtDeleteKey");
    if (deleteKey == nullptr) return ERROR_CALL_NOT_IMPLEMENTED;
    const LONG status = deleteKey(key);
    return status < 0 ? ErrorOf(status) : ERROR_SUCCESS;
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
        names.push_back(std::wstring(name, length));
    }
    LONG failure = ERROR_SUCCESS;
    for (const std::wstring& name : names) {
        HKEY child = nullptr;
        LONG result = OpenChild(key, name, kDeleteAccess, child);
        if (result == ERROR_SUCCESS) {
            result = DeleteSubtree(child, depth + 1, deleted);
            RegCloseKey(child);
        }
        if (result != ERROR_SUCCESS && !IsNotThere(result) && failure == ERROR_SUCCESS)
            failure = result;
    }
    if (failure != ERROR_SUCCESS) return failure;
    const LONG result = DeleteOpenKey(key);
    if (result == ERROR_SUCCESS) deleted = true;
    return result;
}

// The name of a key as the registry itself knows it, every link resolved:
// \REGISTRY\MACHINE\SOFTWARE\... ; a key's own handle, whatever its rights, may ask. Nesting
// makes it as long as 512 names of 255 characters, longer than any path a call takes, so the
// buffer grows to what the registry says it needs.
LONG RealName(HKEY key, std::wstring& name) {
    using QueryKeyFn = LONG(NTAPI*)(HANDLE, int, PVOID, ULONG, PULONG);
    static const auto queryKey = FindFunction<QueryKeyFn>(Ntdll(), "NtQueryKey");
    if (queryKey == nullptr) return ERROR_CALL_NOT_IMPLEMENTED;
    constexpr int kKeyNameInformation = 3;
    constexpr LONG kBufferOverflow = static_cast<LONG>(0x80000005);
    constexpr LONG kBufferTooSmall = static_cast<LONG>(0xC0000023);
    std::vector<ULONG> buffer(128);  // the name's length in bytes, then the name
    for (;;) {
        const auto bytes = static_cast<ULONG>(buffer.size() * sizeof(ULONG));
        ULONG needed = 0;
        const LONG status = queryKey(key, kKeyNameInformation, buffer.data(), bytes, &needed);
        if ((status == kBufferOverflow || status == kBufferTooSmall) && needed > bytes) {
            buffer = std::vector<ULONG>(needed / sizeof(ULONG) + 1);
            continue;
        }
        if (status < 0) return ErrorOf(status);
        name.assign(reinterpret_cast<const wchar_t*>(buffer.data() + 1),
                    buffer[0] / sizeof(wchar_t));
        return ERROR_SUCCESS;
    }
}

// Opens a key by its real name as the system opens names, following a link: in one piece,
// or where the name is longer than a counted string holds, in pieces split at backslashes,
// each below the key the piece before opened. Every key a real name passes through is the key
// it names, never a link, so only the last piece can lead elsewhere; above is the failure of
// a piece before it, which says nothing of where the key leads.
LONG OpenRealName(std::wstring_view real, REGSAM access, HKEY& key, LONG& above) {
    HKEY at = nullptr;
    above = ERROR_SUCCESS;
    while (real.size() > kMaxCountedName) {
        const std::size_t cut = real.rfind(L'\\', kMaxCountedName);
        if (cut == real.npos || cut == 0) above = kErrorNameTooLong;
        HKEY next = nullptr;
        if (above == ERROR_SUCCESS) above = OpenCounted(at, real.substr(0, cut), 0, access, next);
        if (at != nullptr) RegCloseKey(at);
        if (above != ERROR_SUCCESS) return above;
        at = next;
        real.remove_prefix(cut + 1);
    }
    const LONG result = OpenCounted(at, real, 0, access, key);
    if (at != nullptr) RegCloseKey(at);
    return result;
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

// The real name root\path has when no link lies on it. The machine's SOFTWARE key seen in the
// 32-bit view of 64-bit Windows is SOFTWARE\Wow6432Node; nowhere else does the view change a
// name on these paths.
bool ExpectedName(std::int32_t root, const std::wstring& path, RegistryView view,
                  std::wstring& name) {
    std::wstring expected = path;
    if (root == kHkeyLocalMachine) {
        name = L"\\REGISTRY\\MACHINE";
        constexpr std::wstring_view software = L"SOFTWARE\\";
        if (view == RegistryView::k32Bit && RunsOn64BitWindows() &&
            SameIgnoringAsciiCase(std::wstring_view(expected).substr(0, software.size()),
                                  software)) {
            expected.insert(software.size(), L"Wow6432Node\\");
        }
    } else if (root == kHkeyUsers) {
        name = L"\\REGISTRY\\USER";
    } else if (root != kHkeyCurrentUser || !CurrentUserHiveName(name)) {
        return false;
    }
    if (!expected.empty()) {
        name += L'\\';
        name += expected;
    }
    return true;
}

// Opens root\path with the given rights; with kFollowNone, only if no link lies anywhere on
// it, the key itself included. Opening each component as a link (REG_OPTION_OPEN_LINK) would
// not tell a link from a key without reading the link's value, which its maker can forbid;
// and it would have to redo the 32-bit view's redirection by hand. So the path is opened as
// the system opens it, following links and the view, and the key reached is then asked for
// its real name (NtQueryKey, which needs no right on the key and answers alike on Windows and
// Wine): a link anywhere on the path leaves the name of its target there instead of the
// path's own. The handle is kept, so what is checked is what is opened from.
LONG OpenPath(std::int32_t root, const std::wstring& path, REGSAM access, RegistryView view,
              LinkRule links, HKEY& key) {
    LONG result = RegOpenKeyExW(HiveHandle(root), path.c_str(), 0, access | ViewFlag(view), &key);
    if (result != ERROR_SUCCESS || links == LinkRule::kFollowAboveAccount) return result;
    std::wstring expected;
    std::wstring real;
    result = ExpectedName(root, path, view, expected) ? RealName(key, real) : ERROR_INVALID_HANDLE;
    if (result == ERROR_SUCCESS && !SameIgnoringAsciiCase(real, expected)) {
        result = kErrorRegistryLink;
    }
    if (result != ERROR_SUCCESS) {
        RegCloseKey(key);
        key = nullptr;
    }
    return result;
}

// The erase and the reading of an account's subtree reach the account's key alike.
// Following links above the account, the key is opened by its full path, which needs no
// right on the keys above it: a standard user who may only read NewOwners learns that the
// account is not there, rather than that access is denied. Without, it is opened below the
// NewOwners key that was checked. Either way the account's key itself is opened as a link,
// if it is one.
LONG OpenAccountKey(std::int32_t root, const std::wstring& parentPath, const std::wstring& name,
                    RegistryView view, LinkRule links, REGSAM access, HKEY& key) {
    if (links == LinkRule::kFollowNone) {
        HKEY parent = nullptr;
        // READ_CONTROL: the least a handle can hold; opening below it needs no right on it.
        LONG opened = OpenPath(root, parentPath, READ_CONTROL, view, links, parent);
        if (opened == ERROR_SUCCESS) {
            opened = OpenChild(parent, name, access, key);
            RegCloseKey(parent);
        }
        return opened;
    }
    const std::wstring path = Joined({parentPath, L"\\", name});
    return RegOpenKeyExW(HiveHandle(root), path.c_str(), REG_OPTION_OPEN_LINK,
                         access | ViewFlag(view), &key);
}

REGSAM AccessMask(KeyAccess access) {
    return static_cast<REGSAM>(access);
}

// A watch: the key opened once more with the right to be watched, and the event the
// registry sets at a change.
struct SubkeyWatch {
    HKEY key;
    HANDLE changed;
};

}  // namespace

long Win32Registry::OpenKey(std::int32_t root, const std::wstring& path, RegKey& key,
                            RegistryView view, LinkRule links) {
    HKEY handle = nullptr;
    const LONG result = OpenPath(root, path, KEY_ENUMERATE_SUB_KEYS, view, links, handle);
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
        OpenAccountKey(root, parentPath, name, view, links, AccessMask(access), handle);
    key = reinterpret_cast<RegKey>(handle);
    return result;
}

long Win32Registry::OpenSubkey(RegKey key, const std::wstring& name, KeyAccess access,
                               RegKey& subkey) {
    HKEY handle = nullptr;
    const LONG result = OpenChild(KeyHandle(key), name, AccessMask(access), handle);
    subkey = reinterpret_cast<RegKey>(handle);
    return result;
}

// A key is a link when opening it by its own real name, as the system opens names, leads
// elsewhere: to its target, or nowhere when the target is not there or refuses the open. Any
// key may hold a value named SymbolicLinkValue of type REG_LINK, so that value alone proves
// nothing; it is read for the target's name, and to tell a link whose target does not open
// from a key that did not open for another reason, which is not known to be either. The open
// asks for whatever rights the caller has (MAXIMUM_ALLOWED), which on a key that is no link
// are at least those the walk opened it with, and uses none of them. The real name is opened
// as it is: a 32-bit process on 64-bit Windows asks for the 64-bit view, where no
// redirection rewrites it.
long Win32Registry::LinkTarget(RegKey key, bool& link, std::wstring& target) {
    link = false;
    std::wstring own;
    LONG result = RealName(KeyHandle(key), own);
    if (result != ERROR_SUCCESS) return result;
    HKEY followed = nullptr;
    LONG above = ERROR_SUCCESS;
    const LONG opened =
        OpenRealName(own, MAXIMUM_ALLOWED | ViewFlag(RegistryView::kNative), followed, above);
    if (above != ERROR_SUCCESS) return above;
    if (opened == ERROR_SUCCESS) {
        std::wstring reached;
        result = RealName(followed, reached);
        RegCloseKey(followed);
        if (result != ERROR_SUCCESS) return result;
        if (SameIgnoringAsciiCase(reached, own)) return ERROR_SUCCESS;
        link = true;
    }
    HKEY values = nullptr;
    if (ReopenOpenKey(KeyHandle(key), KEY_QUERY_VALUE, values) == ERROR_SUCCESS) {
        DWORD type = 0;
        DWORD size = 0;
        result = RegQueryValueExW(values, kLinkValueName, nullptr, &type, nullptr, &size);
        if (result == ERROR_SUCCESS && type == REG_LINK) {
            std::vector<wchar_t> data(size / sizeof(wchar_t) + 1);
            size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
            result = RegQueryValueExW(values, kLinkValueName, nullptr, &type,
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

// A value name holds at most 16,383 characters. The data goes into a buffer that fits most
// values at once; when the value is larger, or grew meanwhile, the call says how large and is
// made again.
long Win32Registry::EnumValue(RegKey key, std::int32_t index, RegistryValue& value) {
    constexpr DWORD kMaxValueName = 16383;
    constexpr DWORD kFirstSize = 512;
    wchar_t name[kMaxValueName + 1];
    DWORD size = kFirstSize;
    for (int tries = 0; tries < 8; ++tries) {
        value.data.resize(size);
        DWORD nameLength = kMaxValueName + 1;
        DWORD type = 0;
        const LONG result = RegEnumValueW(KeyHandle(key), static_cast<DWORD>(index), name,
                                          &nameLength, nullptr, &type, value.data.data(), &size);
        if (result == ERROR_MORE_DATA) continue;
        if (result != ERROR_SUCCESS) return result;
        value.name.assign(name, nameLength);
        value.type = type;
        value.data.resize(size);
        return ERROR_SUCCESS;
    }
    return ERROR_MORE_DATA;
}

long Win32Registry::DeleteKey(RegKey key) {
    return DeleteOpenKey(KeyHandle(key));
}

// Made through the native call, with the name counted, and as the link where one of that name
// is there already, so that a restore never writes through a link; a key that was there is
// closed again at once.
long Win32Registry::CreateKey(RegKey key, const std::wstring& name, RegKey& subkey) {
    using CreateKeyFn = LONG(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, ULONG,
                                     PUNICODE_STRING, ULONG, PULONG);
    static const auto createKey = FindFunction<CreateKeyFn>(Ntdll(), "NtCreateKey");
    if (createKey == nullptr) return ERROR_CALL_NOT_IMPLEMENTED;
    if (name.empty() || name.size() > kMaxKeyName || name.find(L'\\') != name.npos) {
        return ERROR_BADKEY;
    }
    UNICODE_STRING counted;
    counted.Buffer = const_cast<PWSTR>(name.data());
    counted.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    counted.MaximumLength = counted.Length;
    OBJECT_ATTRIBUTES object;
    InitializeObjectAttributes(&object, &counted, OBJ_CASE_INSENSITIVE | OBJ_OPENLINK,
                               KeyHandle(key), nullptr);
    HANDLE handle = nullptr;
    ULONG disposition = 0;
    const LONG status = createKey(&handle, KEY_CREATE_SUB_KEY | KEY_SET_VALUE, &object, 0, nullptr,
                                  REG_OPTION_NON_VOLATILE, &disposition);
    if (status < 0) return ErrorOf(status);
    if (disposition != REG_CREATED_NEW_KEY) {
        RegCloseKey(static_cast<HKEY>(handle));
        return ERROR_ALREADY_EXISTS;
    }
    subkey = reinterpret_cast<RegKey>(handle);
    return ERROR_SUCCESS;
}

// The native call takes the bytes as they are: RegSetValueExW would count a string's NUL that
// its size leaves out when one follows it in memory.
long Win32Registry::SetValue(RegKey key, const RegistryValue& value) {
    using SetValueFn = LONG(NTAPI*)(HANDLE, PUNICODE_STRING, ULONG, ULONG, PVOID, ULONG);
    static const auto setValue = FindFunction<SetValueFn>(Ntdll(), "NtSetValueKey");
    if (setValue == nullptr) return ERROR_CALL_NOT_IMPLEMENTED;
    if (value.name.size() > kMaxCountedName) return kErrorNameTooLong;
    UNICODE_STRING counted;
    counted.Buffer = const_cast<PWSTR>(value.name.data());
    counted.Length = static_cast<USHORT>(value.name.size() * sizeof(wchar_t));
    counted.MaximumLength = counted.Length;
    const LONG status = setValue(KeyHandle(key), &counted, 0, value.type,
                                 const_cast<std::uint8_t*>(value.data.data()),
                                 static_cast<ULONG>(value.data.size()));
    return status < 0 ? ErrorOf(status) : ERROR_SUCCESS;
}

// The registry sets the event at the first change after the call; the key's handle is the
// walk's own, opened once more since the right to be watched is one the walk does not ask of
// every key.
long Win32Registry::WatchSubkeys(RegKey key, bool subtree, RegWatch& watch) {
    HKEY watched = nullptr;
    LONG result = ReopenOpenKey(KeyHandle(key), KEY_NOTIFY, watched);
    if (result != ERROR_SUCCESS) return result;
    const HANDLE changed = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    result = changed == nullptr
                 ? static_cast<LONG>(GetLastError())
                 : RegNotifyChangeKeyValue(watched, subtree, REG_NOTIFY_CHANGE_NAME, changed, TRUE);
    if (result != ERROR_SUCCESS) {
        if (changed != nullptr) CloseHandle(changed);
        RegCloseKey(watched);
        return result;
    }
    watch = reinterpret_cast<RegWatch>(new SubkeyWatch{watched, changed});
    return ERROR_SUCCESS;
}

bool Win32Registry::EndWatch(RegWatch watch) {
    const std::unique_ptr<SubkeyWatch> ended(reinterpret_cast<SubkeyWatch*>(watch));
    const bool changed = WaitForSingleObject(ended->changed, 0) != WAIT_TIMEOUT;
    RegCloseKey(ended->key);
    CloseHandle(ended->changed);
    return changed;
}

// The same answer the link check above gives the view, so that a place is named as the key
// the erase opens.
bool Win32Registry::Is64BitWindows() const {
    return RunsOn64BitWindows();
}

}  // namespace zelvane
