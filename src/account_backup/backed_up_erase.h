#pragma once

#include <string>

#include "account_backup/account_subtree.h"
#include "account_erase/account_erase.h"
#include "account_erase/account_places.h"
#include "platform/registry.h"

namespace zelvane {

// Erases the account uin at place as `read` holds it: read by ReadAccountSubtree with
// KeyAccess::kRead, and all of it in the backup's file (nothing left out). The walk goes
// bottom-up, below the account reached by the same link rule. Each key is opened with the
// erase's rights and the right to read its values; through that handle its values and subkeys
// are read, and it is deleted through that handle only when its values are those read holds
// and no subkey is left below it. A key that differs stays, with every key above it, and the
// outcome is kErrorChangedSinceBackup; one that another program deleted meanwhile is gone, as
// the erase wanted. A link goes as the link, when it still is one to the target read holds.
// So everything deleted is in the file as it was at its own last read; what is left open is
// the moment between that read and the delete of the same key. An account that read found
// not there and that is there now is changed too; a read that is not whole gives
// kErrorNotBackedUp, and nothing is touched.
PlaceOutcome EraseAsBackedUp(Registry& registry, const AccountPlace& place, const std::wstring& uin,
                             LinkRule rule, const AccountSubtree& read);

}  // namespace zelvane
