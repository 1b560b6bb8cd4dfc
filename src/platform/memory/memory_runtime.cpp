#include "platform/memory/memory_runtime.h"

#include <utility>

#include "platform/runtime_error.h"

namespace zelvane {

int MemoryRuntime::MsgBox(const std::wstring& prompt, int buttons, const std::wstring& title) {
    if (faults_.Next("MsgBox")) throw RuntimeError::InvalidCall();
    shown.push_back({prompt, buttons, title});
    if (whileShown) std::exchange(whileShown, nullptr)();
    if (answers.empty()) {
        const int set = buttons & 0xF;
        return set == kYesNo ? kAnswerNo : set == kCancelTryContinue ? kAnswerCancel : kAnswerOk;
    }
    const int answer = answers.front();
    answers.pop_front();
    return answer;
}

long MemoryRuntime::StartElevated(const std::vector<std::wstring>& arguments) {
    elevatedStarts.push_back(arguments);
    return elevatedResult;
}

std::intptr_t MemoryShell::Open(const std::wstring& address) {
    launches.push_back(address);
    return 42;  // ShellExecute's success is any value above 32
}

}  // namespace zelvane
