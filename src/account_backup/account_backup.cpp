#include "account_backup/account_backup.h"

#include "command_line/output_escape.h"

namespace zelvane {

AccountBackup::AccountBackup(const std::wstring& uin) {
    file_.Comment(L"Zelvane's backup of account " + EscapedForOutput(uin) +
                  L", written before erasing it. reg import restores it.");
}

void AccountBackup::Note(const std::wstring& text) {
    file_.Comment(text);
}

void AccountBackup::Add(const std::wstring& restoredParent, const AccountSubtree& read) {
    for (const LeftOut& left : read.leftOut) {
        std::wstring name = restoredParent + L"\\" + left.key;
        if (left.isValue) name += L" value \"" + left.value + L"\"";
        file_.Comment(L"not backed up: " + EscapedForOutput(name) + L": " +
                      EscapedForOutput(left.why));
    }
    for (const SubtreeKey& key : read.keys) {
        file_.Key(restoredParent + L"\\" + key.path);
        ++keys_;
        for (const RegistryValue& value : key.values) {
            file_.Value(value);
            ++values_;
        }
    }
}

std::string AccountBackup::Bytes() const {
    return FileBytes(file_.Text());
}

}  // namespace zelvane
