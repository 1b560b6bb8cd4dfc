#pragma once

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


// Whether the text names exactly one direct subkey of NewOwners: it is not empty and holds
// neither a backslash, which would reach a key below the account (or NewOwners itself),
// nor a NUL, which would cut the name short on its way to the registry.
bool IsAccountName(std::wstring_view uin);

// Erases the account uin from each place in turn, every place tried whatever the others
// did; one outcome per place, in their order. uin must pass IsAccountName.
std::vector<PlaceOutcome> EraseAccount(Registry& registry, const std::wstring& uin,
                                       const std::vector<AccountPlace>& places, LinkRule rule);

}  // namespace zelvane
