#include "command_line/command_line.h"

#include <algorithm>
#include <initializer_list>
#include <optional>
#include <string_view>

#include "account_erase/account_erase.h"
#include "command_line/all_users.h"
#include "command_line/erase_backup.h"
#include "command_line/what_if.h"
#include "platform/ascii_case.h"
#include "platform/output_escape.h"
#include "registry_listing/account_listing.h"
#include "running_messenger/running_messenger.h"

namespace zelvane {

namespace {

// How long a run for all users waits for another one on the same PC to end.
constexpr std::uint32_t kAllUsersWaitMs = 60000;

// The job a walk over the owners' places does there: list, erase, examine (/whatif) or read
// for the backup.
enum class Job { kList, kErase, kExamine, kBackUp };

// Inserts the name into the sorted list unless it holds it; whether it did.
bool InsertOnce(std::vector<std::wstring>& sorted, const std::wstring& name) {
    const auto at = std::lower_bound(sorted.begin(), sorted.end(), name);
    if (at != sorted.end() && *at == name) return false;
    sorted.insert(at, name);
    return true;
}

class Command : public PlaceVisitor {
  public:
    Command(const CommandArguments& arguments, Registry& registry, UserHives& hives,
            Processes& processes, CommandHost& host)
        : arguments_(arguments),
          registry_(registry),
          hives_(hives),
          processes_(processes),
          host_(host),
          report_(host, arguments.quiet, FormOf(arguments.action)) {}

    // A run: refused before it touches anything, or the walks its job needs.
    int Run() {
        if (const std::optional<int> refused = Refusal()) return report_.Finish(*refused);
        if (arguments_.action == CommandAction::kHelp) {
            report_.Line({UsageText()});
            return report_.Finish(kExitDone);
        }
        if (arguments_.action == CommandAction::kFind) {
            ForEachOwner(WalkPass::kOnly);
            return report_.Finish(FindSummary());
        }
        if (arguments_.action == CommandAction::kList) {
            ForEachOwner(WalkPass::kOnly);
            NameRunningMessenger();
            return report_.Finish(report_.tally.Code(host_));
        }
        if (arguments_.whatIf) {
            job_ = Job::kExamine;
            ForEachOwner(WalkPass::kOnly);
            return report_.Finish(WhatIfSummary(NameRunningMessenger()));
        }
        if (!backup_) {
            ForEachOwner(WalkPass::kOnly);
            return report_.Finish(Summary(NameRunningMessenger()));
        }
        // The whole backup is written before anything is erased: each user's hive is loaded
        // once to be read and once more to be erased, so that none stays loaded meanwhile.
        job_ = Job::kBackUp;
        if (!ForEachOwner(WalkPass::kFirstOfTwo)) {
            report_.Line({EscapedForOutput(arguments_.uin),
                          L": nothing was erased, since the run was stopped before its backup "
                          L"was written."});
            return report_.Finish(report_.tally.Code(host_));
        }
        if (!backup_->Write()) return report_.Finish(report_.tally.Code(host_));
        job_ = Job::kErase;
        ForEachOwner(WalkPass::kSecondOfTwo);
        return report_.Finish(Summary(NameRunningMessenger()));
    }

    // Does the job in one owner's places; the erase after a backup only in the
    // places the backup read.
    void Visit(std::wstring_view owner, const std::vector<AccountPlace>& places, LinkRule rule,
               bool elevationHelps, const std::vector<UserHiveAccess::Loaded>& loaded) override {
        switch (job_) {
            case Job::kList:
                List(owner, places, rule, elevationHelps);
                break;
            case Job::kErase:
                if (!backup_) {
                    Erase(places, rule, elevationHelps);
                    break;
                }
                // Each place checked against the file right before it goes, one at a time.
                for (const AccountPlace& place : places) {
                    if (backup_->MayErase(place, rule, elevationHelps, loaded)) {
                        Erase({place}, rule, elevationHelps);
                    }
                }
                break;
            case Job::kExamine:
                for (const AccountPlace& place : places) {
                    ExamineForErase(registry_, report_, arguments_.uin, place, rule, elevationHelps,
                                    !arguments_.backupFile.empty());
                }
                break;
            case Job::kBackUp:
                backup_->Read(places, rule, elevationHelps, loaded);
                break;
        }
    }

