#pragma once

#include <string>
#include <vector>

#include "account_backup/account_subtree.h"
#include "platform/registry.h"

namespace zelvane {

// One place's keys in a backup: the place's NewOwners key as the file names it, and its keys
// below it as SubtreeKey::path names them, the account's own first and each key after the
// key above it (depth first, as the backup wrote them).
struct BackedUpPlace {
    std::wstring name;
    std::vector<SubtreeKey> keys;
    int values = 0;
};

// A backup's file as AccountBackup wrote it: its account, whose hive HKEY_CURRENT_USER was,
// and its places in the file's order.
struct BackupContents {
    std::wstring uin;
    std::wstring currentUser;  // a SID
    std::vector<BackedUpPlace> places;
};

// Reads a file that AccountBackup wrote, and only such a file: its bytes must be exactly what
// the writer makes of what was read from them (UTF-16LE, the header, regedit's value forms,
// the writer's comments, blank lines and line breaks), its first comments name the account
// and HKEY_CURRENT_USER's user, and every key lies at or below that account in one place,
// once, after the key above it. Empty when it is; otherwise why not ("line 7: ..."), and
// `read` holds nothing that may be used.
std::wstring ReadBackupFile(const std::string& bytes, BackupContents& read);

// Whose hive a place named in a backup lies in (user): empty for the default profile's and
// the machine's; the file's user for HKEY_CURRENT_USER's; for one under HKEY_USERS, the name
// of the hive there without "_Classes" (a profile list entry's name, or kDefaultUserHive).
// False when the name is none of the places this program keeps accounts in, on this Windows.
bool PlaceUser(const std::wstring& name, const BackupContents& read, const Registry& registry,
               std::wstring& user);

}  // namespace zelvane
