#include <algorithm>
#include <utility>

#include "account_backup/account_backup.h"
#include "account_backup/account_subtree.h"
#include "account_backup/backed_up_erase.h"
#include "account_erase/account_erase.h"
#include "command_line/commands.h"
#include "platform/decimal.h"
#include "platform/hex.h"
#include "platform/output_escape.h"
#include "platform/strings.h"

namespace zelvane {

namespace {

// The account number as a file name holds it: ASCII letters and digits as they are, every
// other code unit as "_" and four hex digits, so that no number names a folder, a stream or a
// device (a backslash, a slash, a colon), holds what a file name cannot, ends in what Windows
// drops (dots, spaces), or gives the name of another; cut after 100 characters, which only a
// number far longer than an account number reaches.
std::wstring FileNameOf(const std::wstring& uin) {
    std::wstring name;
    for (const wchar_t ch : uin) {
        if (name.size() >= 100) break;
        const bool plain =
            (ch >= L'0' && ch <= L'9') || (ch >= L'a' && ch <= L'z') || (ch >= L'A' && ch <= L'Z');
        if (plain) {
            name += ch;
        } else {
            name += L'_';
            name += UpperHex(ch, 4);
        }
    }
    return name;
}

// The account's subtree at every place, read before anything is erased, written to one new
// .reg file, and then erased key by key as the file holds it.
class EraseBackup {
  public:
    explicit EraseBackup(CommandRun& run)
        : run_(run), backup_(run.arguments.uin, run.users.CurrentUser()) {}

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
            found_ = found_ || read.result == kErrorSuccess;
            if (read.result == kErrorRegistryLink) {
                refused_.push_back(std::wstring(restored));
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

    // Writes the file whole, or says why not; false when nothing may be erased. Where the
    // account is in no place, no file is written, so that a run repeated every day writes one
    // only when there was something to erase. FILE ending in a backslash is a folder: the file
    // is a new one in it, named by the computer, the account and the time.
    bool Write() {
        const std::wstring uin = EscapedForOutput(run_.arguments.uin);
        std::wstring file = run_.arguments.backupFile;
        if (unreadable_ > 0) {
            run_.report.Line({uin, L": nothing was erased: the backup could not read ",
                              Plural(unreadable_, L"place"), L"."});
            return false;
        }
        if (!found_) {
            run_.report.Line({uin, L": nothing to back up; no file was written."});
            return true;
        }
        const std::string bytes = backup_.Bytes();
        long written = kErrorAlreadyExists;
        if (file.back() != L'\\') {
            written = run_.host.WriteNewFile(file, bytes);
        } else {
            const std::wstring stem =
                Joined({file, run_.host.ComputerName(), L"-", FileNameOf(run_.arguments.uin), L"-",
                        run_.host.FileNameTime()});
            // A second backup of the account within the same second gets a number of its own.
            for (int n = 1; n < 10 && written == kErrorAlreadyExists; ++n) {
                file = n == 1 ? Joined({stem, L".reg"}) : Joined({stem, L"-", Decimal(n), L".reg"});
                written = run_.host.WriteNewFile(file, bytes);
            }
        }
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
    bool found_ = false;                 // the account is in some place
};

}  // namespace

void NameLeftOut(Report& report, const std::wstring& shownParent, const AccountSubtree& read) {
    for (const LeftOut& left : read.leftOut) {
        std::wstring name = Joined({shownParent, L"\\", left.key});
        if (left.isValue) name += Joined({L" value \"", left.value, L"\""});
        report.Status(L"not backed up", {name, L": ", kUnwritableName});
    }
}

// Each user's hive is loaded once to be read and once more to be erased, so that none stays
// loaded while the file is written; the walk that reads keeps what it finds of the users to
// itself, and the erase's walk tells it.
int RunEraseWithBackup(CommandRun& run) {
    EraseBackup backup(run);
    Report untold(run.host, true, ReportForm::kUntold);
    if (!ForEachOwner(run, untold, VisitEach([&](const Owner& owner) { backup.Read(owner); }))) {
        run.report.Line({EscapedForOutput(run.arguments.uin),
                         L": nothing was erased, since the run was stopped before its backup "
                         L"was written."});
        return run.report.tally.Code(run.host);
    }
    if (!backup.Write()) return run.report.tally.Code(run.host);
    ForEachOwner(run, run.report, VisitEach([&](const Owner& owner) {
                     for (const AccountPlace& place : owner.places) backup.Erase(owner, place);
                 }));
    return EraseSummary(run);
}

}  // namespace zelvane