  private:
    // Does the job in each owner's places: the current user's, or every profile's and then
    // the shared ones. False when the run was asked to stop before it was through.
    bool ForEachOwner(WalkPass pass) {
        if (!arguments_.allUsers) {
            std::vector<AccountPlace> own;
            for (const AccountPlace& place : CurrentUserPlaces()) {
                if (place.scope == PlaceScope::kUser) own.push_back(place);
            }
            // The user's own erase follows links above the account, as the window's does;
            // the shared places never: a process that may change them has more rights than
            // whoever may have made a link there. Rights the user lacks in their own places
            // are not given by running as administrator, which is another account.
            Visit(UserText(hives_, hives_.CurrentUser()), own, LinkRule::kFollowAboveAccount, false,
                  {});
            VisitShared();
            return true;
        }
        if (!VisitAllUsers(registry_, hives_, host_, report_, *this, pass)) return false;
        VisitShared();
        return true;
    }

    void VisitShared() {
        visitingShared_ = true;
        for (const AccountPlace& place : SharedPlaces()) {
            Visit(place.hive == kHkeyLocalMachine ? L"the machine" : L"the default profile",
                  {place}, LinkRule::kFollowNone, true, {});
        }
        visitingShared_ = false;
    }

    // Why the run ends before it starts, said, and its exit code: a log that cannot be kept
    // (before anything else, so that a run that cannot keep its record touches nothing), the
    // arguments, a backup file that is there already, an all-users run without its rights or
    // its lock. Nothing when the run goes on.
    std::optional<int> Refusal() {
        if (!arguments_.logFile.empty() && !StartLog()) return kExitFailed;
        if (!arguments_.error.empty()) {
            report_.Line(
                {L"zelvane: ", EscapedForOutput(arguments_.error), L". zelvane /? tells how."},
                true);
            return kExitUsage;
        }
        if (arguments_.action == CommandAction::kHelp) return std::nullopt;
        // A restore point is never written over another file, nor over what is there.
        if (!arguments_.backupFile.empty() && host_.FileExists(arguments_.backupFile)) {
            report_.Line({L"zelvane: ", EscapedForOutput(arguments_.backupFile),
                          L" is there already: a backup never replaces a file. Nothing was "
                          L"touched."},
                         true);
            return kExitUsage;
        }
        if (!arguments_.allUsers) return std::nullopt;
        const long privileges = hives_.EnableHivePrivileges();
        if (privileges != kErrorSuccess) {
            return Refuse({L"zelvane: /allusers needs administrator rights (the backup and "
                           L"restore privileges): ",
                           Reason(host_, privileges), L". Nothing was touched."},
                          kExitNotElevated);
        }
        const long locked = hives_.LockAllUsersRuns(kAllUsersWaitMs);
        if (locked == kErrorLockNameTaken) {
            // Whoever made that object cannot keep this run from going on, only from being
            // kept apart from another run of an administrator's.
            report_.Notice(L"no lock", {L"an object that no administrator made has the "
                                        L"name of the lock that keeps runs for all users "
                                        L"apart; this run goes on without it"});
        } else if (locked == kErrorTimeout) {
            return Refuse({L"zelvane: another run of Zelvane for all users is going on this "
                           L"PC and did not end within a minute. Nothing was touched; try "
                           L"again later."},
                          kExitFailed);
        } else if (locked != kErrorSuccess) {
            return Refuse({L"zelvane: the lock that keeps runs of Zelvane for all users apart "
                           L"could not be taken: ",
                           Reason(host_, locked), L". Nothing was touched."},
                          kExitFailed);
        }
        return std::nullopt;
    }

    // A refusal of /allusers, the run's last line: on the error stream, but for /find, whose
    // one stream a tool reads, and which exits with no code but 0, 1 and 2.
    int Refuse(std::initializer_list<std::wstring_view> parts, int code) {
        const bool find = arguments_.action == CommandAction::kFind;
        report_.Line(parts, !find);
        return find ? kExitFailed : code;
    }

