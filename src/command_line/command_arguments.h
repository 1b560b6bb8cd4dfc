#pragma once

#include <string>
#include <vector>

namespace zelvane {

enum class CommandAction {
    kWindow,  // no arguments: the window program
    kHelp,
    kList,
    kErase,
    kFind,
    kRestore,
};

struct CommandArguments {
    CommandAction action = CommandAction::kWindow;
    std::wstring uin;
    bool allUsers = false;
    bool quiet = false;
    // /whatif: an erase that changes nothing and tells what it would erase.
    bool whatIf = false;
    // /backup FILE: the file an erase saves what it erases to first; empty without.
    std::wstring backupFile;
    // /log FILE: the file a record of the run is appended to; empty without.
    std::wstring logFile;
    // /restore FILE: the backup to restore.
    std::wstring restoreFile;
    // The profile list's entries (kDefaultUserHive for the default user) that the walk for all
    // users reaches, for a restore, which reaches those its file names; every one when empty.
    std::vector<std::wstring> reach;
    // The arguments as they were given, for the log's record.
    std::vector<std::wstring> given;
    // Why the arguments ask for nothing that can be done; empty when they are sound.
    std::wstring error;
};

// Reads the arguments that follow the program's name. Switches start with / or - and are
// matched without regard to case. /quiet is read even from arguments that hold an error,
// so that a mistyped command run by a service never waits behind a message box.
CommandArguments ParseArguments(const std::vector<std::wstring>& arguments);

// The text /? prints.
std::wstring UsageText();

}  // namespace zelvane
