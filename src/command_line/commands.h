#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "account_backup/account_subtree.h"
#include "account_erase/account_erase.h"
#include "account_restore/backup_file.h"
#include "command_line/command_run.h"
#include "command_line/owners.h"

namespace zelvane {

// The commands. Each does its whole run (the walks over the owners' places it needs, and its
// summary, always its last line) and returns the exit code; RunCommandLine has refused what
// cannot run before it calls one.

// /list: each account found, once for each owner, with the owner.
int RunList(CommandRun& run);
// /find NUMBER: each owner holding a copy, then whether the account is anywhere.
int RunFind(CommandRun& run);
// /erase NUMBER: the account erased from every owner's places.
int RunErase(CommandRun& run);
// /erase NUMBER /whatif: what the erase would take, with nothing changed.
int RunWhatIf(CommandRun& run);
// /erase NUMBER /backup FILE: the file written whole first, then the erase of what it holds.
int RunEraseWithBackup(CommandRun& run);
// /restore FILE: the accounts of a backup made again where they are not there.
int RunRestore(CommandRun& run, const BackupContents& backup);

// Reads /restore's file into backup before anything is touched, and sets which users' hives
// the walk reaches (arguments: the run's own). Said, with the exit code, when the file cannot
// be read or is not a backup of Zelvane's that names only places where accounts are kept.
std::optional<int> ReadRestore(CommandRun& run, CommandArguments& arguments,
                               BackupContents& backup);

// What the commands share.

// Inserts the name into the sorted list unless it holds it; whether it did.
bool InsertOnce(std::vector<std::wstring>& sorted, const std::wstring& name);

// Lists the accounts in an owner's places, each once for the owner, in /list's form; only
// the one named `only` (ASCII case aside) unless that is empty. A place that cannot be read
// whole fails. Returns how many places hold an account listed.
int ListOwnerAccounts(CommandRun& run, const Owner& owner, std::wstring_view only = {});

// Erases the account in those of the owner's places, one line each.
void ErasePlaces(CommandRun& run, const Owner& owner, const std::vector<AccountPlace>& places);
// The line of one place's erase ("erased", "not there" or "failed"), counted.
void TellErased(CommandRun& run, const Owner& owner, const PlaceOutcome& outcome);
// The erase's last lines: the messenger running, then the summary; the exit code.
int EraseSummary(CommandRun& run);

// Names what a backup cannot hold of a place's subtree ("not backed up"): shownParent is the
// place's NewOwners key.
void NameLeftOut(Report& report, const std::wstring& shownParent, const AccountSubtree& read);

// The end of a summary line when nothing is left but the messenger runs.
inline constexpr wchar_t kRunAgain[] =
    L", but the messenger was running and may save the account again; run again once it has "
    L"ended.";

}  // namespace zelvane
