#include "platform/win32/win32_shell.h"

#include <windows.h>

#include <shellapi.h>

namespace zelvane {

std::intptr_t Win32Shell::Open(const std::wstring& address) {
    const HINSTANCE result = ShellExecuteW(application_.ActiveForm(), nullptr, address.c_str(),
                                           nullptr, L"C:\\", SW_SHOWNORMAL);
    return reinterpret_cast<std::intptr_t>(result);
}

}  // namespace zelvane
