#pragma once

#include "command_line/command_arguments.h"
#include "command_line/command_report.h"
#include "platform/command_host.h"
#include "platform/processes.h"
#include "platform/registry.h"
#include "platform/users.h"

namespace zelvane {

// Runs what the arguments ask (anything but kWindow) and returns the exit code (CommandExit):
// refuses what cannot run, touching nothing, or runs the one command asked for (commands.h).
// Everything it says goes to the host's output, or into one message box when there is none
// (and the run is not quiet).
int RunCommandLine(const CommandArguments& arguments, Registry& registry, Users& users,
                   Processes& processes, CommandHost& host);

}  // namespace zelvane
