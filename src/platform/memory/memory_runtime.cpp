#include "platform/memory/memory_runtime.h"

#include <utility>

#include "platform/runtime_error.h"

namespace zelvane {

int MemoryRuntime::MsgBox(const std::wstring& prompt, int buttons, const std::wstring& title) {
    if (faults_.Next("MsgBox")) throw RuntimeError(kErrInvalidCall, "MsgBox failed");
    shown.push_back({prompt, buttons, title});
    if (whileShown) std::exchange(whileShown, nullptr)();
    if (answers.empty()) return (buttons & vbYesNo) == vbYesNo ? vbNo : vbOK;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
}

AnsiText MemoryRuntime::StrToAnsi(std::wstring_view text) const {
    AnsiText ansi;
    for (const wchar_t ch : text) {
        if (ch <= 0xFF) {
            ansi.bytes += static_cast<char>(ch);
            continue;
        }
        ansi.exact = false;
        ansi.bytes += (ch >= 0xFF01 && ch <= 0xFF5E) ? static_cast<char>(ch - 0xFF01 + 0x21) : '?';
    }
    return ansi;
}

std::wstring MemoryRuntime::StrToUnicode(std::string_view text) const {
    std::wstring wide;
    for (const char ch : text) wide += static_cast<wchar_t>(static_cast<unsigned char>(ch));
    return wide;
}

std::intptr_t MemoryShell::Open(WindowHandle owner, const std::string& file,
                                const std::string& directory, int show) {
    launches.push_back({owner, file, directory, show});
    return 42;  // ShellExecute's success is any value above 32
}

}  // namespace zelvane
