#include "command_line/commands.h"
#include "platform/output_escape.h"
#include "platform/strings.h"

namespace zelvane {

// A line in /list's form for each owner holding a copy, then the summary. It exits 0 only
// when no copy was found and every place could be read, so that a tool never takes a failure
// for a clean PC.
int RunFind(CommandRun& run) {
    int foundIn = 0;                  // places
    std::vector<std::wstring> users;  // sorted: the owners holding it but the shared places
    ForEachOwner(run, run.report, VisitEach([&](const Owner& owner) {
                     const int holding = ListOwnerAccounts(run, owner, run.arguments.uin);
                     foundIn += holding;
                     if (holding > 0 && owner.places.front().scope == PlaceScope::kUser) {
                         InsertOnce(users, owner.name);
                     }
                 }));
    const int failures = run.report.tally.failures;
    const std::wstring uin = EscapedForOutput(run.arguments.uin);
    const std::wstring unread =
        failures == 0
            ? L""
            : Joined({L"; ", Plural(failures, L"place"), L" could not be read or reached"});
    if (foundIn > 0) {
        run.report.Line({uin, L": found in ", Plural(foundIn, L"place"), L" (",
                         Plural(static_cast<int>(users.size()), L"user"), L")", unread});
    } else if (failures > 0) {
        run.report.Line({uin, L": not known to be clean", unread});
    } else {
        run.report.Line({uin, L": not found"});
    }
    return foundIn > 0 || failures > 0 ? kExitFailed : kExitDone;
}

}  // namespace zelvane
