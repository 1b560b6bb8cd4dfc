#pragma once

#include <span>
#include <string>
#include <vector>

#include "account_erase/account_places.h"
#include "command_line/command_run.h"
#include "hive_loading/user_hive_access.h"

namespace zelvane {

// Whose accounts a command meets, and where: a user, the default profile or the machine.
struct Owner {
    std::wstring name;  // as /list shows it: "S-1-5-21-... DOMAIN\name", "the machine"
    std::vector<AccountPlace> places;
    LinkRule rule;  // which links on the way to the account are followed
    // Whether a refused access there is one that administrator rights would grant: a shared
    // place, another user's hive.
    bool elevationHelps;
    // The hives this run loaded for the owner under private names, which the places lie in,
    // and which are unloaded when the visit ends; none for a logged-on user's hives and the
    // shared places.
    std::span<const UserHiveAccess::Loaded> loaded;
};

// What a command does with each owner it meets.
class OwnerVisit {
  public:
    virtual void operator()(const Owner& owner) const = 0;

  protected:
    ~OwnerVisit() = default;
};

// An OwnerVisit that calls a lambda: ForEachOwner(run, told, VisitEach([&](const Owner&) {}))
template <typename Visit>
class VisitEach final : public OwnerVisit {
  public:
    explicit VisitEach(Visit visit) : visit_(visit) {}
    void operator()(const Owner& owner) const override { visit_(owner); }

  private:
    Visit visit_;
};

// Hands each owner to visit: the current user, or with /allusers every user (ForEachUser),
// then the default profile and the machine. What the walk finds of the users goes to `told`
// (ForEachUser says what). False when the run was asked to stop before it was through.
bool ForEachOwner(CommandRun& run, Report& told, const OwnerVisit& visit);

// The hive this run loaded for the owner that the place lies in, if any.
const UserHiveAccess::Loaded* HiveOf(const AccountPlace& place, const Owner& owner);

// The place's name in a backup's file: in a hive this run loaded under its private name,
// under the name Windows loads that hive by for its user, which is what a restore loads it as.
std::wstring RestoredName(const Registry& registry, AccountPlace place,
                          const UserHiveAccess::Loaded* hive);

// "S-1-5-21-... DOMAIN\name", or the SID alone when it names no account; for a profile list
// entry named "<SID>.bak", that name and the SID's account.
std::wstring UserText(Users& users, const std::wstring& sid);

}  // namespace zelvane
