#pragma once

#include <set>
#include <string>
#include <vector>

#include "account_backup/account_backup.h"
#include "account_erase/account_places.h"
#include "command_line/command_report.h"
#include "command_line/user_hive_access.h"
#include "platform/command_host.h"
#include "platform/registry.h"

namespace zelvane {

// /whatif in one place: reads the account's subtree as the erase would walk it, each key
// opened with the right to delete it as the erase opens it, and tells what the erase would
// take there ("would erase", counted as erased in the report's tally), that the account is
// not there, or why the place could not be examined (a failure). With namesLeftOut (/whatif
// with /backup), also names what a backup could not hold.
void ExamineForErase(Registry& registry, Report& report, const std::wstring& uin,
                     const AccountPlace& place, LinkRule rule, bool sharedPlace, bool namesLeftOut);

// /backup FILE: reads the account's subtree at every place before anything is erased, writes
// them all to one new .reg file, and then gives the erase only the places it read.
class EraseBackup {
  public:
    EraseBackup(Registry& registry, CommandHost& host, Report& report, const std::wstring& uin,
                const std::wstring& file);

    // Reads one owner's places. Those in a hive this run loaded (loaded) are named in the file
    // as Windows loads that hive for its user, with a comment line on how to restore it. A
    // place the erase refuses is left for the erase to tell; one that cannot be read whole
    // is a failure, and then nothing is erased.
    void Read(const std::vector<AccountPlace>& places, LinkRule rule, bool sharedPlace,
              const std::vector<UserHiveAccess::Loaded>& loaded);
    // Writes the file whole, or says why not; false when nothing may be erased.
    bool Write();
    // The places that the backup read whole (or found empty), which the erase may erase; a
    // failure for each of the others.
    std::vector<AccountPlace> Covered(const std::vector<AccountPlace>& places, bool sharedPlace,
                                      const std::vector<UserHiveAccess::Loaded>& loaded);

  private:
    void NoteRestore(const UserHiveAccess::Loaded& hive);

    Registry& registry_;
    CommandHost& host_;
    Report& report_;
    const std::wstring uin_;
    const std::wstring file_;
    AccountBackup backup_;
    std::set<std::wstring> covered_;  // the places read whole, or empty, as the file names them
    std::set<std::wstring> refused_;  // the places refused as the erase refuses them
    std::set<std::wstring> noted_;    // the hives whose restore the file tells
    int unreadable_ = 0;              // places that could not be read whole
};

}  // namespace zelvane
