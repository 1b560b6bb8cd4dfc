#include "command_line/command_line.h"

#include <algorithm>
#include <initializer_list>
#include <string_view>

#include "account_erase/account_erase.h"
#include "command_line/user_hive_access.h"
#include "platform/controls.h"
#include "platform/decimal.h"
#include "platform/runtime.h"
#include "registry_listing/account_listing.h"

namespace zelvane {

namespace {

// Writes each line as it comes when there is somewhere to write; otherwise keeps the text
// for one message box at the end.
class Report {
  public:
    Report(CommandHost& host, bool quiet) : host_(host), quiet_(quiet) {
        streamed_ = host_.OpenOutput();
    }

    // One line made of its parts (joined here: one call site each, not a chain of
    // temporaries at every caller).
    void Line(std::initializer_list<std::wstring_view> parts, bool error = false) {
        std::wstring line;
        for (const std::wstring_view part : parts) line += part;
        line += L'\n';
        if (streamed_) {
            host_.Write(line, error);
        } else {
            boxText_ += line;
        }
    }

    int Finish(int code) {
        if (!streamed_ && !quiet_ && !boxText_.empty()) {
            const int icon = code == kExitDone    ? kInformationIcon
                             : code == kExitUsage ? kCriticalIcon
                                                  : kExclamationIcon;
            host_.ShowBox(boxText_, icon, L"Zelvane");
        }
        return code;
    }

  private:
    CommandHost& host_;
    bool quiet_;
    bool streamed_ = false;
    std::wstring boxText_;
};

std::wstring Reason(CommandHost& host, long result) {
    if (result == kErrorRegistryLink) return L"a registry link, not followed";
    return host.ErrorText(result);
}

// The status word in a column of its own, for a reader and for a script that matches it.
std::wstring_view Padded(std::wstring_view word) {
    constexpr std::wstring_view kSpaces = L"          ";
    return kSpaces.substr(0, word.size() < 10 ? 10 - word.size() : 1);
}

std::wstring UserText(UserHives& hives, const std::wstring& sid) {
    const std::wstring name = hives.AccountName(sid);
    return name.empty() ? sid : sid + L" " + name;
}

// Collects the listing's names.
class NameList : public ListBox {
  public:
    void Clear() override { names.clear(); }
    void AddItem(const std::wstring& item) override { names.push_back(item); }
    int ListIndex() const override { return -1; }
    std::wstring List(int index) const override {
        return names.at(static_cast<std::size_t>(index));
    }
    void SetVisible(bool) override {}
    void BeginUpdate() override {}
    void EndUpdate() noexcept override {}
    std::vector<std::wstring> names;
};

// Every failure so far, and whether each was a refused access.
struct Tally {
    int erased = 0;
    int failures = 0;
    int denied = 0;

    int Code(CommandHost& host) const {
        if (failures == 0) return kExitDone;
        return failures == denied && !host.Elevated() ? kExitNotElevated : kExitFailed;
    }
    void Fail(long result) {
        ++failures;
        if (result == kErrorAccessDenied) ++denied;
    }
};

class Command {
  public:
    Command(const CommandArguments& arguments, Registry& registry, UserHives& hives,
            CommandHost& host)
        : arguments_(arguments),
          registry_(registry),
          hives_(hives),
          host_(host),
          report_(host, arguments.quiet) {}

    int Run() {
        if (!arguments_.error.empty()) {
            report_.Line({L"zelvane: ", arguments_.error, L". zelvane /? tells how."}, true);
            return report_.Finish(kExitUsage);
        }
        if (arguments_.action == CommandAction::kHelp) {
            report_.Line({UsageText()});
            return report_.Finish(kExitDone);
        }
        if (arguments_.allUsers) {
            const long privileges = hives_.EnableHivePrivileges();
            if (privileges != kErrorSuccess) {
                report_.Line({L"zelvane: /allusers needs administrator rights (the backup and "
                              L"restore privileges): ",
                              Reason(host_, privileges), L". Nothing was touched."},
                             true);
                return report_.Finish(kExitNotElevated);
            }
        }
        if (arguments_.action == CommandAction::kList) {
            ForEachOwner();
            return report_.Finish(tally_.Code(host_));
        }
        ForEachOwner();
        return report_.Finish(Summary());
    }

  private:
    // Lists or erases in each owner's places: the current user's, or every profile's and
    // then the shared ones.
    void ForEachOwner() {
        if (!arguments_.allUsers) {
            std::vector<AccountPlace> own;
            for (const AccountPlace& place : CurrentUserPlaces()) {
                if (place.scope == PlaceScope::kUser) own.push_back(place);
            }
            // The user's own erase follows links above the account, as the window's does;
            // the shared places never: a process that may change them has more rights than
            // whoever may have made a link there.
            Visit(UserText(hives_, hives_.CurrentUser()), own, LinkRule::kFollowAboveAccount);
            VisitShared();
            return;
        }
        std::vector<UserProfile> profiles;
        const long listed = hives_.Profiles(profiles);
        if (listed != kErrorSuccess) {
            report_.Line(
                {L"zelvane: the list of profiles could not be read: ", Reason(host_, listed)},
                true);
            tally_.Fail(listed);
        }
        for (const UserProfile& profile : ProfilesToReach(profiles)) VisitProfile(profile);
        VisitShared();
    }

