#include "platform/win32/win32_dpi.h"

#include "platform/win32/win32_dll_safety.h"

namespace zelvane {

namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);

// GetDpiForWindow exists from Windows 10 version 1607 on; older systems have only the
// screen's DPI.
GetDpiForWindowFn LookUpGetDpiForWindow() {
    return FindFunction<GetDpiForWindowFn>(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow");
}

}  // namespace

int WindowDpi(HWND window) {
    static const GetDpiForWindowFn getDpiForWindow = LookUpGetDpiForWindow();
    if (getDpiForWindow != nullptr && window != nullptr) {
        const UINT dpi = getDpiForWindow(window);
        if (dpi != 0) return static_cast<int>(dpi);
    }
    const HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen != nullptr) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;  // the default screen's DPI
}

}  // namespace zelvane
