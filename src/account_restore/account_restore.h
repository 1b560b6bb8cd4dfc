#pragma once

#include <string>
#include <vector>

#include "account_backup/account_subtree.h"
#include "account_erase/account_places.h"
#include "platform/registry.h"

namespace zelvane {

// What restoring an account did in one place: 0 restored (or, without writing, would be);
// kErrorThereAgain when the account is there, and then nothing was written; anything else
// failed, with `partly` when some of the account's keys were made before it did.
struct RestoreOutcome {
    long result = 0;
    bool partly = false;
};

// Makes the account uin at place as keys holds it (BackedUpPlace::keys: the account's own key
// first, each key after the key above it), with every value's bytes as they are. NewOwners and
// the two keys above it (Mirabilis, ICQ) are made where they are not there; the key above them
// must be. The deepest of them that is there is opened as the erase reaches its place, links
// on the way followed or refused as `rule` says; every key below it is made new, by its name
// below its parent's handle, and a key that turns out to be there already (a link among them)
// stops the place, so that nothing is written through a link nor into a key that someone
// else made. Without `write`, nothing is made: only whether the account is there is told.
RestoreOutcome RestoreAccount(Registry& registry, const AccountPlace& place,
                              const std::wstring& uin, LinkRule rule,
                              const std::vector<SubtreeKey>& keys, bool write);

}  // namespace zelvane
