#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "account_erase/account_places.h"
#include "platform/registry.h"

namespace zelvane {

struct PlaceOutcome {
    AccountPlace place;
    long result;
    bool partly;
};

bool IsGone(long result);
bool IsAccountName(std::wstring_view uin);
std::vector<PlaceOutcome> EraseAccount(Registry& registry, const std::wstring& uin,
                                       const std::vector<AccountPlace>& places, LinkRule rule);

}  // namespace zelvane
