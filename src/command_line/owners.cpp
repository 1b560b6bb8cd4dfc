#include "command_line/owners.h"

#include <utility>

#include "command_line/all_users.h"
#include "platform/strings.h"

namespace zelvane {

bool ForEachOwner(CommandRun& run, Report& told, const OwnerVisit& visit) {
    if (run.arguments.allUsers) {
        if (!ForEachUser(run, told, visit)) return false;
    } else {
        std::vector<AccountPlace> own;
        for (AccountPlace& place : CurrentUserPlaces()) {
            if (place.scope == PlaceScope::kUser) own.push_back(std::move(place));
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

const UserHiveAccess::Loaded* HiveOf(const AccountPlace& place, const Owner& owner) {
    if (place.hive != kHkeyUsers) return nullptr;
    for (const UserHiveAccess::Loaded& hive : owner.loaded) {
        if (place.parent.size() > hive.name.size() && place.parent[hive.name.size()] == L'\\' &&
            place.parent.compare(0, hive.name.size(), hive.name) == 0) {
            return &hive;
        }
    }
    return nullptr;
}

std::wstring RestoredName(const Registry& registry, AccountPlace place,
                          const UserHiveAccess::Loaded* hive) {
    if (hive) {
        place.parent = Joined(
            {OwnHiveName(hive->name), std::wstring_view(place.parent).substr(hive->name.size())});
    }
    return ShownAs(place, registry);
}

std::wstring UserText(Users& users, const std::wstring& sid) {
    const std::wstring name = users.AccountName(ProfileSid(sid));
    return name.empty() ? sid : Joined({sid, L" ", name});
}

}  // namespace zelvane