    static ReportForm FormOf(CommandAction action) {
        return action == CommandAction::kList   ? ReportForm::kList
               : action == CommandAction::kFind ? ReportForm::kFind
                                                : ReportForm::kErase;
    }

    // Opens the log and writes the record's first line. False, having said why, when the log
    // cannot be opened or written.
    bool StartLog() {
        const long opened = host_.OpenLog(arguments_.logFile);
        if (opened != kErrorSuccess) {
            report_.Line({L"zelvane: ", EscapedForOutput(arguments_.logFile),
                          L": the log could not be opened: ", Reason(host_, opened),
                          L". Nothing was touched."},
                         true);
            return false;
        }
        return report_.Log(StartLine());
    }

    // The record's first line: where, who and what.
    std::wstring StartLine() {
        const std::wstring sid = hives_.CurrentUser();
        const std::wstring account = hives_.AccountName(sid);
        std::wstring line = L"start     " + EscapedForOutput(host_.ComputerName()) + L" " +
                            EscapedForOutput(account.empty() ? sid : account) + L": zelvane";
        for (const std::wstring& argument : arguments_.given) {
            const bool quote = argument.empty() || argument.find(L' ') != argument.npos;
            line += quote ? L" \"" + EscapedForOutput(argument) + L"\""
                          : L" " + EscapedForOutput(argument);
        }
        return line + L"\n";
    }

    // Whether the account is anywhere: 0 only when no copy was found and every place could
    // be read, so that a tool never takes a failure for a clean PC.
    int FindSummary() {
        const int failures = report_.tally.failures;
        const std::wstring uin = EscapedForOutput(arguments_.uin);
        const std::wstring unread =
            failures == 0 ? L""
                          : L"; " + Plural(failures, L"place") + L" could not be read or reached";
        if (foundIn_ > 0) {
            report_.Line({uin, L": found in ", Plural(foundIn_, L"place"), L" (",
                          Plural(static_cast<int>(owners_.size()), L"user"), L")", unread});
        } else if (failures > 0) {
            report_.Line({uin, L": not known to be clean", unread});
        } else {
            report_.Line({uin, L": not found"});
        }
        return foundIn_ > 0 || failures > 0 ? kExitFailed : kExitDone;
    }

    // Each account once for its owner, in the order the places are read; a place that
    // could not be read, or only in part, fails the run.
    void List(std::wstring_view owner, const std::vector<AccountPlace>& places, LinkRule rule,
              bool elevationHelps) {
        AccountListing listing(registry_);
        const std::wstring shownOwner = EscapedForOutput(owner);
        std::vector<std::wstring> seen;
        for (const AccountPlace& place : places) {
            std::vector<std::wstring> names;
            const long result =
                listing.ListAccounts(place.hive, place.parent, names, place.view, rule);
            if (result != kErrorSuccess && !IsNotThere(result)) {
                report_.Failure({ShownAs(place, registry_)}, result, elevationHelps);
            }
            for (const std::wstring& uin : names) {
                if (arguments_.action == CommandAction::kFind) {
                    if (!SameIgnoringAsciiCase(uin, arguments_.uin)) continue;
                    ++foundIn_;
                    if (!visitingShared_) InsertOnce(owners_, std::wstring(owner));
                }
                if (InsertOnce(seen, uin)) {
                    report_.Line({EscapedForOutput(uin), L"\t", shownOwner});
                }
            }
        }
    }

    void Erase(const std::vector<AccountPlace>& places, LinkRule rule, bool elevationHelps) {
        for (const PlaceOutcome& outcome : EraseAccount(registry_, arguments_.uin, places, rule)) {
            const std::wstring account = ShownAs(outcome.place, registry_, arguments_.uin);
            if (report_.AccountThere(account, outcome.result, elevationHelps,
                                     outcome.partly ? L" (partly erased)" : L"")) {
                report_.Status(L"erased", {account});
                ++report_.tally.erased;
            }
        }
    }

