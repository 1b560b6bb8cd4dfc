#include "platform/win32/win32_dll_safety.h"

#include <string>

namespace zelvane {

namespace {

// The LoadLibraryEx and SetDefaultDllDirectories flags of Windows 7 with KB2533623 and later;
// the headers for Windows XP leave them out.
constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32

// Set once the search is restricted to the system folder; until then a DLL loaded by full
// path takes its own dependencies from its folder first (LOAD_WITH_ALTERED_SEARCH_PATH).
bool searchRestricted = false;

bool IsWindowsVista() {
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExW(&version)) return false;
#pragma GCC diagnostic pop
    return version.dwMajorVersion == 6 && version.dwMinorVersion == 0;
}

void RestrictSearch() {
    // Windows Vista with KB2533623 has SetDefaultDllDirectories too, but there the
    // restriction also binds the in-process shell and COM handlers that a ShellExecute of
    // the About window's links or of the elevation may load, and some of those (a mail or
    // browser handler, say) take DLLs from their own folders by name and then fail to load.
    // Vista therefore takes the older way below; the preloading after it covers the system
    // DLLs that the program's own paths load by name, which is what a planted DLL would
    // stand in for.
    const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
    const auto setDefault =
        FindFunction<BOOL(WINAPI*)(DWORD)>(kernel32, "SetDefaultDllDirectories");
    if (setDefault != nullptr && !IsWindowsVista() && setDefault(kSearchSystem32)) {
        searchRestricted = true;
        return;
    }
    // Windows XP SP1 and later: takes the current folder out of the search. The exe's own
    // folder stays first, which the preloading answers for.
    const auto setDirectory = FindFunction<BOOL(WINAPI*)(LPCWSTR)>(kernel32, "SetDllDirectoryW");
    if (setDirectory != nullptr) setDirectory(L"");
}

// The DLLs that Windows loads by name, on demand, for what the program does, and that are
// not KnownDLLs (a KnownDLL always comes from the system folder). Each is loaded here from
// the system folder, so that the later load by name finds it loaded already.
// Measured under Wine with WINEDEBUG=+loaddll over start-up, the About window and a link, a
// confirmation and an erasure, and the instance started as administrator: beyond the static
// imports and what they load at their own start, the program loads comctl32 (side by side),
// uxtheme (comctl32's start and the themed frames), msimg32 (alpha blending at the first
// paint), oleacc (the COM server behind the accessible names) and oleaut32 (a KnownDLL).
// Wine opens links in a process of its own; Windows' ShellExecute and COM work inside the
// program and load the rest by name there:
//   dwmapi     the frames and comctl32 ask the compositor (Vista and later)
//   version    file versions, for the shell's checks
//   propsys, userenv, setupapi, apphelp, cryptbase, clbcatq
//              ShellExecute of a link and of the elevation: property stores, the user's
//              profile folders, device and compatibility checks, the COM class catalogue
constexpr const wchar_t* kOnDemandDlls[] = {
    L"uxtheme.dll",  L"dwmapi.dll",  L"msimg32.dll",   L"oleacc.dll",
    L"version.dll",  L"propsys.dll", L"cryptbase.dll", L"userenv.dll",
    L"setupapi.dll", L"apphelp.dll", L"clbcatq.dll",
};

}  // namespace

HMODULE LoadSystemLibrary(const wchar_t* name) {
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    std::wstring path(folder, length);
    path += L'\\';
    path += name;
    return LoadLibraryExW(path.c_str(), nullptr,
                          searchRestricted ? 0 : LOAD_WITH_ALTERED_SEARCH_PATH);
}

HMODULE LoadSideBySideLibrary(const wchar_t* name) {
    return LoadLibraryExW(name, nullptr, searchRestricted ? kSearchSystem32 : 0);
}

void (*FunctionFinder::Address(const char* name))() {
    const auto function = FindFunction<void (*)()>(library_, name);
    if (function == nullptr && missing_ == nullptr) missing_ = name;
    return function;
}

void ProtectDllSearch() {
    RestrictSearch();
    // A name that an older Windows lacks (dwmapi before Vista, say) is simply not loaded.
    for (const wchar_t* name : kOnDemandDlls) LoadSystemLibrary(name);
}

}  // namespace zelvane
