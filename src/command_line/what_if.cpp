#include "command_line/what_if.h"

#include "account_backup/account_subtree.h"
#include "command_line/erase_backup.h"

namespace zelvane {

void ExamineForErase(Registry& registry, Report& report, const std::wstring& uin,
                     const AccountPlace& place, LinkRule rule, bool elevationHelps, bool backup) {
    const AccountSubtree read = ReadAccountSubtree(registry, place, uin, rule, KeyAccess::kErase);
    const std::wstring account = ShownAs(place, registry, uin);
    if (!report.AccountThere(account, read.result, elevationHelps)) return;
    if (backup && !read.leftOut.empty()) {
        NameLeftOut(report, ShownAs(place, registry), read);
        report.Failure({account}, kErrorNotBackedUp, elevationHelps);
        return;
    }
    const std::wstring uncounted = read.uncounted == 0 ? L""
                                                       : L"; " + Plural(read.uncounted, L"key") +
                                                             L" whose values could not be counted";
    report.Status(L"would erase", {account, L" (", Plural(read.keyCount, L"key"), L", ",
                                   Plural(read.valueCount, L"value"), uncounted, L")"});
    ++report.tally.erased;
}

}  // namespace zelvane