    // The messenger's processes that may write the account back once this run is over: in
    // the caller's session, or under /allusers in any. One line each; true when there is one.
    bool NameRunningMessenger() {
        const std::vector<RunningMessenger> running =
            FindRunningMessenger(processes_, arguments_.allUsers);
        for (const RunningMessenger& process : running) {
            report_.Notice(L"running", {Described(process)});
        }
        return !running.empty();
    }

    int Summary(bool messengerRunning) {
        const Tally& tally = report_.tally;
        const int code = tally.Code(host_);
        const std::wstring uin = EscapedForOutput(arguments_.uin);
        if (code == kExitDone && messengerRunning) {
            report_.Line({uin, tally.erased > 0 ? L": erased" : L": not found", kRunAgain});
            return kExitMessengerRunning;
        }
        if (code == kExitDone) {
            report_.Line({uin, tally.erased > 0 ? L": erased; nothing of it is left."
                                                : L": not found; nothing to erase."});
        } else if (code == kExitNotElevated) {
            report_.Line({uin, L": access is denied in ", Plural(tally.failures, L"place"),
                          L"; run Zelvane as administrator."});
        } else {
            report_.Line(
                {uin, L": not erased everywhere: ", Plural(tally.failures, L"place"), L" failed."});
        }
        return code;
    }

    int WhatIfSummary(bool messengerRunning) {
        const Tally& tally = report_.tally;
        const int code = tally.Code(host_);
        const std::wstring uin = EscapedForOutput(arguments_.uin);
        if (code == kExitDone && messengerRunning) {
            report_.Line({uin, tally.erased > 0 ? L": would be erased" : L": not found", kRunAgain,
                          L" Nothing was changed (/whatif)."});
            return kExitMessengerRunning;
        }
        if (code != kExitDone) {
            report_.Line({uin, L": ", Plural(tally.failures, L"place"),
                          L" could not be examined. Nothing was changed (/whatif)."});
        } else if (tally.erased > 0) {
            report_.Line({uin, L": would be erased from ", Plural(tally.erased, L"place"),
                          L". Nothing was changed (/whatif)."});
        } else {
            report_.Line({uin, L": not found; nothing to erase. Nothing was changed (/whatif)."});
        }
        return code;
    }

    static constexpr wchar_t kRunAgain[] =
        L", but the messenger was running and may save the account again; run again once it "
        L"has ended.";

    const CommandArguments& arguments_;
    Registry& registry_;
    UserHives& hives_;
    Processes& processes_;
    CommandHost& host_;
    Report report_;
    Job job_ =
        arguments_.action == CommandAction::kList || arguments_.action == CommandAction::kFind
            ? Job::kList
            : Job::kErase;
    // /find: the places the account was found in, and the users (not the shared places)
    // whose they are.
    int foundIn_ = 0;
    std::vector<std::wstring> owners_;  // sorted
    bool visitingShared_ = false;
    std::optional<EraseBackup> backup_ =
        arguments_.backupFile.empty() || arguments_.whatIf
            ? std::nullopt
            : std::optional<EraseBackup>(std::in_place, registry_, host_, report_, arguments_.uin,
                                         arguments_.backupFile);
};

}  // namespace

int RunCommandLine(const CommandArguments& arguments, Registry& registry, UserHives& hives,
                   Processes& processes, CommandHost& host) {
    // The backup file is checked, written and named by the full path the system makes of it,
    // which can differ from the name as typed (a relative one, trailing spaces or dots).
    if (arguments.backupFile.empty() || !arguments.error.empty()) {
        return Command(arguments, registry, hives, processes, host).Run();
    }
    CommandArguments resolved = arguments;
    const long made = host.FullPath(arguments.backupFile, resolved.backupFile);
    if (made != kErrorSuccess) {
        resolved.error = L"/backup " + arguments.backupFile +
                         L": no full path can be made of it: " + Reason(host, made);
    }
    return Command(resolved, registry, hives, processes, host).Run();
}

}  // namespace zelvane
