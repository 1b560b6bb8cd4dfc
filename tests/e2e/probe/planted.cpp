// A DLL to plant beside zelvane.exe under the name of a system DLL: when loaded, it appends
// its own path to planted.log in its folder. It exports nothing; Wine fills whatever a
// program imports from it with stubs, so the load itself goes through.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID /*reserved*/) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    char path[MAX_PATH + 16];
    const DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return TRUE;
    DWORD folder = length;
    while (folder > 0 && path[folder - 1] != '\\') --folder;
    char log[MAX_PATH + 16];
    lstrcpynA(log, path, static_cast<int>(folder) + 1);
    lstrcatA(log, "planted.log");
    const HANDLE file = CreateFileA(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return TRUE;
    lstrcatA(path, "\r\n");
    DWORD written = 0;
    WriteFile(file, path, static_cast<DWORD>(lstrlenA(path)), &written, nullptr);
    CloseHandle(file);
    return TRUE;
}
