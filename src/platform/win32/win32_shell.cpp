#include "platform/win32/win32_shell.h"

#include <windows.h>

#include <shellapi.h>

namespace zelvane {

std::intptr_t Win32Shell::Open(const std::wstring& file, const std::wstring& directory, int show) {
    const HINSTANCE result = ShellExecuteW(application_.ActiveForm(), nullptr, file.c_str(),
                                           nullptr, directory.c_str(), show);
    return reinterpret_cast<std::intptr_t>(result);
}

}  // namespace zelvane
