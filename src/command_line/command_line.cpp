#include "command_line/command_line.h"

#include <algorithm>
#include <initializer_list>
#include <optional>
#include <set>
#include <string_view>

#include "account_backup/account_backup.h"
#include "account_erase/account_erase.h"
#include "command_line/output_escape.h"
#include "command_line/user_hive_access.h"
#include "platform/controls.h"
#include "platform/decimal.h"
#include "platform/runtime.h"
#include "registry_listing/account_listing.h"

namespace zelvane {

namespace {

// What a walk over the owners' places does: list, erase, examine (/whatif) or read for the
// backup.
enum class Pass { kList, kErase, kExamine, kBackUp };

// A place the erase passes over because the backup has not read it.
constexpr long kErrorNotBackedUp = 0x20000002;

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
        // A restore point is never written over another file, nor over what is there.
        if (!arguments_.backupFile.empty() && host_.FileExists(arguments_.backupFile)) {
            report_.Line({L"zelvane: ", EscapedForOutput(arguments_.backupFile),
                          L" is there already: a backup never replaces a file. Nothing was "
                          L"touched."},
                         true);
            return report_.Finish(kExitUsage);
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
        if (arguments_.whatIf) {
            pass_ = Pass::kExamine;
            ForEachOwner();
            return report_.Finish(WhatIfSummary());
        }
        if (backup_) {
            pass_ = Pass::kBackUp;
            ForEachOwner();
            if (!WriteBackup()) return report_.Finish(kExitFailed);
            pass_ = Pass::kErase;
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
        if (pass_ == Pass::kBackUp && access.state() == UserHiveAccess::State::kLoadedHere) {
            restore_ = {access.LoadedAs(), profile.sid, access.HiveFile(), access.ClassesFile()};
        }
        // Each user may write their own hive, links included.
        Visit(user, access.Places(), LinkRule::kFollowNone);
        restore_.reset();
        const long unloaded = access.Unload();
        // Told by every pass: the backup's pass loads and unloads too.
        if (unloaded != kErrorSuccess) ReportFailure({user, L": its hive stays loaded"}, unloaded);
    }

    void VisitShared() {
        for (const AccountPlace& place : SharedPlaces()) {
            Visit(place.hive == kHkeyLocalMachine ? L"the machine" : L"the default profile",
                  {place}, LinkRule::kFollowNone);
        }
    }

    void Visit(std::wstring_view owner, const std::vector<AccountPlace>& places, LinkRule rule) {
        switch (pass_) {
            case Pass::kList:
                List(owner, places);
                break;
            case Pass::kErase:
                Erase(places, rule);
                break;
            case Pass::kExamine:
            case Pass::kBackUp:
                for (const AccountPlace& place : places) Examine(place, rule);
                break;
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

    void Erase(std::vector<AccountPlace> places, LinkRule rule) {
        if (backup_) places = BackedUp(places);
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
    // failures on the error stream. The backup's pass reads what the erase then reports.
    void Status(std::wstring_view word, std::initializer_list<std::wstring_view> parts) {
        if (pass_ == Pass::kList || pass_ == Pass::kBackUp) return;
        std::wstring text;
        for (const std::wstring_view part : parts) text += part;
        report_.Line({word, Padded(word), text});
    }

    void Failure(std::initializer_list<std::wstring_view> parts, long result) {
        if (pass_ != Pass::kBackUp) ReportFailure(parts, result);
    }

    void ReportFailure(std::initializer_list<std::wstring_view> parts, long result) {
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

    // /whatif and /backup FILE ------------------------------------------------------------

    // Reads the account's subtree in one place, as the erase would walk it: for /whatif, with
    // the right to delete each key asked as the erase would ask it; for the backup, to read.
    void Examine(const AccountPlace& place, LinkRule rule) {
        const KeyAccess access =
            pass_ == Pass::kExamine ? KeyAccess::kReadAndDelete : KeyAccess::kRead;
        const AccountSubtree read =
            ReadAccountSubtree(registry_, place, arguments_.uin, rule, access);
        if (pass_ == Pass::kBackUp) {
            BackUp(place, read);
            return;
        }
        const std::wstring shown =
            ShownAs(place, registry_) + L"\\" + EscapedForOutput(arguments_.uin);
        if (read.result == kErrorSuccess) {
            Status(L"would erase", {shown, L" (", Plural(read.keyCount, L"key"), L", ",
                                    Plural(read.valueCount, L"value"), L")"});
            ++tally_.erased;
            if (backup_) NotBackedUp(ShownAs(place, registry_), read);
        } else if (IsGone(read.result)) {
            Status(L"not there", {shown});
        } else {
            Failure({shown}, read.result);
        }
    }

    // Adds what was read to the backup, each key under the name that restores it. A place the
    // erase refuses is left to the erase to report; one that could not be read whole stops
    // the run before anything is erased.
    void BackUp(const AccountPlace& place, const AccountSubtree& read) {
        const std::wstring shown = ShownAs(place, registry_);
        if (read.result != kErrorSuccess && IsGone(read.result)) {
            covered_.insert(shown);
            return;
        }
        if (read.result == kErrorRegistryLink) {
            refused_.insert(shown);
            return;
        }
        if (read.result != kErrorSuccess) {
            report_.Line({L"failed", Padded(L"failed"), shown, L"\\",
                          EscapedForOutput(arguments_.uin), L": could not be read for the backup: ",
                          Reason(host_, read.result)});
            ++unreadable_;
            return;
        }
        covered_.insert(shown);
        const std::wstring restored = ShownAs(RestoredPlace(place, !read.keys.empty()), registry_);
        NotBackedUp(restored, read);
        backup_->Add(restored, read);
    }

    // The place as the backup names it: a hive loaded here under its private name is named
    // as Windows loads it for its user, with a note on loading it first.
    AccountPlace RestoredPlace(AccountPlace place, bool noted) {
        if (!restore_) return place;
        for (const std::wstring_view hive : {L"", L"_Classes"}) {
            const std::wstring loaded = restore_->loadedAs + std::wstring(hive) + L"\\";
            if (place.parent.compare(0, loaded.size(), loaded) != 0) continue;
            const std::wstring user = restore_->sid + std::wstring(hive);
            place.parent = user + L"\\" + place.parent.substr(loaded.size());
            const std::wstring file =
                EscapedForOutput(hive.empty() ? restore_->hiveFile : restore_->classesFile);
            if (noted && noted_.insert(user).second) {
                backup_->Note(L"HKEY_USERS\\" + user + L" was not loaded when this was written. " +
                              L"To restore it: reg load HKU\\" + user + L" \"" + file +
                              L"\", then reg import this file, then reg unload HKU\\" + user);
            }
            break;
        }
        return place;
    }

    void NotBackedUp(const std::wstring& shownParent, const AccountSubtree& read) {
        for (const LeftOut& left : read.leftOut) {
            std::wstring name = shownParent + L"\\" + left.key;
            if (left.isValue) name += L" value \"" + left.value + L"\"";
            report_.Line(
                {L"not backed up ", EscapedForOutput(name), L": ", EscapedForOutput(left.why)});
        }
    }

    // Writes the backup whole, or says why not; false when nothing may be erased.
    bool WriteBackup() {
        const std::wstring& uin = arguments_.uin;
        if (unreadable_ > 0) {
            report_.Line({uin, L": nothing was erased: the backup could not read ",
                          Count(unreadable_), L"."});
            return false;
        }
        const std::wstring file = EscapedForOutput(arguments_.backupFile);
        const long written = host_.WriteNewFile(arguments_.backupFile, backup_->Bytes());
        if (written != kErrorSuccess) {
            report_.Line({L"failed", Padded(L"failed"), file,
                          L": the backup could not be written: ", Reason(host_, written)});
            report_.Line({uin, L": nothing was erased, since its backup could not be written."});
            return false;
        }
        report_.Line({L"backed up", Padded(L"backed up"), file, L" (",
                      Plural(backup_->keys(), L"key"), L", ", Plural(backup_->values(), L"value"),
                      L")"});
        return true;
    }

    // The places the backup covers, and a failure for each of the others: nothing is erased
    // that the backup has not read.
    std::vector<AccountPlace> BackedUp(const std::vector<AccountPlace>& places) {
        std::vector<AccountPlace> covered;
        for (const AccountPlace& place : places) {
            const std::wstring shown = ShownAs(place, registry_);
            if (covered_.count(shown) != 0) {
                covered.push_back(place);
            } else if (refused_.count(shown) != 0) {
                Failure({shown, L"\\", arguments_.uin}, kErrorRegistryLink);
            } else {
                report_.Line({L"failed", Padded(L"failed"), shown, L"\\",
                              EscapedForOutput(arguments_.uin),
                              L": not erased, since the backup did not read it"});
                tally_.Fail(kErrorNotBackedUp);
            }
        }
        return covered;
    }

    int WhatIfSummary() {
        const int code = tally_.Code(host_);
        const std::wstring& uin = arguments_.uin;
        if (code != kExitDone) {
            report_.Line({uin, L": ", Count(tally_.failures),
                          L" could not be examined. Nothing was changed (/whatif)."});
        } else if (tally_.erased > 0) {
            report_.Line({uin, L": would be erased from ", Count(tally_.erased),
                          L". Nothing was changed (/whatif)."});
        } else {
            report_.Line({uin, L": not found; nothing to erase. Nothing was changed (/whatif)."});
        }
        return code;
    }

    static std::wstring Plural(int count, const wchar_t* word) {
        return Decimal(count) + L" " + word + (count == 1 ? L"" : L"s");
    }

    // A user's hive that the backup's pass loaded under its private name.
    struct LoadedHive {
        std::wstring loadedAs;
        std::wstring sid;
        std::wstring hiveFile;
        std::wstring classesFile;
    };

    std::optional<LoadedHive> restore_;
    std::set<std::wstring> noted_;    // the hives whose restore the backup tells
    std::set<std::wstring> covered_;  // the places read whole by the backup, or empty
    std::set<std::wstring> refused_;  // the places the backup's pass found refused, as the erase
    int unreadable_ = 0;              // places the backup could not read whole

    // ------------------------------------------------------------------------------------

    const CommandArguments& arguments_;
    Registry& registry_;
    UserHives& hives_;
    CommandHost& host_;
    Report report_;
    Tally tally_;
    Pass pass_ = arguments_.action == CommandAction::kList ? Pass::kList : Pass::kErase;
    std::optional<AccountBackup> backup_ =
        arguments_.backupFile.empty() ? std::nullopt
                                      : std::optional<AccountBackup>(std::in_place, arguments_.uin);
};

}  // namespace

int RunCommandLine(const CommandArguments& arguments, Registry& registry, UserHives& hives,
                   CommandHost& host) {
    return Command(arguments, registry, hives, host).Run();
}

}  // namespace zelvane
