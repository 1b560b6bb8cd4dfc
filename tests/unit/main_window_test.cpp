#include "main_window_fixture.h"

#include <utility>
#include <vector>

namespace zelvane {
namespace {

using Items = std::vector<std::wstring>;

TEST_F(MainWindowTest, LoadListsOnlyTheCurrentUsersAccounts) {
    registry.AddKey(kHkeyCurrentUser, kNewOwners + L"\\123456");
    registry.AddKey(kHkeyCurrentUser, kNewOwners + L"\\87654321");
    registry.AddKey(kHkeyUsers, L".DEFAULT\\" + kNewOwners + L"\\555555");
    registry.AddKey(kHkeyLocalMachine, L"SOFTWARE\\Mirabilis\\ICQ\\NewOwners\\777777",
                    RegistryView::k32Bit);
    registry.AddKey(kHkeyLocalMachine, L"SOFTWARE\\Mirabilis\\ICQ\\NewOwners\\888888");
    accountList.items = {L"stale"};

    Load();

    EXPECT_EQ(accountList.items, (Items{L"123456", L"87654321"}));
    EXPECT_TRUE(uinBox.text.empty());
    EXPECT_TRUE(runtime.shown.empty());
}

TEST_F(MainWindowTest, LoadWithoutAnyAccountsShowsAnEmptyListAndNoMessage) {
    Load();
    EXPECT_TRUE(accountList.items.empty());
    EXPECT_TRUE(runtime.shown.empty());
}

TEST_F(MainWindowTest, TheListIsClearedOnLoadAndFilledOnceTheWindowIsShown) {
    registry.AddKey(kHkeyCurrentUser, kNewOwners + L"\\123456");
    accountList.items = {L"stale"};
    main.OnLoad();
    EXPECT_TRUE(accountList.items.empty());
    main.OnShown();
    EXPECT_EQ(accountList.items, Items{L"123456"});
    // In one update, not repainted item by item.
    EXPECT_EQ(accountList.addedWhileDrawing, 0);
    EXPECT_EQ(accountList.updating, 0);
}

TEST_F(MainWindowTest, ClickingAnItemCopiesExactlyItsTextOverTheBox) {
    accountList.items = {L"123456", L"87654321"};
    uinBox.text = L"999";
    accountList.selected = 1;
    main.OnAccountClick();
    EXPECT_EQ(uinBox.text, L"87654321");
}

// Every code the box can be given, from -32768 to 32767: the code is a signed 16-bit value,
// so characters from U+8000 up (full-width digits, CJK) arrive negative and pass. What passes
// passes unchanged; what is dropped becomes 0. The passing codes form exactly two runs.
TEST_F(MainWindowTest, TypingFilterKeepsDigitsAndCodesUpToTheSpace) {
    std::vector<std::pair<int, int>> passing;  // first and last code of each run
    for (int code = -32768; code <= 32767; ++code) {
        std::int16_t key = static_cast<std::int16_t>(code);
        main.OnUinKeyPress(key);
        if (key == 0 && code != 0) continue;
        ASSERT_EQ(key, code);
        if (passing.empty() || passing.back().second != code - 1) passing.push_back({code, code});
        passing.back().second = code;
    }
    const std::vector<std::pair<int, int>> expected = {{-32768, ' '}, {'0', '9'}};
    EXPECT_EQ(passing, expected);
}

}  // namespace
}  // namespace zelvane
