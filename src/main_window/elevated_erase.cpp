#include "main_window/elevated_erase.h"

#include "account_erase/account_erase.h"
#include "main_window/erase_report.h"

namespace zelvane {

// This instance has more rights than the hives' owners, and a standard user may own a key
// on the way to the machine's NewOwners: no link is followed, and only an account found
// under the expected key itself is erased.
void EraseAsAdministrator(const std::wstring& uin, const Messages& messages, Registry& registry) {
    if (!IsAccountName(uin)) {
        ShowRefusal(messages, uin);
        return;
    }
    EraseReport(EraseAccount(registry, uin, SharedPlaces(), LinkRule::kFollowNone), registry)
        .ShowAndAskForAdministrator(messages, false);
}

}  // namespace zelvane
