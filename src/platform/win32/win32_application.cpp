#include "platform/win32/win32_application.h"

#include <algorithm>

#include <objbase.h>

namespace zelvane {

Win32Application::Win32Application(HINSTANCE instance) : instance_(instance) {
    // Without COM the shell still opens most addresses, so a failure here is no reason not
    // to run.
    comStarted_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    // A plain static window is enough for an owner that is never shown.
    owner_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance_,
                             nullptr);
}

Win32Application::~Win32Application() {
    if (owner_ != nullptr) DestroyWindow(owner_);
    if (comStarted_) CoUninitialize();
}

void Win32Application::FormOpened(HWND form) {
    forms_.push_back(form);
}

void Win32Application::FormClosed(HWND form) {
    const auto found = std::find(forms_.begin(), forms_.end(), form);
    if (found == forms_.end()) return;
    forms_.erase(found);
    if (forms_.empty()) PostQuitMessage(0);
}

bool Win32Application::IsForm(HWND window) const {
    return window != nullptr && std::find(forms_.begin(), forms_.end(), window) != forms_.end();
}

int Win32Application::Run() {
    if (forms_.empty()) return 0;
    MSG message;
    for (;;) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) return static_cast<int>(message.wParam);
        if (got == -1) return 1;
        const HWND form = message.hwnd != nullptr ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
        // Escape means nothing to the forms: the dialog manager would pass it on as IDCANCEL
        // to whichever control has that id.
        if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE && IsForm(form)) continue;
        if (IsForm(form) && IsDialogMessageW(form, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

HWND Win32Application::ActiveForm() const {
    const HWND active = GetActiveWindow();
    return IsForm(active) ? active : nullptr;
}

int Win32Application::ShowMessage(const std::wstring& text, const std::wstring& title, UINT style) {
    const HWND owner = ActiveForm();

    // The box disables only its owner; the other forms wait for the answer too.
    std::vector<HWND> disabled;
    for (const HWND form : forms_) {
        if (form != owner && IsWindowEnabled(form)) {
            EnableWindow(form, FALSE);
            disabled.push_back(form);
        }
    }
    const int answer = MessageBoxW(owner, text.c_str(), title.c_str(),
                                   style | (owner != nullptr ? MB_APPLMODAL : MB_TASKMODAL));
    for (const HWND form : disabled) {
        if (IsWindow(form)) EnableWindow(form, TRUE);
    }
    return answer;
}

}  // namespace zelvane
