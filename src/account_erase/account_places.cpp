#include "account_erase/account_places.h"

#include <utility>

#include "platform/strings.h"

namespace zelvane {

namespace {

// Where the messenger keeps its accounts, below a Software key.
constexpr wchar_t kNewOwners[] = L"Mirabilis\\ICQ\\NewOwners";

// The current user's classes hive, as HKEY_CURRENT_USER shows it.
constexpr wchar_t kUserClasses[] = L"Software\\Classes\\";

// The machine's Software key, and the key below it that holds its 32-bit view on 64-bit
// Windows, as regedit spells them.
constexpr wchar_t kMachineSoftware[] = L"SOFTWARE\\";
constexpr wchar_t kWow64Node[] = L"WOW6432Node\\";

struct PlaceRow {
    std::int32_t hive;
    const wchar_t* software;  // the Software key below the hive that holds kNewOwners
    RegistryView view;
    PlaceScope scope;
};

// Every place the messenger keeps an account, in the order they are erased: the current
// user's hive, the default profile and the machine hive, where the 32-bit messenger's keys
// live in the 32-bit view; then the user's UAC virtual store, which receives the machine-hive
// writes of the messenger when it runs without administrator rights on Vista and later, and
// which it reads first: under Wow6432Node on 64-bit Windows, without it on 32-bit Windows.
// Paths keep the case the registry shows them in.
constexpr PlaceRow kPlaces[] = {
    {kHkeyCurrentUser, L"Software\\", RegistryView::kNative, PlaceScope::kUser},
    {kHkeyUsers, L".DEFAULT\\Software\\", RegistryView::kNative, PlaceScope::kShared},
    {kHkeyLocalMachine, kMachineSoftware, RegistryView::k32Bit, PlaceScope::kShared},
    {kHkeyCurrentUser, L"Software\\Classes\\VirtualStore\\MACHINE\\SOFTWARE\\Wow6432Node\\",
     RegistryView::kNative, PlaceScope::kUser},
    {kHkeyCurrentUser, L"Software\\Classes\\VirtualStore\\MACHINE\\SOFTWARE\\",
     RegistryView::kNative, PlaceScope::kUser},
};

AccountPlace Place(const PlaceRow& row) {
    return {row.hive, Joined({row.software, kNewOwners}), row.view, row.scope};
}

}  // namespace

// 64-bit Windows keeps the machine's 32-bit view of SOFTWARE under SOFTWARE\WOW6432Node, and
// names it so; the user's hives and the default profile have one view.
std::wstring ShownAs(const AccountPlace& place, const Registry& registry) {
    const wchar_t* hive = place.hive == kHkeyCurrentUser    ? L"HKEY_CURRENT_USER"
                          : place.hive == kHkeyUsers        ? L"HKEY_USERS"
                          : place.hive == kHkeyLocalMachine ? L"HKEY_LOCAL_MACHINE"
                                                            : L"?";
    std::wstring parent = place.parent;
    constexpr std::wstring_view software = kMachineSoftware;
    if (place.hive == kHkeyLocalMachine && place.view == RegistryView::k32Bit &&
        registry.Is64BitWindows() && parent.compare(0, software.size(), software) == 0) {
        parent.insert(software.size(), kWow64Node);
    }
    return Joined({hive, L"\\", parent});
}

std::wstring ShownAs(const AccountPlace& place, const Registry& registry, std::wstring_view uin) {
    return Joined({ShownAs(place, registry), L"\\", uin});
}

std::vector<AccountPlace> CurrentUserPlaces() {
    std::vector<AccountPlace> places;
    for (const PlaceRow& row : kPlaces) places.push_back(Place(row));
    return places;
}

// The current user's own rows, moved from HKEY_CURRENT_USER to the user's hives under
// HKEY_USERS: the classes hive is HKEY_CURRENT_USER's Software\Classes. The rows in the
// user's hive come first, its own Software\Classes among them, then the classes hive's.
std::vector<AccountPlace> UserHivePlaces(const std::wstring& userKey,
                                         const std::wstring& classesKey, bool classesInUserHive) {
    constexpr std::wstring_view classes = kUserClasses;
    std::vector<AccountPlace> places;
    std::vector<AccountPlace> inClassesHive;
    for (const PlaceRow& row : kPlaces) {
        if (row.scope != PlaceScope::kUser) continue;
        AccountPlace place = Place(row);
        place.hive = kHkeyUsers;
        const bool classesRow = place.parent.compare(0, classes.size(), classes) == 0;
        if (!classesRow || classesInUserHive) {
            places.push_back(
                {place.hive, Joined({userKey, L"\\", place.parent}), place.view, place.scope});
        }
        if (classesRow && !classesKey.empty()) {
            place.parent =
                Joined({classesKey, L"\\", std::wstring_view(place.parent).substr(classes.size())});

            inClassesHive.push_back(std::move(place));
        }
    }
    for (AccountPlace& place : inClassesHive) places.push_back(std::move(place));
    return places;
}

std::vector<AccountPlace> SharedPlaces() {
    std::vector<AccountPlace> places;
    for (const PlaceRow& row : kPlaces) {
        if (row.scope == PlaceScope::kShared) places.push_back(Place(row));
    }
    return places;
}

std::wstring ListingPath() {
    return Place(kPlaces[0]).parent;
}

}  // namespace zelvane
