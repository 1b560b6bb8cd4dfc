#include "account_erase/account_erase.h"

namespace zelvane {

bool IsAccountName(std::wstring_view uin) {
    return !uin.empty() && uin.find_first_of(std::wstring_view(L"\\\0", 2)) == uin.npos;
}

std::vector<PlaceOutcome> EraseAccount(Registry& registry, const std::wstring& uin,
                                       const std::vector<AccountPlace>& places, LinkRule rule) {
    std::vector<PlaceOutcome> outcomes;
    for (const AccountPlace& place : places) {
        const DeleteResult deleted =
            registry.DeleteTree(place.hive, place.parent, uin, place.view, rule);
        outcomes.push_back({place, deleted.result, deleted.partly && !IsNotThere(deleted.result)});
    }
    return outcomes;
}

}  // namespace zelvane
