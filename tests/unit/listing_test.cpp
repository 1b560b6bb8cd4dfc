#include <gtest/gtest.h>

#include "platform/memory/memory_registry.h"
#include "platform/runtime_error.h"
#include "registry_listing/account_listing.h"

namespace zelvane {
namespace {

using Items = std::vector<std::wstring>;

class ListingTest : public ::testing::Test {
  protected:
    void List(const std::wstring& path) { listing.ListAccounts(kHkeyCurrentUser, path, names); }

    Faults faults;
    MemoryRegistry registry{faults};
    AccountListing listing{registry};
    Items names;
};

TEST_F(ListingTest, MissingKeyAddsNothingAndStillClosesTheNullKey) {
    names = {L"kept"};
    List(L"Software\\Nowhere");
    EXPECT_EQ(names, Items{L"kept"});
    EXPECT_EQ(registry.calls, (std::vector<std::string>{"OpenKey", "EnumKey 0", "CloseKey"}));
}

TEST_F(ListingTest, KeyWithoutSubkeysLeavesTheListAsItWas) {
    registry.SetValue(kHkeyCurrentUser, L"Software\\Empty", L"Value", L"1");
    List(L"Software\\Empty");
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(registry.OpenKeys(), 0u);
}

TEST_F(ListingTest, NamesComeBackExactlyInEnumerationOrder) {
    for (const wchar_t* name : {L"87654321", L"123456", L"9", L"A b\\c"}) {
        registry.AddKey(kHkeyCurrentUser, std::wstring(L"Software\\Keys\\") + name);
    }
    registry.AddKey(kHkeyCurrentUser, L"Software\\Keys\\123456\\Deeper");
    List(L"Software\\Keys");
    // "A b\c" is two keys deep: only "A b" is a direct subkey.
    EXPECT_EQ(names, (Items{L"87654321", L"123456", L"9", L"A b"}));
    EXPECT_EQ(registry.OpenKeys(), 0u);
}

TEST_F(ListingTest, EmptyPathListsTheHiveItself) {
    registry.AddKey(kHkeyCurrentUser, L"Software");
    registry.AddKey(kHkeyCurrentUser, L"Console");
    List(L"");
    EXPECT_EQ(names, (Items{L"Software", L"Console"}));
}

TEST_F(ListingTest, ListingTwiceWithoutClearingListsEverythingTwice) {
    registry.AddKey(kHkeyCurrentUser, L"Software\\Keys\\111111");
    registry.AddKey(kHkeyCurrentUser, L"Software\\Keys\\22222222");
    List(L"Software\\Keys");
    List(L"Software\\Keys");
    EXPECT_EQ(names, (Items{L"111111", L"22222222", L"111111", L"22222222"}));
}

// Every name as the registry holds it, up to the longest it allows, but one that holds a NUL:
// cut at the NUL, it would name another key.
TEST_F(ListingTest, NamesOfAnyScriptAndLengthAreListedWholeButNotOnesWithANul) {
    const std::wstring longest(kMaxKeyName, L'7');
    for (const std::wstring& name : {std::wstring(L"\xFF11\xFF12\xFF13"), std::wstring(L"\x8868"),
                                     std::wstring(L"12\0"
                                                  L"34",
                                                  5),
                                     longest, std::wstring(L"12")}) {
        registry.AddKey(kHkeyCurrentUser, L"Software\\Keys\\" + name);
    }
    List(L"Software\\Keys");
    EXPECT_EQ(names, (Items{L"\xFF11\xFF12\xFF13", L"\x8868", longest, L"12"}));
}

TEST_F(ListingTest, AFailingEnumerationEndsTheListingThere) {
    for (const wchar_t* name : {L"1", L"2", L"3", L"4"}) {
        registry.AddKey(kHkeyCurrentUser, std::wstring(L"Software\\Keys\\") + name);
    }
    registry.FailEnumAt(2, kErrorMoreData);
    List(L"Software\\Keys");
    EXPECT_EQ(names, (Items{L"1", L"2"}));
    EXPECT_EQ(registry.calls.back(), "CloseKey");
}

// A key deleted while the names are read moves the ones after it down by one: the listing
// reads them again rather than pass over one that was there all along, and says so when they
// keep changing.
TEST_F(ListingTest, AKeyDeletedWhileTheNamesAreReadHidesNoOther) {
    for (const wchar_t* name : {L"1", L"2", L"3", L"4"}) {
        registry.AddKey(kHkeyCurrentUser, std::wstring(L"Software\\Keys\\") + name);
    }
    const auto list = [&] {
        return listing.ListAccounts(kHkeyCurrentUser, L"Software\\Keys", names);
    };
    registry.BeforeCall("EnumKey 1", 1, [&] {
        registry.DeleteTree(kHkeyCurrentUser, L"Software\\Keys", L"1", RegistryView::kNative,
                            LinkRule::kFollowNone);
    });
    EXPECT_EQ(list(), kErrorSuccess);
    EXPECT_EQ(names, (Items{L"2", L"3", L"4"}));
    for (int read = 1; read <= 3; ++read) {
        registry.BeforeCall("EnumKey 1", read, [&, read] {
            registry.AddKey(kHkeyCurrentUser, L"Software\\Keys\\" + std::to_wstring(read * 5));
        });
    }
    EXPECT_EQ(list(), kErrorChangedWhileRead);
    EXPECT_EQ(registry.OpenKeys(), 0u);
}

TEST(StripNulls, CutsAtTheFirstNul) {
    EXPECT_EQ(StripNulls(L"123456"), L"123456");
    EXPECT_EQ(StripNulls(std::wstring(L"123456\0\0\0x\0", 11)), L"123456");
    EXPECT_EQ(StripNulls(std::wstring(L"\0abc", 4)), L"");
    EXPECT_EQ(StripNulls(L""), L"");
}

}  // namespace
}  // namespace zelvane
