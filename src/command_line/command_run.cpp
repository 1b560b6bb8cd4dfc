#include "command_line/command_run.h"

#include "running_messenger/running_messenger.h"

namespace zelvane {

bool NameRunningMessenger(CommandRun& run) {
    const std::vector<RunningMessenger> running =
        FindRunningMessenger(run.processes, run.arguments.allUsers);
    for (const RunningMessenger& process : running) {
        run.report.Notice(L"running", {Described(process)});
    }
    return !running.empty();
}

}  // namespace zelvane
