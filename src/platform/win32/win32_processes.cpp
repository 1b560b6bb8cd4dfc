#include "platform/win32/win32_processes.h"

#include <windows.h>

#include <tlhelp32.h>

#include <vector>

#include "platform/win32/win32_sid.h"

namespace zelvane {

namespace {

std::uint32_t SessionOf(DWORD id) {
    DWORD session = 0;
    return ProcessIdToSessionId(id, &session) ? session : kUnknownSession;
}

// The limited right that Vista brought is enough for the token, and is granted for more
// processes; Windows XP knows only the full one.
HANDLE OpenForQuery(DWORD id) {
    constexpr DWORD kQueryLimitedInformation = 0x1000;
    HANDLE process = OpenProcess(kQueryLimitedInformation, FALSE, id);
    return process != nullptr ? process : OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, id);
}

}  // namespace

long Win32Processes::Snapshot(std::vector<ProcessEntry>& processes) {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return static_cast<long>(GetLastError());
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry)) {
        processes.push_back({entry.szExeFile, entry.th32ProcessID, SessionOf(entry.th32ProcessID)});
    }
    const DWORD ended = GetLastError();
    CloseHandle(snapshot);
    return ended == ERROR_NO_MORE_FILES ? 0 : static_cast<long>(ended);
}

std::uint32_t Win32Processes::CurrentSession() {
    return SessionOf(GetCurrentProcessId());
}

std::wstring Win32Processes::User(std::uint32_t id) {
    const HANDLE process = OpenForQuery(id);
    if (process == nullptr) return {};
    HANDLE token = nullptr;
    const BOOL opened = OpenProcessToken(process, TOKEN_QUERY, &token);
    CloseHandle(process);
    if (!opened) return {};
    std::vector<BYTE> user = ReadTokenUser(token);
    CloseHandle(token);
    return user.empty() ? L"" : AccountNameOf(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid);
}

}  // namespace zelvane
