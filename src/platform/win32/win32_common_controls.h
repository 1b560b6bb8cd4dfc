// The common controls library, loaded while the program runs rather than imported: it is
// not a KnownDLL, so a static import would have Windows look for it beside the exe before
// the program's first instruction, and it loads further DLLs by name while it starts.
#pragma once

#include <string>

#include <windows.h>

#include <commctrl.h>

namespace zelvane {

// The functions the program calls in comctl32.dll.
struct CommonControlsApi {
    BOOL(WINAPI* InitCommonControlsEx)(const INITCOMMONCONTROLSEX*);
    BOOL(WINAPI* SetWindowSubclass)(HWND, SUBCLASSPROC, UINT_PTR, DWORD_PTR);
    BOOL(WINAPI* RemoveWindowSubclass)(HWND, SUBCLASSPROC, UINT_PTR);
    LRESULT(WINAPI* DefSubclassProc)(HWND, UINT, WPARAM, LPARAM);
};

// Loads the library (the version the manifest selects) and fills the table, once. Returns
// nullptr when the library or one of the functions is missing, and then puts a sentence
// saying which in *problem.
const CommonControlsApi* LoadCommonControls(std::wstring* problem = nullptr);

// The table; loads it on first use and throws RuntimeError when that fails.
const CommonControlsApi& CommonControls();

}  // namespace zelvane
