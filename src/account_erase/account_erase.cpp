#include "account_erase/account_erase.h"

#include "platform/decimal.h"

namespace zelvane {

std::wstring Reason(long result) {
    const std::wstring_view own = OwnResultText(result);
    if (!own.empty()) return std::wstring(own);
    switch (result) {
        case kErrorAccessDenied:
            return L"access is denied";
        case kErrorInvalidHandle:
            return L"the key could not be opened";
        default:
            return L"error " + Decimal(result);
    }
}

bool IsAccountName(std::wstring_view uin) {
    return !uin.empty() && uin.find_first_of(std::wstring_view(L"\\\0", 2)) == uin.npos;
}

std::vector<PlaceOutcome> EraseAccount(Registry& registry, const std::wstring& uin,
                                       const std::vector<AccountPlace>& places, LinkRule rule) {
    std::wstring checked;
    return EraseAccount(
        registry, [&uin] { return uin; }, places, rule, checked);
}

std::vector<PlaceOutcome> EraseAccount(Registry& registry,
                                       const std::function<std::wstring()>& name,
                                       const std::vector<AccountPlace>& places, LinkRule rule,
                                       std::wstring& uin) {
    std::vector<PlaceOutcome> outcomes;
    for (const AccountPlace& place : places) {
        uin = name();
        if (!IsAccountName(uin)) break;
        const DeleteResult deleted =
            registry.DeleteTree(place.hive, place.parent, uin, place.view, rule);
        outcomes.push_back({place, deleted.result, deleted.partly && !IsNotThere(deleted.result)});
    }
    return outcomes;
}

}  // namespace zelvane
