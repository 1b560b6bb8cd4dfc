// regtool.exe: what Wine's reg cannot do to a key, for the end-to-end tests' registry set-up.
//
//   regtool link KEY TARGET      makes KEY a registry link to TARGET, which is under HKCU
//   regtool unlink KEY           deletes the link KEY itself (reg delete would follow it)
//   regtool nulkeys KEY...       makes below each KEY the subkeys "\0x" and "A\0B", counted
//                                names with a NUL that only the native calls can give
//   regtool unnul KEY...         deletes them again where they are left (reg cannot)
//   regtool dacl KEY SDDL [32]   replaces KEY's DACL (in SDDL), in the 32-bit view with 32
//
// KEY and TARGET start with HKCU, HKU or HKLM, e.g. HKCU\Software\Mirabilis. Exit code 0 on
// success, 1 with the system error otherwise.

#include <windows.h>

#include <sddl.h>
#include <winternl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "user_key_path.h"

namespace {

bool SplitKey(const std::wstring& key, HKEY& hive, std::wstring& path) {
    const std::pair<const wchar_t*, HKEY> hives[] = {
        {L"HKCU\\", HKEY_CURRENT_USER}, {L"HKU\\", HKEY_USERS}, {L"HKLM\\", HKEY_LOCAL_MACHINE}};
    for (const auto& [name, handle] : hives) {
        const std::wstring prefix(name);
        if (key.compare(0, prefix.size(), prefix) == 0) {
            hive = handle;
            path = key.substr(prefix.size());
            return true;
        }
    }
    return false;
}

LONG Link(HKEY hive, const std::wstring& path, const std::wstring& target) {
    HKEY link = nullptr;
    LONG result = RegCreateKeyExW(hive, path.c_str(), 0, nullptr, REG_OPTION_CREATE_LINK,
                                  KEY_ALL_ACCESS | KEY_CREATE_LINK, nullptr, &link, nullptr);
    if (result != ERROR_SUCCESS) return result;
    const std::wstring nt = zelvane::UserKeyNtPath() + L"\\" + target;
    result = RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK,
                            reinterpret_cast<const BYTE*>(nt.data()),
                            static_cast<DWORD>(nt.size() * sizeof(wchar_t)));
    RegCloseKey(link);
    return result;
}

template <typename Fn>
Fn Native(const char* name) {
    return reinterpret_cast<Fn>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), name)));
}

LONG Unlink(HKEY hive, const std::wstring& path) {
    HKEY link = nullptr;
    LONG result = RegOpenKeyExW(hive, path.c_str(), REG_OPTION_OPEN_LINK, DELETE, &link);
    if (result != ERROR_SUCCESS) return result;
    const auto deleteKey = Native<LONG(NTAPI*)(HANDLE)>("NtDeleteKey");
    const auto toError = Native<ULONG(NTAPI*)(LONG)>("RtlNtStatusToDosError");
    result = static_cast<LONG>(toError(deleteKey(link)));
    RegCloseKey(link);
    return result;
}

// The two keys named with a NUL below hive\path: made, or deleted where they are.
LONG NulKeys(HKEY hive, const std::wstring& path, bool make) {
    HKEY parent = nullptr;
    LONG result = make ? RegCreateKeyExW(hive, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                         &parent, nullptr)
                       : RegOpenKeyExW(hive, path.c_str(), 0, KEY_ALL_ACCESS, &parent);
    if (result != ERROR_SUCCESS) return make ? result : ERROR_SUCCESS;
    using CreateKeyFn = LONG(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, ULONG,
                                     PUNICODE_STRING, ULONG, PULONG);
    const auto createKey = Native<CreateKeyFn>("NtCreateKey");
    const auto deleteKey = Native<LONG(NTAPI*)(HANDLE)>("NtDeleteKey");
    const auto toError = Native<ULONG(NTAPI*)(LONG)>("RtlNtStatusToDosError");
    for (const std::wstring& name : {std::wstring(L"\0x", 2), std::wstring(L"A\0B", 3)}) {
        UNICODE_STRING counted{static_cast<USHORT>(name.size() * 2),
                               static_cast<USHORT>(name.size() * 2),
                               const_cast<PWSTR>(name.data())};
        OBJECT_ATTRIBUTES attributes;
        InitializeObjectAttributes(&attributes, &counted, OBJ_CASE_INSENSITIVE, parent, nullptr);
        HANDLE child = nullptr;
        LONG status = createKey(&child, KEY_ALL_ACCESS, &attributes, 0, nullptr, 0, nullptr);
        if (status >= 0 && !make) status = deleteKey(child);
        if (child != nullptr) CloseHandle(child);
        if (status < 0) {
            result = static_cast<LONG>(toError(status));
            break;
        }
    }
    RegCloseKey(parent);
    return result;
}

LONG SetDacl(HKEY hive, const std::wstring& path, const wchar_t* sddl, REGSAM view) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor,
                                                              nullptr)) {
        return static_cast<LONG>(GetLastError());
    }
    HKEY key = nullptr;
    LONG result = RegOpenKeyExW(hive, path.c_str(), REG_OPTION_OPEN_LINK, WRITE_DAC | view, &key);
    if (result == ERROR_SUCCESS) {
        result = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor);
        RegCloseKey(key);
    }
    LocalFree(descriptor);
    return result;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    HKEY hive = nullptr;
    std::wstring path;
    if (argc < 3 || !SplitKey(argv[2], hive, path)) {
        std::fprintf(
            stderr,
            "usage: regtool link KEY TARGET | unlink KEY | nulkeys KEY... | unnul KEY... | "
            "dacl KEY SDDL [32]\n");
        return 2;
    }
    const std::wstring command = argv[1];
    LONG result = ERROR_INVALID_PARAMETER;
    HKEY targetHive = nullptr;
    std::wstring target;
    if (command == L"unlink") {
        result = Unlink(hive, path);
    } else if (command == L"nulkeys" || command == L"unnul") {
        for (int i = 2; i < argc; ++i) {
            result = SplitKey(argv[i], hive, path) ? NulKeys(hive, path, command == L"nulkeys")
                                                   : ERROR_INVALID_PARAMETER;
            if (result != ERROR_SUCCESS) break;
        }
    } else if (argc < 4) {
        result = ERROR_INVALID_PARAMETER;
    } else if (command == L"link" && SplitKey(argv[3], targetHive, target) &&
               targetHive == HKEY_CURRENT_USER) {
        result = Link(hive, path, target);
    } else if (command == L"dacl") {
        const REGSAM view = argc > 4 && std::wstring(argv[4]) == L"32" ? KEY_WOW64_32KEY : 0;
        result = SetDacl(hive, path, argv[3], view);
    }
    if (result != ERROR_SUCCESS) std::fprintf(stderr, "regtool: error %ld\n", result);
    return result == ERROR_SUCCESS ? 0 : 1;
}
