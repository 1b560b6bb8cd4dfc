#pragma once

#include <string>
#include <vector>

#include "account_backup/account_subtree.h"
#include "account_backup/reg_file.h"

namespace zelvane {

// The first comment of a backup's file, which names its account.
std::wstring BackupHeading(const std::wstring& uin);
// The second comment names whose hive HKEY_CURRENT_USER was when the file was written: this,
// the user's SID and a full stop. The keys keep the name HKEY_CURRENT_USER, so that reg
// import run by that user still restores them; zelvane /restore restores them into that
// user's hive, whoever runs it.
inline constexpr wchar_t kCurrentUserComment[] = L"HKEY_CURRENT_USER is the hive of ";

// The restore point of one erase: every place's subtree of the account, in one .reg file.
class AccountBackup {
  public:
    // currentUser: the SID of the user whose hive HKEY_CURRENT_USER is.
    AccountBackup(const std::wstring& uin, const std::wstring& currentUser);

    // Adds what was read in one place whose NewOwners key the file names restoredParent:
    // each key under its full name, and a comment line for each registry link, which holds
    // nothing of its own. The read must hold no name the file cannot hold (leftOut).
    void Add(const std::wstring& restoredParent, const AccountSubtree& read);
    // A hive that Windows had not loaded, which a restore must load first as
    // HKEY_USERS\name from file; defaultUser for the default user's, which Windows never
    // loads.
    void NeedsHive(const std::wstring& name, const std::wstring& file, bool defaultUser);

    int keys() const { return keys_; }
    int values() const { return values_; }
    // The file's bytes: how to restore it, then the keys.
    std::string Bytes() const;

  private:
    struct Hive {
        std::wstring name;
        std::wstring file;
        bool defaultUser;
    };

    std::wstring uin_;
    std::wstring currentUser_;
    RegFile keysFile_;
    std::vector<Hive> hives_;
    int keys_ = 0;
    int values_ = 0;
};

}  // namespace zelvane
