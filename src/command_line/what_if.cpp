#include "account_backup/account_subtree.h"
#include "command_line/commands.h"
#include "platform/output_escape.h"
#include "platform/strings.h"

namespace zelvane {

namespace {

// Reads the account's subtree in one place as the erase would walk it, each key opened with
// the erase's rights, and tells what the erase would take there ("would erase", counted as
// erased in the tally), that the account is not there, or why the place could not be
// examined (a failure, as the erase would fail there). With /backup, a place whose names the
// backup could not hold is named, and fails, as the erase would leave it.
void Examine(CommandRun& run, const Owner& owner, const AccountPlace& place) {
    const std::wstring& uin = run.arguments.uin;
    const AccountSubtree read =
        ReadAccountSubtree(run.registry, place, uin, owner.rule, KeyAccess::kErase);
    const std::wstring account = ShownAs(place, run.registry, uin);
    if (run.report.TellUnlessFound(account, read.result, owner.elevationHelps)) return;
    if (!run.arguments.backupFile.empty() && !read.leftOut.empty()) {
        NameLeftOut(run.report, ShownAs(place, run.registry), read);
        run.report.Failure({account}, kErrorNotBackedUp, owner.elevationHelps);
        return;
    }
    const std::wstring uncounted = read.uncounted == 0
                                       ? L""
                                       : Joined({L"; ", Plural(read.uncounted, L"key"),
                                                 L" whose values could not be counted"});
    run.report.Status(L"would erase", {account, L" (", Plural(read.keyCount, L"key"), L", ",
                                       Plural(read.valueCount, L"value"), uncounted, L")"});
    ++run.report.tally.erased;
}

}  // namespace

// Its exit code is the erase's: the same places, the same loading of users' hives, the same
// refusals.
int RunWhatIf(CommandRun& run) {
    ForEachOwner(run, run.report, VisitEach([&](const Owner& owner) {
                     for (const AccountPlace& place : owner.places) Examine(run, owner, place);
                 }));
    const bool messengerRunning = NameRunningMessenger(run);
    const Tally& tally = run.report.tally;
    const int code = tally.Code(run.host);
    const std::wstring uin = EscapedForOutput(run.arguments.uin);
    if (code == kExitDone && messengerRunning) {
        run.report.Line({uin, tally.erased > 0 ? L": would be erased" : L": not found", kRunAgain,
                         L" Nothing was changed (/whatif)."});
        return kExitMessengerRunning;
    }
    if (code != kExitDone) {
        run.report.Line({uin, L": ", Plural(tally.failures, L"place"),
                         L" could not be examined. Nothing was changed (/whatif)."});
    } else if (tally.erased > 0) {
        run.report.Line({uin, L": would be erased from ", Plural(tally.erased, L"place"),
                         L". Nothing was changed (/whatif)."});
    } else {
        run.report.Line({uin, L": not found; nothing to erase. Nothing was changed (/whatif)."});
    }
    return code;
}

}  // namespace zelvane
