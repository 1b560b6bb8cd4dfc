#include "account_erase/account_erase.h"

namespace zelvane {

namespace {
constexpr wchar_t kNewOwners[] = L"Software\\Mirabilis\\ICQ\\NewOwners";
constexpr wchar_t kStore64[] =
    L"VirtualStore\\MACHINE\\SOFTWARE\\Wow6432Node\\Mirabilis\\ICQ\\NewOwners";
constexpr wchar_t kStore32[] = L"VirtualStore\\MACHINE\\SOFTWARE\\Mirabilis\\ICQ\\NewOwners";
}  // namespace

std::wstring ShownAs(const AccountPlace& place) {
    const wchar_t* hive = place.hive == kHkeyCurrentUser    ? L"HKEY_CURRENT_USER\\"
                          : place.hive == kHkeyLocalMachine ? L"HKEY_LOCAL_MACHINE\\"
                                                            : L"HKEY_USERS\\";
    return hive + place.parent;
}

std::vector<AccountPlace> CurrentUserPlaces() {
    std::vector<AccountPlace> places{
        {kHkeyCurrentUser, kNewOwners, RegistryView::kNative, PlaceScope::kUser}};
    for (const AccountPlace& shared : SharedPlaces()) places.push_back(shared);
    places.push_back({kHkeyCurrentUser, std::wstring(L"Software\\Classes\\") + kStore64,
                      RegistryView::kNative, PlaceScope::kUser});
    places.push_back({kHkeyCurrentUser, std::wstring(L"Software\\Classes\\") + kStore32,
                      RegistryView::kNative, PlaceScope::kUser});
    return places;
}

std::vector<AccountPlace> UserHivePlaces(const std::wstring& userKey,
                                         const std::wstring& classesKey) {
    std::vector<AccountPlace> places{
        {kHkeyUsers, userKey + L"\\" + kNewOwners, RegistryView::kNative, PlaceScope::kUser}};
    if (classesKey.empty()) return places;
    places.push_back(
        {kHkeyUsers, classesKey + L"\\" + kStore64, RegistryView::kNative, PlaceScope::kUser});
    places.push_back(
        {kHkeyUsers, classesKey + L"\\" + kStore32, RegistryView::kNative, PlaceScope::kUser});
    return places;
}

std::vector<AccountPlace> SharedPlaces() {
    return {{kHkeyUsers, std::wstring(L".DEFAULT\\") + kNewOwners, RegistryView::kNative,
             PlaceScope::kShared},
            {kHkeyLocalMachine, L"SOFTWARE\\Mirabilis\\ICQ\\NewOwners", RegistryView::k32Bit,
             PlaceScope::kShared}};
}

bool IsGone(long result) {
    return result == kErrorSuccess || result == kErrorFileNotFound ||
           result == kErrorPathNotFound || result == kErrorKeyDeleted;
}

std::vector<PlaceOutcome> EraseAccount(Registry& registry, const std::wstring& uin,
                                       const std::vector<AccountPlace>& places, LinkRule) {
    std::vector<PlaceOutcome> outcomes;
    for (const AccountPlace& place : places) {
        outcomes.push_back(
            {place, registry.DeleteTree(place.hive, place.parent, uin, place.view), false});
    }
    return outcomes;
}

}  // namespace zelvane
