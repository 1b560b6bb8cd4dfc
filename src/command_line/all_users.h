#pragma once

#include <string_view>
#include <vector>

#include "account_erase/account_places.h"
#include "command_line/command_report.h"
#include "hive_loading/user_hive_access.h"
#include "platform/command_host.h"
#include "platform/registry.h"
#include "platform/user_hives.h"

namespace zelvane {

// What a run does in one owner's places (lists, erases, examines or backs up), whether a
// refused access there is one that administrator rights would grant (a shared place, another
// user's hive), and the hives this run loaded for the owner under private names, which the
// places lie in (none for a logged-on user's hives and the shared places).
class PlaceVisitor {
  public:
    virtual ~PlaceVisitor() = default;
    virtual void Visit(std::wstring_view owner, const std::vector<AccountPlace>& places,
                       LinkRule rule, bool elevationHelps,
                       const std::vector<UserHiveAccess::Loaded>& loaded) = 0;
};

// Which walk over every user's hives this is. A run that backs up walks twice, reading every
// hive and only then erasing: the second walk tells what both meet, so the first tells only
// what the second cannot (a hive left loaded, a stop), and only the first unloads what an
// earlier run left loaded.
enum class WalkPass { kOnly, kFirstOfTwo, kSecondOfTwo };

// "S-1-5-21-... DOMAIN\name", or the SID alone when it names no account; for a profile list
// entry named "<SID>.bak", that name and the SID's account.
std::wstring UserText(UserHives& hives, const std::wstring& sid);

// Reaches every user's hives for /allusers, after unloading what an earlier run that was
// ended left loaded: each profile's (its loaded hive when the user is logged on, else its
// hive files, loaded for the visit and unloaded before anything about them is written), then
// the default user's. The shared places are left to the caller. False when the run was asked
// to stop before it was through; then it stopped after the user at hand, and said so.
bool VisitAllUsers(Registry& registry, UserHives& hives, CommandHost& host, Report& report,
                   PlaceVisitor& visitor, WalkPass pass = WalkPass::kOnly);

}  // namespace zelvane
