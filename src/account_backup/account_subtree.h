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
};

// A key or a value that a .reg file cannot hold, and why: a registry link (its target
// named), or a name holding a NUL or a line break. A key left out is left out with
// everything below it.
struct LeftOut {
    std::wstring key;    // as SubtreeKey::path
    std::wstring value;  // the value's name; empty for the key itself
    bool isValue = false;
    std::wstring why;
};

// An account's subtree in one place as it was read.
struct AccountSubtree {
    // 0 when it was read whole; kErrorFileNotFound or kErrorPathNotFound when the account
    // is not there; anything else when it could not be read whole (kErrorRegistryLink when
    // the place was refused, as the erase refuses it).
    long result = 0;
    std::vector<SubtreeKey> keys;  // every key a .reg file can hold, each before its subkeys
    std::vector<LeftOut> leftOut;
    int keyCount = 0;    // every key, the account's own, links and keys left out among them
    int valueCount = 0;  // every value of those keys but a link's own
};

// Reads the account uin's subtree in one place as the erase would walk it: the place reached
// by the same link rule, and no link followed at or below the account (it is read as the link
// it is). With KeyAccess::kReadAndDelete every key is also opened for deleting, so that a key
// the erase could not delete fails the read.
AccountSubtree ReadAccountSubtree(Registry& registry, const AccountPlace& place,
                                  const std::wstring& uin, LinkRule rule, KeyAccess access);

}  // namespace zelvane
