#include "platform/win32/win32_accessibility.h"

#include <initguid.h>

#include <oleacc.h>

namespace zelvane {

void SetAccessibleName(HWND control, const std::wstring& name) {
    // Dynamic annotation keeps the name with the window, so it outlives the COM objects
    // made here; COM is started for the call, and only counted again if already running.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IAccPropServices* services = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IAccPropServices, reinterpret_cast<void**>(&services)))) {
        services->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                 PROPID_ACC_NAME, name.c_str());
        services->Release();
    }
    if (SUCCEEDED(com)) CoUninitialize();
}

void PlaceLabelBefore(HWND label, HWND control) {
    const HWND above = GetWindow(control, GW_HWNDPREV);
    if (above == label) return;
    // SetWindowPos puts a window after the one named, so after the window above the control.
    SetWindowPos(label, above != nullptr ? above : HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW);
}

}  // namespace zelvane
