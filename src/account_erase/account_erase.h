#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "account_erase/account_places.h"
#include "platform/registry.h"

namespace zelvane {

// What erasing an account did in one place.
struct PlaceOutcome {
    AccountPlace place;
    // 0 erased; one that IsNotThere passes: not there (gone); anything else failed,
    // kErrorRegistryLink among them (the place was refused).
    long result;
    bool partly;  // failed, but part of the account's subtree was deleted
};

// Why a place failed, in words for a sentence: "access is denied", "a registry link"...
std::wstring Reason(long result);

// Whether the text names exactly one direct subkey of NewOwners: it is not empty and holds
// neither a backslash, which would reach a key below the account (or NewOwners itself),
// nor a NUL, which would cut the name short on its way to the registry.
bool IsAccountName(std::wstring_view uin);

// Erases the account uin from each place in turn, every place tried whatever the others
// did; one outcome per place, in their order. uin must pass IsAccountName.
std::vector<PlaceOutcome> EraseAccount(Registry& registry, const std::wstring& uin,
                                       const std::vector<AccountPlace>& places, LinkRule rule);

// The same, with the account's name asked for again before each place, as the window reads
// its box; the erase stops before a name IsAccountName refuses, which is left in uin: fewer
// outcomes than places mean the name was refused.
std::vector<PlaceOutcome> EraseAccount(Registry& registry,
                                       const std::function<std::wstring()>& name,
                                       const std::vector<AccountPlace>& places, LinkRule rule,
                                       std::wstring& uin);

}  // namespace zelvane
