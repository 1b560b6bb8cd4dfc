// regtool.exe: what Wine's reg cannot do to a key, for the end-to-end tests' registry set-up.
//
//   regtool link KEY TARGET      makes KEY a registry link to TARGET (under HKCU or HKLM)
//   regtool unlink KEY           deletes the link KEY itself (reg delete would follow it)
//   regtool nulkeys KEY...       makes below each KEY the subkeys "\0x" and "A\0B", counted
//                                names with a NUL that only the native calls can give
//   regtool unnul KEY...         deletes them again where they are left (reg cannot)
//   regtool dacl KEY SDDL [32]   replaces KEY's DACL (in SDDL), in the 32-bit view with 32
//   regtool set KEY NAME TYPE HEX  sets a value of any type (decimal) to exactly the bytes
//                                given in hex, which reg add and reg import may change
//   regtool save KEY FILE        saves KEY as a hive file (RegSaveKeyW), as a profile's
//   regtool load NAME FILE       loads a hive file as HKU\NAME, as a logon does
//   regtool unload NAME          unloads HKU\NAME
//   regtool hold FILE            opens FILE without sharing, prints "held" and keeps it open
//                                until its standard input ends
//   regtool event NAME           creates an event of that name (Global\Name, say), prints
//                                "held" and keeps it until its standard input ends
//   regtool filedacl FILE        prints FILE's DACL in SDDL, as GetNamedSecurityInfoW reads it
//   regtool run PROGRAM [ARG...] runs PROGRAM with no standard handles and no console, as
//                                Explorer starts a program, and exits with its exit code
//   regtool nest KEY COUNT LENGTH  makes COUNT keys of LENGTH characters below KEY, each below
//                                the one before and with the value V: real names longer than
//                                any path a call takes
//   regtool churn KEY            makes and deletes the subkey "x" of KEY over and over, KEY
//                                opened again each time (so never made again once it is gone),
//                                from when it prints "held" until its standard input ends
//   regtool dump KEY...          prints each KEY with every key and value below it (UTF-8):
//                                the registry snapshots of the tests, in one process where
//                                reg export takes seconds for HKLM\Software
//
// KEY and TARGET start with HKCU, HKU or HKLM, e.g. HKCU\Software\Mirabilis (dump also takes a
// whole hive: HKCU, HKU, HKLM). Exit code 0 on
// success, 1 with the system error otherwise.

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>
#include <winternl.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "user_key_path.h"

namespace {

bool SplitKey(const std::wstring& key, HKEY& hive, std::wstring& path) {
    const std::pair<const wchar_t*, HKEY> hives[] = {
        {L"HKCU\\", HKEY_CURRENT_USER}, {L"HKU\\", HKEY_USERS}, {L"HKLM\\", HKEY_LOCAL_MACHINE}};
    for (const auto& [name, handle] : hives) {
        const std::wstring prefix(name);
        if (key.compare(0, prefix.size(), prefix) == 0 || key + L"\\" == prefix) {
            hive = handle;
            path = key.size() > prefix.size() ? key.substr(prefix.size()) : L"";
            return true;
        }
    }
    return false;
}

LONG LinkTo(HKEY hive, const std::wstring& path, const std::wstring& nt) {
    HKEY link = nullptr;
    LONG result = RegCreateKeyExW(hive, path.c_str(), 0, nullptr, REG_OPTION_CREATE_LINK,
                                  KEY_ALL_ACCESS | KEY_CREATE_LINK, nullptr, &link, nullptr);
    if (result != ERROR_SUCCESS) return result;
    result = RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK,
                            reinterpret_cast<const BYTE*>(nt.data()),
                            static_cast<DWORD>(nt.size() * sizeof(wchar_t)));
    RegCloseKey(link);
    return result;
}

LONG Link(HKEY hive, const std::wstring& path, const std::wstring& target) {
    return LinkTo(hive, path, zelvane::UserKeyNtPath() + L"\\" + target);
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

LONG EnableHivePrivileges() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token)) {
        return static_cast<LONG>(GetLastError());
    }
    LONG result = ERROR_SUCCESS;
    for (const wchar_t* name : {SE_BACKUP_NAME, SE_RESTORE_NAME}) {
        TOKEN_PRIVILEGES privileges = {1, {{{0, 0}, SE_PRIVILEGE_ENABLED}}};
        if (!LookupPrivilegeValueW(nullptr, name, &privileges.Privileges[0].Luid) ||
            !AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr)) {
            result = static_cast<LONG>(GetLastError());
        }
    }
    CloseHandle(token);
    return result;
}

