#pragma once

#include <string>
#include <utility>
#include <vector>

#include "account_backup/account_backup.h"
#include "account_erase/account_places.h"
#include "command_line/command_report.h"
#include "hive_loading/user_hive_access.h"
#include "platform/command_host.h"
#include "platform/registry.h"

namespace zelvane {

// Names what the backup cannot hold of a place's subtree ("not backed up"): shownParent is the
// place's NewOwners key.
void NameLeftOut(Report& report, const std::wstring& shownParent, const AccountSubtree& read);

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
    void Read(const std::vector<AccountPlace>& places, LinkRule rule, bool elevationHelps,
              const std::vector<UserHiveAccess::Loaded>& loaded);
    // Writes the file whole, or says why not; false when nothing may be erased.
    bool Write();
    // Whether the place may be erased now: the backup holds it whole, and what is there now
    // is what it read. Otherwise the place is named (a failure, or "not there" when the
    // account is not there now or was not when the backup read it) and left as it is.
    bool MayErase(const AccountPlace& place, LinkRule rule, bool elevationHelps,
                  const std::vector<UserHiveAccess::Loaded>& loaded);

  private:
    Registry& registry_;
    CommandHost& host_;
    Report& report_;
    const std::wstring uin_;
    const std::wstring file_;
    AccountBackup backup_;
    // What the file holds, by the place's name in it: each place read whole, or found empty.
    std::vector<std::pair<std::wstring, AccountSubtree>> held_;
    std::vector<std::wstring> refused_;  // the places refused as the erase refuses them
    int unreadable_ = 0;                 // places that could not be read whole
};

}  // namespace zelvane