    void VisitProfile(const UserProfile& profile) {
        const std::wstring user = UserText(hives_, profile.sid);
        UserHiveAccess access(registry_, hives_, profile);
        switch (access.state()) {
            case UserHiveAccess::State::kNoHive:
                if (access.HiveFile().empty()) {
                    Status(L"nothing", {user, L": the profile names no folder"});
                } else {
                    Status(L"nothing", {user, L": no ", access.HiveFile()});
                }
                return;
            case UserHiveAccess::State::kFailed:
                Failure({user, L": ", access.HiveFile(), L" could not be loaded"}, access.Result());
                return;
            case UserHiveAccess::State::kLoggedOn:
            case UserHiveAccess::State::kLoadedHere:
                break;
        }
        if (access.state() == UserHiveAccess::State::kLoadedHere) {
            Status(L"loaded",
                   {user, L": ", access.HiveFile(), L" as HKEY_USERS\\", access.LoadedAs()});
        }
        if (access.ClassesResult() != kErrorSuccess) {
            Failure({user, L": ", access.ClassesFile(), L" could not be loaded"},
                    access.ClassesResult());
        }
        // Each user may write their own hive, links included.
        Visit(user, access.Places(), LinkRule::kFollowNone);
        const long unloaded = access.Unload();
        if (unloaded != kErrorSuccess) Failure({user, L": its hive stays loaded"}, unloaded);
    }

    void VisitShared() {
        for (const AccountPlace& place : SharedPlaces()) {
            Visit(place.hive == kHkeyLocalMachine ? L"the machine" : L"the default profile",
                  {place}, LinkRule::kFollowNone);
        }
    }

    void Visit(std::wstring_view owner, const std::vector<AccountPlace>& places, LinkRule rule) {
        if (arguments_.action == CommandAction::kList) {
            List(owner, places);
        } else {
            Erase(places, rule);
        }
    }

    // Each account once for its owner, in the order the places are read.
    void List(std::wstring_view owner, const std::vector<AccountPlace>& places) {
        AccountListing listing(registry_);
        NameList names;
        for (const AccountPlace& place : places) {
            listing.ListAccounts(place.hive, place.parent, names, place.view);
        }
        std::vector<std::wstring> seen;
        for (const std::wstring& uin : names.names) {
            if (std::find(seen.begin(), seen.end(), uin) != seen.end()) continue;
            seen.push_back(uin);
            report_.Line({uin, L"\t", owner});
        }
    }

    void Erase(const std::vector<AccountPlace>& places, LinkRule rule) {
        for (const PlaceOutcome& outcome : EraseAccount(registry_, arguments_.uin, places, rule)) {
            const std::wstring shown = ShownAs(outcome.place, registry_);
            if (outcome.result == kErrorSuccess) {
                Status(L"erased", {shown, L"\\", arguments_.uin});
                ++tally_.erased;
            } else if (IsGone(outcome.result)) {
                Status(L"not there", {shown, L"\\", arguments_.uin});
            } else {
                Failure({shown, L"\\", arguments_.uin, outcome.partly ? L" (partly erased)" : L""},
                        outcome.result);
            }
        }
    }

    // A line about a place or a user's hive; a listing prints only accounts, and its
    // failures on the error stream.
    void Status(std::wstring_view word, std::initializer_list<std::wstring_view> parts) {
        if (arguments_.action == CommandAction::kList) return;
        std::wstring text;
        for (const std::wstring_view part : parts) text += part;
        report_.Line({word, Padded(word), text});
    }

    void Failure(std::initializer_list<std::wstring_view> parts, long result) {
        std::wstring text;
        for (const std::wstring_view part : parts) text += part;
        report_.Line({L"failed", Padded(L"failed"), text, L": ", Reason(host_, result)},
                     arguments_.action == CommandAction::kList);
        tally_.Fail(result);
    }

    int Summary() {
        const int code = tally_.Code(host_);
        const std::wstring& uin = arguments_.uin;
        if (code == kExitDone) {
            report_.Line({uin, tally_.erased > 0 ? L": erased; nothing of it is left."
                                                 : L": not found; nothing to erase."});
        } else if (code == kExitNotElevated) {
            report_.Line({uin, L": access is denied in ", Count(tally_.failures),
                          L"; run Zelvane as administrator."});
        } else {
            report_.Line({uin, L": not erased everywhere: ", Count(tally_.failures), L" failed."});
        }
        return code;
    }

    static std::wstring Count(int places) {
        return Decimal(places) + (places == 1 ? L" place" : L" places");
    }

    const CommandArguments& arguments_;
    Registry& registry_;
    UserHives& hives_;
    CommandHost& host_;
    Report report_;
    Tally tally_;
};

}  // namespace

int RunCommandLine(const CommandArguments& arguments, Registry& registry, UserHives& hives,
                   CommandHost& host) {
    return Command(arguments, registry, hives, host).Run();
}

}  // namespace zelvane