LONG HoldEvent(const wchar_t* name) {
    const HANDLE held = CreateEventW(nullptr, TRUE, FALSE, name);
    if (held == nullptr) return static_cast<LONG>(GetLastError());
    std::printf("held\n");
    std::fflush(stdout);
    char buffer[64];
    DWORD read = 0;
    while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer, &read, nullptr) &&
           read > 0) {
    }
    CloseHandle(held);
    return ERROR_SUCCESS;
}

LONG PrintFileDacl(const wchar_t* file) {
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD result = GetNamedSecurityInfoW(file, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                               nullptr, nullptr, &dacl, nullptr, &descriptor);
    if (result != ERROR_SUCCESS) return static_cast<LONG>(result);
    wchar_t* text = nullptr;
    const BOOL converted = ConvertSecurityDescriptorToStringSecurityDescriptorW(
        descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr);
    const LONG error = converted ? ERROR_SUCCESS : static_cast<LONG>(GetLastError());
    if (converted) std::printf("%ls\n", text);
    LocalFree(text);
    LocalFree(descriptor);
    return error;
}

LONG Hold(const wchar_t* file) {
    const HANDLE held =
        CreateFileW(file, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (held == INVALID_HANDLE_VALUE) return static_cast<LONG>(GetLastError());
    std::printf("held\n");
    std::fflush(stdout);
    char buffer[64];
    DWORD read = 0;
    while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer, &read, nullptr) &&
           read > 0) {
    }
    CloseHandle(held);
    return ERROR_SUCCESS;
}

LONG Nest(HKEY hive, const std::wstring& path, int count, int length) {
    HKEY at = nullptr;
    LONG result = RegOpenKeyExW(hive, path.c_str(), 0, KEY_CREATE_SUB_KEY, &at);
    const std::wstring name(static_cast<std::size_t>(length), L'k');
    for (int i = 0; i < count && result == ERROR_SUCCESS; ++i) {
        HKEY next = nullptr;
        result = RegCreateKeyExW(at, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &next,
                                 nullptr);
        RegCloseKey(at);
        at = next;
        if (result == ERROR_SUCCESS) result = RegSetValueExW(at, L"V", 0, REG_SZ, nullptr, 0);
    }
    RegCloseKey(at);
    return result;
}

struct Churning {
    HKEY hive;
    std::wstring path;
    volatile LONG stop;
};

DWORD WINAPI ChurnLoop(void* parameter) {
    const auto* churning = static_cast<const Churning*>(parameter);
    while (churning->stop == 0) {
        HKEY key = nullptr;
        HKEY made = nullptr;
        if (RegOpenKeyExW(churning->hive, churning->path.c_str(), 0, KEY_CREATE_SUB_KEY | DELETE,
                          &key) == ERROR_SUCCESS &&
            RegCreateKeyExW(key, L"x", 0, nullptr, 0, KEY_READ, nullptr, &made, nullptr) ==
                ERROR_SUCCESS) {
            RegCloseKey(made);
            RegDeleteKeyW(key, L"x");
        }
        RegCloseKey(key);
    }
    return 0;
}

