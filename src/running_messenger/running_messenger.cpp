#include "running_messenger/running_messenger.h"

#include "platform/ascii_case.h"
#include "platform/decimal.h"
#include "platform/strings.h"

namespace zelvane {

namespace {

bool IsMessenger(const std::wstring& image) {
    return SameIgnoringAsciiCase(image, L"ICQ.exe") || SameIgnoringAsciiCase(image, L"ICQLite.exe");
}

}  // namespace

std::vector<RunningMessenger> FindRunningMessenger(Processes& processes, bool everySession) {
    std::vector<ProcessEntry> snapshot;
    std::vector<RunningMessenger> found;
    if (processes.Snapshot(snapshot) != 0) return found;
    const std::uint32_t session = everySession ? kUnknownSession : processes.CurrentSession();
    for (const ProcessEntry& process : snapshot) {
        if (!IsMessenger(process.image)) continue;
        if (!everySession && (process.session != session || session == kUnknownSession)) continue;
        found.push_back({process.image, process.id, processes.User(process.id)});
    }
    return found;
}

std::wstring Described(const RunningMessenger& process) {
    return Joined({process.image, L" (process ", Decimal(static_cast<long>(process.id)),
                   process.user.empty() ? L"" : L", ", process.user, L")"});
}

}  // namespace zelvane
