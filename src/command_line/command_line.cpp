#include "command_line/command_line.h"

#include <initializer_list>
#include <optional>
#include <string_view>

#include "command_line/all_users.h"
#include "command_line/commands.h"
#include "platform/ascii_case.h"
#include "platform/output_escape.h"
#include "platform/strings.h"

namespace zelvane {

namespace {

// How long a run for all users waits for another one on the same PC to end.
constexpr std::uint32_t kAllUsersWaitMs = 60000;

ReportForm FormOf(CommandAction action) {
    return action == CommandAction::kList   ? ReportForm::kList
           : action == CommandAction::kFind ? ReportForm::kFind
                                            : ReportForm::kErase;
}

int UsageError(CommandRun& run, std::wstring_view error) {
    run.report.Line({L"zelvane: ", EscapedForOutput(error), L". zelvane /? tells how."}, true);
    return kExitUsage;
}

// Whether /log names the file of /backup or /restore, by the full paths the system makes of
// them: the log would make the one and append to the other. (A backup into a folder is a
// file not there yet.)
bool LogIsBackupFile(CommandRun& run) {
    const CommandArguments& arguments = run.arguments;
    std::wstring log;
    std::wstring restore;
    return !arguments.logFile.empty() &&
           run.host.FullPath(arguments.logFile, log) == kErrorSuccess &&
           (SameIgnoringAsciiCase(log, arguments.backupFile) ||
            (!arguments.restoreFile.empty() &&
             run.host.FullPath(arguments.restoreFile, restore) == kErrorSuccess &&
             SameIgnoringAsciiCase(log, restore)));
}

// The record's first line: where, who and what.
std::wstring StartLine(CommandRun& run) {
    const std::wstring sid = run.users.CurrentUser();
    const std::wstring account = run.users.AccountName(sid);
    std::wstring line = Joined({L"start     ", EscapedForOutput(run.host.ComputerName()), L" ",
                                EscapedForOutput(account.empty() ? sid : account), L": zelvane"});
    for (const std::wstring& argument : run.arguments.given) {
        const bool quote = argument.empty() || argument.find(L' ') != argument.npos;
        line += quote ? L" \"" : L" ";
        line += EscapedForOutput(argument);
        if (quote) line += L'"';
    }
    line += L'\n';
    return line;
}

// Opens the log and writes the record's first line. False, having said why, when the log
// cannot be opened or written.
bool StartLog(CommandRun& run) {
    const long opened = run.host.OpenLog(run.arguments.logFile);
    if (opened != kErrorSuccess) {
        run.report.Line({L"zelvane: ", EscapedForOutput(run.arguments.logFile),
                         L": the log could not be opened: ", Reason(run.host, opened),
                         L". Nothing was touched."},
                        true);
        return false;
    }
    return run.report.Log(StartLine(run));
}

// A refusal of /allusers, the run's last line: on the error stream, but for /find, whose
// one stream a tool reads, and which exits with no code but 0, 1 and 2.
int RefuseAllUsers(CommandRun& run, std::initializer_list<std::wstring_view> parts, int code) {
    const bool find = run.arguments.action == CommandAction::kFind;
    run.report.Line(parts, !find);
    return find ? kExitFailed : code;
}

// Why the run ends before it starts, said, and its exit code: /log naming the backup's file;
// a log that cannot be kept (so that a run that cannot keep its record touches nothing); the
// arguments; a backup file that is there already; a file to restore that is not a backup
// (read into `backup`, which also tells the walk whose hives to reach: arguments is the run's
// own); an all-users run without its rights or its lock. Nothing when the run goes on.
std::optional<int> Refusal(CommandRun& run, CommandArguments& arguments, BackupContents& backup) {
    // Checked before the log is opened, which would make the file that the backup must make.
    if (LogIsBackupFile(run)) {
        return UsageError(run, arguments.restoreFile.empty()
                                   ? L"/log and /backup name the same file"
                                   : L"/log and /restore name the same file");
    }
    if (!arguments.logFile.empty() && !StartLog(run)) return kExitFailed;
    if (!arguments.error.empty()) return UsageError(run, arguments.error);
    if (arguments.action == CommandAction::kHelp) return std::nullopt;
    if (arguments.action == CommandAction::kRestore) {
        if (const std::optional<int> refused = ReadRestore(run, arguments, backup)) return refused;
    }
    // A restore point is never written over another file, nor over what is there.
    if (!arguments.backupFile.empty() && arguments.backupFile.back() != L'\\' &&
        run.host.FileExists(arguments.backupFile)) {
        run.report.Line({L"zelvane: ", EscapedForOutput(arguments.backupFile),
                         L" is there already: a backup never replaces a file. Nothing was "
                         L"touched."},
                        true);
        return kExitUsage;
    }
    if (!arguments.allUsers) return std::nullopt;
    const long privileges = run.users.EnableHivePrivileges();
    if (privileges != kErrorSuccess) {
        return RefuseAllUsers(run,
                              {L"zelvane: /allusers needs administrator rights (the backup and "
                               L"restore privileges): ",
                               Reason(run.host, privileges), L". Nothing was touched."},
                              kExitNotElevated);
    }
    const long locked = run.users.LockAllUsersRuns(kAllUsersWaitMs);
    if (locked == kErrorLockNameTaken) {
        // Whoever made that object cannot keep this run from going on, only from being
        // kept apart from another run of an administrator's.
        run.report.Notice(L"no lock", {L"an object that no administrator made has the name "
                                       L"of the lock that keeps runs for all users apart; "
                                       L"this run goes on without it"});
    } else if (locked == kErrorTimeout) {
        return RefuseAllUsers(run,
                              {L"zelvane: another run of Zelvane for all users is going on this "
                               L"PC and did not end within a minute. Nothing was touched; try "
                               L"again later."},
                              kExitFailed);
    } else if (locked != kErrorSuccess) {
        return RefuseAllUsers(run,
                              {L"zelvane: the lock that keeps runs of Zelvane for all users "
                               L"apart could not be taken: ",
                               Reason(run.host, locked), L". Nothing was touched."},
                              kExitFailed);
    }
    return std::nullopt;
}

int RunCommand(CommandRun& run, const BackupContents& backup) {
    const CommandArguments& arguments = run.arguments;
    if (arguments.action == CommandAction::kHelp) {
        run.report.Line({UsageText()});
        return kExitDone;
    }
    if (arguments.allUsers) UnloadLeftovers(run);
    if (arguments.action == CommandAction::kList) return RunList(run);
    if (arguments.action == CommandAction::kFind) return RunFind(run);
    if (arguments.action == CommandAction::kRestore) return RunRestore(run, backup);
    if (arguments.whatIf) return RunWhatIf(run);
    if (!arguments.backupFile.empty()) return RunEraseWithBackup(run);
    return RunErase(run);
}

}  // namespace

int RunCommandLine(const CommandArguments& given, Registry& registry, Users& users,
                   Processes& processes, CommandHost& host) {
    // The backup file is checked, written and named by the full path the system makes of it,
    // which can differ from the name as typed (a relative one, trailing spaces or dots); a
    // folder that is there ends in a backslash, as one given so does.
    CommandArguments arguments = given;
    if (!given.backupFile.empty() && given.error.empty()) {
        const long made = host.FullPath(given.backupFile, arguments.backupFile);
        if (made != kErrorSuccess) {
            arguments.error = Joined({L"/backup ", given.backupFile,
                                      L": no full path can be made of it: ", Reason(host, made)});
        } else if (arguments.backupFile.back() != L'\\' && host.IsFolder(arguments.backupFile)) {
            arguments.backupFile += L'\\';
        }
    }
    Report report(host, arguments.quiet, FormOf(arguments.action));
    CommandRun run{arguments, registry, users, processes, host, report};
    BackupContents backup;
    if (const std::optional<int> refused = Refusal(run, arguments, backup)) {
        return report.Finish(*refused);
    }
    return report.Finish(RunCommand(run, backup));
}

}  // namespace zelvane