int Run(int argc, wchar_t** argv) {
    std::wstring command;
    for (int i = 2; i < argc; ++i) {
        command += (i > 2 ? L" \"" : L"\"") + std::wstring(argv[i]) + L"\"";
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr,
                        nullptr, &startup, &process)) {
        std::fprintf(stderr, "regtool: error %lu\n", GetLastError());
        return 255;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 255;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
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

// A name as one line of the dump: a character below the space (a NUL, a line break) as \uXXXX.
std::wstring Printable(const wchar_t* text, DWORD length) {
    std::wstring line;
    for (DWORD i = 0; i < length; ++i) {
        if (text[i] >= L' ') {
            line += text[i];
            continue;
        }
        wchar_t escape[8];
        std::swprintf(escape, 8, L"\\u%04x", static_cast<unsigned>(text[i]));
        line += escape;
    }
    return line;
}

// Writes "[shown]" for key, a line "\"name\"=type:hex" for each of its values, then the same
// for each subkey, each opened by its counted name (a NUL in it included) so that the walk
// never takes a key for another. A registry link below KEY is written as the link it is (its
// target value), not followed: the target is read where it lies, and a loop ends. A key that cannot
// be read is written "[shown] error N".
void Dump(HKEY key, const std::wstring& shown, std::wstring& out) {
    DWORD subkeys = 0, longestKey = 0, values = 0, longestValue = 0, longestData = 0;
    LONG result = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, &longestKey, nullptr,
                                   &values, &longestValue, &longestData, nullptr, nullptr);
    out += L"[" + shown + L"]";
    if (result != ERROR_SUCCESS) {
        out += L" error " + std::to_wstring(result) + L"\n";
        return;
    }
    out += L"\n";
    std::vector<wchar_t> name(std::max(longestKey, longestValue) + 2);
    std::vector<BYTE> data(longestData + 2);
    static const wchar_t kHex[] = L"0123456789abcdef";
    for (DWORD i = 0; i < values; ++i) {
        DWORD nameLength = static_cast<DWORD>(name.size()), size = static_cast<DWORD>(data.size());
        DWORD type = 0;
        if (RegEnumValueW(key, i, name.data(), &nameLength, nullptr, &type, data.data(), &size) !=
            ERROR_SUCCESS)
            continue;
        out += L"\"" + Printable(name.data(), nameLength) + L"\"=" + std::to_wstring(type) + L":";
        for (DWORD b = 0; b < size; ++b) {
            out += kHex[data[b] >> 4];
            out += kHex[data[b] & 15];
        }
        out += L"\n";
    }
    using OpenKeyFn = LONG(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES);
    static const auto openKey = Native<OpenKeyFn>("NtOpenKey");
    for (DWORD i = 0; i < subkeys; ++i) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        if (RegEnumKeyExW(key, i, name.data(), &nameLength, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            continue;
        UNICODE_STRING counted{static_cast<USHORT>(nameLength * 2),
                               static_cast<USHORT>(nameLength * 2), name.data()};
        OBJECT_ATTRIBUTES attributes;
        InitializeObjectAttributes(&attributes, &counted, OBJ_CASE_INSENSITIVE | OBJ_OPENLINK, key,
                                   nullptr);
        HANDLE child = nullptr;
        const std::wstring childShown = shown + L"\\" + Printable(name.data(), nameLength);
        const LONG status = openKey(&child, KEY_READ, &attributes);
        if (status < 0) {
            out += L"[" + childShown + L"] status " + std::to_wstring(status) + L"\n";
            continue;
        }
        Dump(static_cast<HKEY>(child), childShown, out);
        RegCloseKey(static_cast<HKEY>(child));
    }
}

// A whole hive, opened by its native name: the predefined handles are no root for NtOpenKey.
LONG OpenHive(HKEY hive, HKEY& key) {
    std::wstring name = hive == HKEY_CURRENT_USER ? zelvane::UserKeyNtPath()
                        : hive == HKEY_USERS      ? L"\\REGISTRY\\USER"
                                                  : L"\\REGISTRY\\MACHINE";
    UNICODE_STRING counted{static_cast<USHORT>(name.size() * 2),
                           static_cast<USHORT>(name.size() * 2), name.data()};
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &counted, OBJ_CASE_INSENSITIVE, nullptr, nullptr);
    HANDLE handle = nullptr;
    const auto openKey =
        Native<LONG(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES)>("NtOpenKey");
    const auto toError = Native<ULONG(NTAPI*)(LONG)>("RtlNtStatusToDosError");
    const LONG status = openKey(&handle, KEY_READ, &attributes);
    key = static_cast<HKEY>(handle);
    return static_cast<LONG>(toError(status));
}

