#pragma once

#include "command_line/command_arguments.h"
#include "command_line/command_report.h"
#include "platform/command_host.h"
#include "platform/processes.h"
#include "platform/registry.h"
#include "platform/users.h"

namespace zelvane {

// One run of a command: what it was asked, what it works on, and the report it writes.
struct CommandRun {
    const CommandArguments& arguments;
    Registry& registry;
    Users& users;
    Processes& processes;
    CommandHost& host;
    Report& report;
};

// Names the messenger's processes that may write the account back once the run is over: in
// the caller's session, or under /allusers in any. True when there is one.
bool NameRunningMessenger(CommandRun& run);

}  // namespace zelvane
