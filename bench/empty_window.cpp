// The start-up baseline: a top-level window, shown, and a message loop; nothing else.
//
// Built a second time as empty_window_dlls.exe, with ZELVANE_BENCH_DLLS defined: the same
// window in a program that carries zelvane.exe's resources (its manifest asks for the
// version 6 common controls) and loads the DLLs zelvane.exe imports, so that the two
// start-up times tell the cost of those DLLs from the cost of zelvane.exe's own work.
#include <windows.h>

#ifdef ZELVANE_BENCH_DLLS
#include <commctrl.h>
#include <shellapi.h>
#include <shlwapi.h>
#endif

#include "empty_window.h"

namespace {

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int show) {
#ifdef ZELVANE_BENCH_DLLS
    // What zelvane.exe does first; and one function of each DLL it imports besides, so
    // that the loader maps them all as it does for zelvane.exe. They are not called.
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    static const void* volatile imported[] = {
        reinterpret_cast<const void*>(&SHDeleteKeyA),
        reinterpret_cast<const void*>(&ShellExecuteA),
        reinterpret_cast<const void*>(&RegOpenKeyA),
        reinterpret_cast<const void*>(&CreateFontIndirectW),
    };
    if (imported[0] == nullptr) return 1;
#endif
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    windowClass.lpszClassName = kEmptyWindowClass;
    if (RegisterClassExW(&windowClass) == 0) return 1;

    const HWND window =
        CreateWindowExW(0, kEmptyWindowClass, kEmptyWindowTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                        CW_USEDEFAULT, 200, 150, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return 1;
    ShowWindow(window, show);
    UpdateWindow(window);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
