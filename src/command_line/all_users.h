#pragma once

#include <string_view>
#include <vector>

#include "account_erase/account_places.h"
#include "command_line/command_report.h"
#include "platform/command_host.h"
#include "platform/registry.h"
#include "platform/user_hives.h"

namespace zelvane {

// What a run does in one owner's places (lists or erases), and whether a refused access
// there is one that administrator rights would grant (a shared place, another user's hive).
class PlaceVisitor {
  public:
    virtual ~PlaceVisitor() = default;
    virtual void Visit(std::wstring_view owner, const std::vector<AccountPlace>& places,
                       LinkRule rule, bool sharedPlace) = 0;
};

// "S-1-5-21-... DOMAIN\name", or the SID alone when it names no account.
std::wstring UserText(UserHives& hives, const std::wstring& sid);

// Reaches every user's hives for /allusers, after unloading what an earlier run that was
// ended left loaded: each profile's (its loaded hive when the user is logged on, else its
// hive files, loaded for the visit and unloaded before anything about them is written), then
// the default user's. The shared places are left to the caller. False when the run was asked
// to stop before it was through; then it stopped after the user at hand, and said so.
bool VisitAllUsers(Registry& registry, UserHives& hives, CommandHost& host, Report& report,
                   PlaceVisitor& visitor);

}  // namespace zelvane
