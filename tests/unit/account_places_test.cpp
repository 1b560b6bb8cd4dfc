#include <gtest/gtest.h>

#include "account_erase/account_erase.h"
#include "expected_places.h"
#include "platform/memory/memory_registry.h"

namespace zelvane {
namespace {

// A registry of 64-bit Windows (the memory registry's own kind) unless told otherwise.
std::vector<std::wstring> Shown(const std::vector<AccountPlace>& places, bool windows64 = true) {
    Faults faults;
    MemoryRegistry registry(faults);
    registry.SetWindows64Bit(windows64);
    std::vector<std::wstring> shown;
    for (const AccountPlace& place : places) shown.push_back(ShownAs(place, registry));
    return shown;
}

TEST(AccountPlacesTest, TheWindowsPlacesAreTheFiveKnownOnesInOrder) {
    const std::vector<AccountPlace> places = CurrentUserPlaces();
    ASSERT_EQ(places.size(), std::size(kExpectedPlaces));
    for (std::size_t i = 0; i < places.size(); ++i) {
        EXPECT_EQ(places[i].hive, kExpectedPlaces[i].hive);
        EXPECT_EQ(places[i].parent, kExpectedPlaces[i].parent);
        EXPECT_EQ(places[i].view, kExpectedPlaces[i].view);
    }
    EXPECT_EQ(Shown(SharedPlaces()),
              (std::vector<std::wstring>{
                  L"HKEY_USERS\\.DEFAULT\\Software\\Mirabilis\\ICQ\\NewOwners",
                  L"HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Mirabilis\\ICQ\\NewOwners"}));
    EXPECT_EQ(ListingPath(), L"Software\\Mirabilis\\ICQ\\NewOwners");
}

// Each place by the path regedit shows for the key erased: the machine's 32-bit view is
// SOFTWARE\WOW6432Node on 64-bit Windows alone; both virtual stores keep their own names.
TEST(AccountPlacesTest, EachPlaceIsNamedAsRegeditShowsItOn64BitAnd32BitWindows) {
    const std::wstring store =
        L"HKEY_CURRENT_USER\\Software\\Classes\\VirtualStore\\MACHINE\\SOFTWARE\\";
    for (const bool windows64 : {true, false}) {
        SCOPED_TRACE(windows64);
        EXPECT_EQ(
            Shown(CurrentUserPlaces(), windows64),
            (std::vector<std::wstring>{
                L"HKEY_CURRENT_USER\\Software\\Mirabilis\\ICQ\\NewOwners",
                L"HKEY_USERS\\.DEFAULT\\Software\\Mirabilis\\ICQ\\NewOwners",
                windows64 ? L"HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Mirabilis\\ICQ\\NewOwners"
                          : L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Mirabilis\\ICQ\\NewOwners",
                store + L"Wow6432Node\\Mirabilis\\ICQ\\NewOwners",
                store + L"Mirabilis\\ICQ\\NewOwners"}));
    }
}

// Another user's hives loaded under HKEY_USERS: the virtual store is in the classes hive,
// and a user without one (Windows XP) has the hive's own place only.
TEST(AccountPlacesTest, AnotherUsersPlacesLieInThatUsersTwoHives) {
    EXPECT_EQ(Shown(UserHivePlaces(L"S-1-5-21-7-1001", L"S-1-5-21-7-1001_Classes")),
              (std::vector<std::wstring>{
                  L"HKEY_USERS\\S-1-5-21-7-1001\\Software\\Mirabilis\\ICQ\\NewOwners",
                  L"HKEY_USERS\\S-1-5-21-7-1001_Classes\\VirtualStore\\MACHINE\\SOFTWARE\\"
                  L"Wow6432Node\\Mirabilis\\ICQ\\NewOwners",
                  L"HKEY_USERS\\S-1-5-21-7-1001_Classes\\VirtualStore\\MACHINE\\SOFTWARE\\"
                  L"Mirabilis\\ICQ\\NewOwners"}));
    const std::vector<AccountPlace> xp = UserHivePlaces(L"Zelvane-1", L"");
    ASSERT_EQ(xp.size(), 1u);
    EXPECT_EQ(xp[0].scope, PlaceScope::kUser);
    EXPECT_EQ(xp[0].view, RegistryView::kNative);
}

}  // namespace
}  // namespace zelvane
