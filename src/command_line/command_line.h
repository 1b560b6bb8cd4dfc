#pragma once

#include "command_line/command_arguments.h"
#include "platform/command_host.h"
#include "platform/registry.h"
#include "platform/user_hives.h"

namespace zelvane {

// The command line's exit codes.
enum CommandExit : int {
    kExitDone = 0,         // nothing of the account is left (erased, or not there)
    kExitFailed = 1,       // at least one place failed
    kExitUsage = 2,        // the arguments were refused; nothing was touched
    kExitNotElevated = 3,  // access was denied and the process lacks administrator rights
};

// Runs what the arguments ask (anything but kWindow) and returns the exit code. Everything
// it says goes to the host's output, or into one message box when there is none (and the
// run is not quiet).
int RunCommandLine(const CommandArguments& arguments, Registry& registry, UserHives& hives,
                   CommandHost& host);

}  // namespace zelvane
