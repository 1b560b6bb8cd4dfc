#include <algorithm>
#include <utility>

#include "account_backup/account_backup.h"
#include "account_backup/account_subtree.h"
#include "account_backup/backed_up_erase.h"
#include "account_erase/account_erase.h"
#include "command_line/commands.h"
#include "platform/output_escape.h"

namespace zelvane {

namespace {

// The hive this run loaded that the place lies in, if any.
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

// The place's name in the file: in a hive this run loaded under its private name, under the
// name Windows loads that hive by for its user, which is what a restore loads it as.
std::wstring RestoredName(const Registry& registry, AccountPlace place,
                          const UserHiveAccess::Loaded* hive) {
    if (hive) place.parent = OwnHiveName(hive->name) + place.parent.substr(hive->name.size());
    return ShownAs(place, registry);
}

// The account's subtree at every place, read before anything is erased, written to one new
// .reg file, and then erased key by key as the file holds it.
class EraseBackup {
  public:
    explicit EraseBackup(CommandRun& run) : run_(run), backup_(run.arguments.uin) {}

    // Reads one owner's places. Those in a hive this run loaded are named in the file as
    // Windows loads that hive for its user, with a comment line on how to restore it. A
    // place the erase refuses is left for the erase to tell; one that cannot be read whole
    // is a failure, and then nothing is erased.
    void Read(const Owner& owner) {
        for (const AccountPlace& place : owner.places) {
            AccountSubtree read = ReadAccountSubtree(run_.registry, place, run_.arguments.uin,
                                                     owner.rule, KeyAccess::kRead);
            const UserHiveAccess::Loaded* hive = HiveOf(place, owner);
            const std::wstring restored = RestoredName(run_.registry, place, hive);
            if (read.result == kErrorRegistryLink) {
                refused_.push_back(restored);
            } else if (read.result != kErrorSuccess && !IsNotThere(read.result)) {
                run_.report.Failure({ShownAs(place, run_.registry, run_.arguments.uin),
                                     L": could not be read for the backup"},
                                    read.result, owner.elevationHelps);
                ++unreadable_;
            } else if (!read.leftOut.empty()) {
                // Left as it is by the erase, which never takes what the file does not hold.
                NameLeftOut(run_.report, restored, read);
            } else {
                if (hive && !read.keys.empty()) {
                    const std::wstring own = OwnHiveName(hive->name);
                    backup_.NeedsHive(own, hive->file,
                                      own.compare(0, std::wstring_view(kDefaultUserHive).size(),
                                                  kDefaultUserHive) == 0);
                }
                backup_.Add(restored, read);
                held_.emplace_back(restored, std::move(read));
            }
        }
    }

    // Writes the file whole, or says why not; false when nothing may be erased.
    bool Write() {
        const std::wstring uin = EscapedForOutput(run_.arguments.uin);
        const std::wstring& file = run_.arguments.backupFile;
        if (unreadable_ > 0) {
            run_.report.Line({uin, L": nothing was erased: the backup could not read ",
                              Plural(unreadable_, L"place"), L"."});
            return false;
        }
        const long written = run_.host.WriteNewFile(file, backup_.Bytes());
        if (written != kErrorSuccess) {
            run_.report.Failure({file, L": the backup could not be written"}, written, false);
            run_.report.Line(
                {uin, L": nothing was erased, since its backup could not be written."});
            return false;
        }
        run_.report.Status(L"backed up", {file, L" (", Plural(backup_.keys(), L"key"), L", ",
                                          Plural(backup_.values(), L"value"), L")"});
        return true;
    }

    // Erases the place key by key, each only as the file holds it (EraseAsBackedUp says how,
    // and what little time is left between a key's last read and its delete). A place the
    // file does not hold is named and left as it is.
    void Erase(const Owner& owner, const AccountPlace& place) {
        const std::wstring restored = RestoredName(run_.registry, place, HiveOf(place, owner));
        const auto held = std::find_if(held_.begin(), held_.end(),
                                       [&](const auto& entry) { return entry.first == restored; });
        if (held == held_.end()) {
            const bool refused =
                std::find(refused_.begin(), refused_.end(), restored) != refused_.end();
            run_.report.Failure({ShownAs(place, run_.registry, run_.arguments.uin)},
                                refused ? kErrorRegistryLink : kErrorNotBackedUp,
                                owner.elevationHelps);
            return;
        }
        TellErased(
            run_, owner,
            EraseAsBackedUp(run_.registry, place, run_.arguments.uin, owner.rule, held->second));
    }

  private:
    CommandRun& run_;
    AccountBackup backup_;
    // What the file holds, by the place's name in it: each place read whole, or found empty.
    std::vector<std::pair<std::wstring, AccountSubtree>> held_;
    std::vector<std::wstring> refused_;  // the places refused as the erase refuses them
    int unreadable_ = 0;                 // places that could not be read whole
};

}  // namespace

void NameLeftOut(Report& report, const std::wstring& shownParent, const AccountSubtree& read) {
    for (const LeftOut& left : read.leftOut) {
        std::wstring name = shownParent + L"\\" + left.key;
        if (left.isValue) name += L" value \"" + left.value + L"\"";
        report.Status(L"not backed up", {name, L": ", kUnwritableName});
    }
}

// Each user's hive is loaded once to be read and once more to be erased, so that none stays
// loaded while the file is written; the walk that reads keeps what it finds of the users to
// itself, and the erase's walk tells it.
int RunEraseWithBackup(CommandRun& run) {
    EraseBackup backup(run);
    Report untold(run.host, true, ReportForm::kUntold);
    if (!ForEachOwner(run, untold, [&](const Owner& owner) { backup.Read(owner); })) {
        run.report.Line({EscapedForOutput(run.arguments.uin),
                         L": nothing was erased, since the run was stopped before its backup "
                         L"was written."});
        return run.report.tally.Code(run.host);
    }
    if (!backup.Write()) return run.report.tally.Code(run.host);
    ForEachOwner(run, run.report, [&](const Owner& owner) {
        for (const AccountPlace& place : owner.places) backup.Erase(owner, place);
    });
    return EraseSummary(run);
}

}  // namespace zelvane
