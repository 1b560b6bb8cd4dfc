#include "command_line/owners.h"

#include <utility>

#include "command_line/all_users.h"

namespace zelvane {

bool ForEachOwner(CommandRun& run, Report& told, const OwnerVisit& visit) {
    if (run.arguments.allUsers) {
        if (!ForEachUser(run, told, visit)) return false;
    } else {
        std::vector<AccountPlace> own;
        for (const AccountPlace& place : CurrentUserPlaces()) {
            if (place.scope == PlaceScope::kUser) own.push_back(place);
        }
        // The user's own places follow links above the account, as the window's erase does.
        // Running as administrator is another account: it gives no rights here.
        visit({UserText(run.users, run.users.CurrentUser()),
               std::move(own),
               LinkRule::kFollowAboveAccount,
               false,
               {}});
    }
    // A process that may change the shared places has more rights than whoever may have made
    // a link there: none is followed.
    for (const AccountPlace& place : SharedPlaces()) {
        visit({place.hive == kHkeyLocalMachine ? L"the machine" : L"the default profile",
               {place},
               LinkRule::kFollowNone,
               true,
               {}});
    }
    return true;
}

std::wstring UserText(Users& users, const std::wstring& sid) {
    const std::wstring name = users.AccountName(ProfileSid(sid));
    return name.empty() ? sid : sid + L" " + name;
}

}  // namespace zelvane
