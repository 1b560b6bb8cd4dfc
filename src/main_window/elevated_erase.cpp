#include "main_window/elevated_erase.h"

#include "main_window/account_path.h"
#include "main_window/erase_report.h"

namespace zelvane {

void EraseAsAdministrator(const std::wstring& uin, Runtime& runtime, Registry& registry) {
    if (!IsAccountName(uin)) {
        ShowRefusal(runtime, uin);
        return;
    }
    EraseReport report;
    for (const AccountPlace& place : kAccountPlaces) {
        if (place.userHive) continue;
        report.Add(place,
                   registry.DeleteTree(place.hive, std::wstring(place.parent), uin, place.view));
    }
    report.Show(runtime, false);
}

}  // namespace zelvane
