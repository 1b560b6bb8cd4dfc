#pragma once

#include <string>
#include <vector>

#include "account_erase/account_places.h"
#include "platform/registry.h"

namespace zelvane {

// One key of an account's subtree: its path below the place's NewOwners key ("123456",
// "123456\Sub") and its values, in the order the registry gives them.
struct SubtreeKey {
    std::wstring path;
    std::vector<RegistryValue> values;

    bool operator==(const SubtreeKey&) const = default;
};

// A registry link at or below the account: it holds no data of its own, and the erase
// removes it as the link it is.
struct SubtreeLink {
    std::wstring path;    // as SubtreeKey::path
    std::wstring target;  // where it leads, as the registry names it; empty if unknown

    bool operator==(const SubtreeLink&) const = default;
};

// A key or a value whose name a .reg file cannot hold: one holding a NUL or a line break. A
// key left out is left out with everything below it.
struct LeftOut {
    std::wstring key;    // as SubtreeKey::path
    std::wstring value;  // the value's name; empty for the key itself
    bool isValue = false;

    bool operator==(const LeftOut&) const = default;
};

// An account's subtree in one place as it was read.
struct AccountSubtree {
    // 0 when it was read whole; one that IsNotThere passes when the account's own key is not
    // there; anything else when it could not be read whole: kErrorRegistryLink when the place
    // was refused, as the erase refuses it, kErrorChangedWhileRead when keys below the
    // account were made or deleted meanwhile.
    long result = 0;
    std::vector<SubtreeKey> keys;  // every key a .reg file can hold, each before its subkeys
    std::vector<SubtreeLink> links;
    std::vector<LeftOut> leftOut;
    int keyCount = 0;    // every key, the account's own, links and keys left out among them
    int valueCount = 0;  // every value of those keys that could be counted, but a link's own
    int uncounted = 0;   // keys whose values could not be read with the walk's rights

    bool operator==(const AccountSubtree&) const = default;
};

// Every value of an open key, in the order the registry gives them, appended to values.
long ReadValues(Registry& registry, RegKey key, std::vector<RegistryValue>& values);

// Why a name is left out of a backup.
constexpr wchar_t kUnwritableName[] = L"a name holding a NUL or a line break";

// Reads the account uin's subtree in one place as the erase would walk it: the place reached
// by the same link rule, and no link followed at or below the account (it is read as the link
// it is). With KeyAccess::kErase every key is opened with the erase's rights, and the right to
// read its values where it grants it, so that the read fails exactly where the erase would; a
// key whose values could not be read is counted in `uncounted`.
AccountSubtree ReadAccountSubtree(Registry& registry, const AccountPlace& place,
                                  const std::wstring& uin, LinkRule rule, KeyAccess access);

}  // namespace zelvane
