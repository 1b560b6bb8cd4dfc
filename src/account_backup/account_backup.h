#pragma once

#include <string>

#include "account_backup/account_subtree.h"
#include "account_backup/reg_file.h"

namespace zelvane {

// The restore point of one erase: every place's subtree of the account, in one .reg file.
class AccountBackup {
  public:
    explicit AccountBackup(const std::wstring& uin);

    // A comment line about the keys added next; text must hold no line break.
    void Note(const std::wstring& text);
    // Adds what was read in one place whose NewOwners key the file names restoredParent:
    // each key under its full name, and a comment line for what the file cannot hold.
    void Add(const std::wstring& restoredParent, const AccountSubtree& read);

    int keys() const { return keys_; }
    int values() const { return values_; }
    // The file's bytes.
    std::string Bytes() const;

  private:
    RegFile file_;
    int keys_ = 0;
    int values_ = 0;
};

}  // namespace zelvane
