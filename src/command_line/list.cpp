#include <algorithm>

#include "account_erase/account_erase.h"
#include "command_line/commands.h"
#include "platform/ascii_case.h"
#include "platform/output_escape.h"
#include "registry_listing/account_listing.h"

namespace zelvane {

bool InsertOnce(std::vector<std::wstring>& sorted, const std::wstring& name) {
    const auto at = std::lower_bound(sorted.begin(), sorted.end(), name);
    if (at != sorted.end() && *at == name) return false;
    sorted.insert(at, std::wstring(name));
    return true;
}

int ListOwnerAccounts(CommandRun& run, const Owner& owner, std::wstring_view only) {
    AccountListing listing(run.registry);
    const std::wstring shownOwner = EscapedForOutput(owner.name);
    std::vector<std::wstring> shown;
    int holding = 0;
    for (const AccountPlace& place : owner.places) {
        std::vector<std::wstring> names;
        const long result =
            listing.ListAccounts(place.hive, place.parent, names, place.view, owner.rule);
        if (result != kErrorSuccess && !IsNotThere(result)) {
            run.report.Failure({ShownAs(place, run.registry)}, result, owner.elevationHelps);
        }
        for (const std::wstring& uin : names) {
            if (!only.empty() && !SameIgnoringAsciiCase(uin, only)) continue;
            ++holding;
            if (InsertOnce(shown, uin)) run.report.Line({EscapedForOutput(uin), L"\t", shownOwner});
        }
    }
    return holding;
}

// In the order the places are read. The messenger running is named, and changes no exit
// code.
int RunList(CommandRun& run) {
    ForEachOwner(run, run.report,
                 VisitEach([&](const Owner& owner) { ListOwnerAccounts(run, owner); }));
    NameRunningMessenger(run);
    return run.report.tally.Code(run.host);
}

}  // namespace zelvane
