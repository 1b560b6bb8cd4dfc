#include "account_erase/account_erase.h"
#include "command_line/commands.h"
#include "platform/output_escape.h"

namespace zelvane {

void TellErased(CommandRun& run, const Owner& owner, const PlaceOutcome& outcome) {
    const std::wstring account = ShownAs(outcome.place, run.registry, run.arguments.uin);
    if (run.report.TellUnlessFound(account, outcome.result, owner.elevationHelps,
                                   outcome.partly ? L" (partly erased)" : L"")) {
        return;
    }
    run.report.Status(L"erased", {account});
    ++run.report.tally.erased;
}

void ErasePlaces(CommandRun& run, const Owner& owner, const std::vector<AccountPlace>& places) {
    for (const PlaceOutcome& outcome :
         EraseAccount(run.registry, run.arguments.uin, places, owner.rule)) {
        TellErased(run, owner, outcome);
    }
}

int EraseSummary(CommandRun& run) {
    const bool messengerRunning = NameRunningMessenger(run);
    const Tally& tally = run.report.tally;
    const int code = tally.Code(run.host);
    const std::wstring uin = EscapedForOutput(run.arguments.uin);
    if (code == kExitDone && messengerRunning) {
        run.report.Line({uin, tally.erased > 0 ? L": erased" : L": not found", kRunAgain});
        return kExitMessengerRunning;
    }
    if (code == kExitDone) {
        run.report.Line({uin, tally.erased > 0 ? L": erased; nothing of it is left."
                                               : L": not found; nothing to erase."});
    } else if (code == kExitNotElevated) {
        run.report.Line({uin, L": access is denied in ", Plural(tally.failures, L"place"),
                         L"; run Zelvane as administrator."});
    } else {
        run.report.Line(
            {uin, L": not erased everywhere: ", Plural(tally.failures, L"place"), L" failed."});
    }
    return code;
}

int RunErase(CommandRun& run) {
    ForEachOwner(run, run.report,
                 VisitEach([&](const Owner& owner) { ErasePlaces(run, owner, owner.places); }));
    return EraseSummary(run);
}

}  // namespace zelvane