// Dumps each KEY to standard output; a KEY that does not exist prints nothing.
int DumpKeys(int argc, wchar_t** argv) {
    std::wstring out;
    for (int i = 2; i < argc; ++i) {
        HKEY hive = nullptr;
        std::wstring path;
        if (!SplitKey(argv[i], hive, path)) return 2;
        HKEY key = nullptr;
        const LONG result = path.empty() ? OpenHive(hive, key)
                                         : RegOpenKeyExW(hive, path.c_str(), 0, KEY_READ, &key);
        if (result == ERROR_FILE_NOT_FOUND) continue;
        if (result != ERROR_SUCCESS) {
            std::fprintf(stderr, "regtool: error %ld\n", result);
            return 1;
        }
        Dump(key, argv[i], out);
        RegCloseKey(key);
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, out.data(), static_cast<int>(out.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, out.data(), static_cast<int>(out.size()), text.data(), size,
                        nullptr, nullptr);
    DWORD written = 0;
    return WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()),
                     &written, nullptr) &&
                   written == text.size()
               ? 0
               : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring first = argc > 1 ? argv[1] : L"";
    if (first == L"run" && argc > 2) return Run(argc, argv);
    if (first == L"dump" && argc > 2) return DumpKeys(argc, argv);
    if ((first == L"event" || first == L"filedacl") && argc == 3) {
        const LONG result = first == L"event" ? HoldEvent(argv[2]) : PrintFileDacl(argv[2]);
        if (result != ERROR_SUCCESS) std::fprintf(stderr, "regtool: error %ld\n", result);
        return result == ERROR_SUCCESS ? 0 : 1;
    }
    if ((first == L"hold" || first == L"unload") && argc == 3) {
        LONG result = first == L"hold" ? Hold(argv[2]) : EnableHivePrivileges();
        if (first == L"unload" && result == ERROR_SUCCESS) {
            result = RegUnLoadKeyW(HKEY_USERS, argv[2]);
        }
        if (result != ERROR_SUCCESS) std::fprintf(stderr, "regtool: error %ld\n", result);
        return result == ERROR_SUCCESS ? 0 : 1;
    }
    if (first == L"load" && argc == 4) {
        LONG result = EnableHivePrivileges();
        if (result == ERROR_SUCCESS) result = RegLoadKeyW(HKEY_USERS, argv[2], argv[3]);
        if (result != ERROR_SUCCESS) std::fprintf(stderr, "regtool: error %ld\n", result);
        return result == ERROR_SUCCESS ? 0 : 1;
    }
    HKEY hive = nullptr;
    std::wstring path;
    if (argc < 3 || !SplitKey(argv[2], hive, path)) {
        std::fprintf(
            stderr,
            "usage: regtool link KEY TARGET | unlink KEY | nulkeys KEY... | unnul KEY... | "
            "dacl KEY SDDL [32] | set KEY NAME TYPE HEX | save KEY FILE | load NAME FILE | unload "
            "NAME | hold FILE | event NAME | filedacl FILE | nest KEY COUNT LENGTH | churn KEY | "
            "run PROGRAM [ARG...] | dump KEY...\n");
        return 2;
    }
    const std::wstring command = argv[1];
    LONG result = ERROR_INVALID_PARAMETER;
    HKEY targetHive = nullptr;
    std::wstring target;
    if (command == L"unlink") {
        result = Unlink(hive, path);
    } else if (command == L"churn") {
        Churning churning{hive, path, 0};
        const HANDLE thread = CreateThread(nullptr, 0, ChurnLoop, &churning, 0, nullptr);
        result = thread == nullptr ? static_cast<LONG>(GetLastError()) : Hold(L"NUL");
        churning.stop = 1;
        WaitForSingleObject(thread, INFINITE);
    } else if (command == L"nest" && argc == 5) {
        result = Nest(hive, path, _wtoi(argv[3]), _wtoi(argv[4]));
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
    } else if (command == L"link" && SplitKey(argv[3], targetHive, target) &&
               targetHive == HKEY_LOCAL_MACHINE) {
        result = LinkTo(hive, path, L"\\REGISTRY\\MACHINE\\" + target);
    } else if (command == L"save") {
        HKEY key = nullptr;
        result = EnableHivePrivileges();
        if (result == ERROR_SUCCESS) result = RegOpenKeyExW(hive, path.c_str(), 0, KEY_READ, &key);
        if (result == ERROR_SUCCESS) {
            result = RegSaveKeyW(key, argv[3], nullptr);
            RegCloseKey(key);
        }
    } else if (command == L"set" && argc == 6) {
        std::vector<BYTE> bytes;
        const std::wstring hex = argv[5];
        for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
            bytes.push_back(static_cast<BYTE>(std::wcstoul(hex.substr(i, 2).c_str(), nullptr, 16)));
        }
        const DWORD size = static_cast<DWORD>(bytes.size());
        // RegSetValueExW counts a string's terminating NUL that the size leaves out when one
        // follows the data in memory, as Windows does: none follows here.
        bytes.insert(bytes.end(), {0xFF, 0xFF});
        HKEY key = nullptr;
        result = RegCreateKeyExW(hive, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                                 nullptr);
        if (result == ERROR_SUCCESS) {
            result = RegSetValueExW(key, argv[3], 0, std::wcstoul(argv[4], nullptr, 10),
                                    bytes.data(), size);
            RegCloseKey(key);
        }
    } else if (command == L"dacl") {
        const REGSAM view = argc > 4 && std::wstring(argv[4]) == L"32" ? KEY_WOW64_32KEY : 0;
        result = SetDacl(hive, path, argv[3], view);
    }
    if (result != ERROR_SUCCESS) std::fprintf(stderr, "regtool: error %ld\n", result);
    return result == ERROR_SUCCESS ? 0 : 1;
}
