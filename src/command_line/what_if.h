#pragma once

#include <string>

#include "account_erase/account_places.h"
#include "command_line/command_report.h"
#include "platform/registry.h"

namespace zelvane {

// /whatif in one place: reads the account's subtree as the erase would walk it, each key
// opened with the erase's rights, and tells what the erase would take there ("would erase",
// counted as erased in the report's tally), that the account is not there, or why the place
// could not be examined (a failure, as the erase would fail there). With backup (/whatif
// with /backup), a place whose names the backup could not hold is named, and a failure, as
// the erase would leave it.
void ExamineForErase(Registry& registry, Report& report, const std::wstring& uin,
                     const AccountPlace& place, LinkRule rule, bool elevationHelps, bool backup);

}  // namespace zelvane
