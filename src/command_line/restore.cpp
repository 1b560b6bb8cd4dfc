#include <string_view>

#include "account_restore/account_restore.h"
#include "command_line/commands.h"
#include "platform/output_escape.h"
#include "platform/strings.h"

namespace zelvane {

namespace {

constexpr std::wstring_view kCurrentUser = L"HKEY_CURRENT_USER\\";

// The places of a backup, each made again where the walk over the owners reaches it, in the
// places this program knows alone: a place is found by the name the backup gave the place the
// walk is at, never by a name the file holds.
class Restore {
  public:
    Restore(CommandRun& run, const BackupContents& backup)
        : run_(run), backup_(backup), done_(backup.places.size()) {}

    void Visit(const Owner& owner) {
        for (const AccountPlace& place : owner.places) {
            const std::size_t index =
                Find(RestoredName(run_.registry, place, HiveOf(place, owner)));
            if (index == kNone || done_[index]) continue;
            done_[index] = true;
            Make(owner, place, backup_.places[index]);
        }
    }

    // Names each place of the file that the walk did not reach: a user's hive not there, not
    // loaded, or passed over by a stop.
    void TellNotReached() {
        for (std::size_t i = 0; i < done_.size(); ++i) {
            if (done_[i]) continue;
            run_.report.Failure({backup_.places[i].name, L"\\", backup_.uin}, kErrorHiveNotReached,
                                true);
        }
    }

  private:
    static constexpr std::size_t kNone = ~std::size_t{0};

    // A place in the hives of the file's HKEY_CURRENT_USER user is found by the name it had
    // there too: the user's classes hive is HKEY_CURRENT_USER's Software\Classes.
    std::size_t Find(const std::wstring& name) const {
        const std::wstring user = L"HKEY_USERS\\" + backup_.currentUser;
        std::wstring alias;
        if (name.starts_with(user + L"\\")) {
            alias = Joined({kCurrentUser, std::wstring_view(name).substr(user.size() + 1)});
        } else if (name.starts_with(user + L"_Classes\\")) {
            alias = Joined({kCurrentUser, L"Software\\Classes",
                            std::wstring_view(name).substr(user.size() + 8)});
        }
        for (std::size_t i = 0; i < backup_.places.size(); ++i) {
            if (backup_.places[i].name == name || backup_.places[i].name == alias) return i;
        }
        return kNone;
    }

    void Make(const Owner& owner, const AccountPlace& place, const BackedUpPlace& held) {
        const bool whatIf = run_.arguments.whatIf;
        const std::wstring account = ShownAs(place, run_.registry, backup_.uin);
        const RestoreOutcome outcome =
            RestoreAccount(run_.registry, place, backup_.uin, owner.rule, held.keys, !whatIf);
        if (outcome.result != kErrorSuccess) {
            run_.report.Failure({account, outcome.partly ? L" (partly restored)" : L""},
                                outcome.result, owner.elevationHelps);
            return;
        }
        run_.report.Status(whatIf ? L"would restore" : L"restored",
                           {account, L" (", Plural(static_cast<int>(held.keys.size()), L"key"),
                            L", ", Plural(held.values, L"value"), L")"});
        ++run_.report.tally.erased;
    }

    CommandRun& run_;
    const BackupContents& backup_;
    std::vector<bool> done_;  // the file's places reached, by index
};

}  // namespace

// The file's places decide whose hives the walk reaches: the current user's own places alone
// need no other; any user's hive under HKEY_USERS, or HKEY_CURRENT_USER of another user than
// the one who runs the restore, is reached as /allusers reaches it, by its entry in the
// profile list.
std::optional<int> ReadRestore(CommandRun& run, CommandArguments& arguments,
                               BackupContents& backup) {
    std::string bytes;
    const long read = run.host.ReadFile(arguments.restoreFile, bytes);
    std::wstring refused = read != kErrorSuccess
                               ? L"it could not be read: " + Reason(run.host, read)
                               : ReadBackupFile(bytes, backup);
    const std::wstring me = run.users.CurrentUser();
    bool own = false;
    for (const BackedUpPlace& place : backup.places) {
        std::wstring user;
        if (!refused.empty()) break;
        if (!PlaceUser(place.name, backup, run.registry, user)) {
            refused = place.name + L" is not a place where accounts are kept";
        } else if (user == me && place.name.starts_with(kCurrentUser)) {
            own = true;
        } else if (!user.empty()) {
            arguments.allUsers = true;
            InsertOnce(arguments.reach, user);
        }
    }
    if (own && arguments.allUsers) InsertOnce(arguments.reach, me);
    if (refused.empty()) return std::nullopt;
    run.report.Line({L"zelvane: ", EscapedForOutput(arguments.restoreFile), L": not restored: ",
                     EscapedForOutput(refused), L". Nothing was touched."},
                    true);
    return kExitUsage;
}

int RunRestore(CommandRun& run, const BackupContents& backup) {
    Restore restore(run, backup);
    ForEachOwner(run, run.report, VisitEach([&](const Owner& owner) { restore.Visit(owner); }));
    restore.TellNotReached();
    const Tally& tally = run.report.tally;
    const int code = tally.Code(run.host);
    const std::wstring uin = EscapedForOutput(backup.uin);
    const std::wstring_view nothing =
        run.arguments.whatIf ? L" Nothing was changed (/whatif)." : L"";
    if (code == kExitDone) {
        run.report.Line({uin, run.arguments.whatIf ? L": would be restored in " : L": restored in ",
                         Plural(tally.erased, L"place"), L".", nothing});
    } else if (code == kExitNotElevated) {
        run.report.Line({uin, L": access is denied in ", Plural(tally.failures, L"place"),
                         L"; run Zelvane as administrator.", nothing});
    } else {
        run.report.Line({uin, L": not restored everywhere: ", Plural(tally.failures, L"place"),
                         L" failed.", nothing});
    }
    return code;
}

}  // namespace zelvane
