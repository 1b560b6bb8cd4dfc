#include "account_backup/account_backup.h"

#include "platform/strings.h"

namespace zelvane {

std::wstring BackupHeading(const std::wstring& uin) {
    return Joined({L"Zelvane's backup of account ", uin,
                   L", written before erasing it. zelvane /restore restores it; so does reg "
                   L"import, run by the user named below."});
}

AccountBackup::AccountBackup(const std::wstring& uin, const std::wstring& currentUser)
    : uin_(uin), currentUser_(currentUser) {}

void AccountBackup::Add(const std::wstring& restoredParent, const AccountSubtree& read) {
    for (const SubtreeLink& link : read.links) {
        keysFile_.Comment(Joined(
            {L"a registry link, erased as the link: ", restoredParent, L"\\", link.path, L" -> ",
             link.target.empty() ? L"(its target could not be read)" : link.target}));
    }
    for (const SubtreeKey& key : read.keys) {
        keysFile_.Key(Joined({restoredParent, L"\\", key.path}));
        ++keys_;
        for (const RegistryValue& value : key.values) {
            keysFile_.Value(value);
            ++values_;
        }
    }
}

void AccountBackup::NeedsHive(const std::wstring& name, const std::wstring& file,
                              bool defaultUser) {
    for (const Hive& hive : hives_) {
        if (hive.name == name) return;
    }
    hives_.push_back({name, file, defaultUser});
}

// One reg import writes every key the file names, so each hive it names must be loaded
// before it, and stay loaded until it has run.
std::string AccountBackup::Bytes() const {
    RegFile file;
    file.Comment(BackupHeading(uin_));
    file.Comment(Joined({kCurrentUserComment, currentUser_, L"."}));
    if (!hives_.empty()) {
        file.Comment(
            L"Some keys lie in hives that Windows had not loaded. To restore them, "
            L"load each of those hives, then reg import this file once, then unload "
            L"each hive:");
        for (const Hive& hive : hives_) {
            file.Comment(Joined({L"  reg load HKU\\", hive.name, L" \"", hive.file, L"\""}));
        }
        file.Comment(L"  reg import <this file>");
        for (auto hive = hives_.rbegin(); hive != hives_.rend(); ++hive) {
            file.Comment(Joined({L"  reg unload HKU\\", hive->name}));
        }
        for (const Hive& hive : hives_) {
            if (!hive.defaultUser) continue;
            file.Comment(Joined({L"HKEY_USERS\\", hive.name,
                                 L" stands for the default user's hive, which new profiles are "
                                 L"copied from and which Windows does not load."}));
        }
    }
    file.Append(keysFile_);
    return FileBytes(file.Text());
}

}  // namespace zelvane
