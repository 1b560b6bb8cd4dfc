#include "main_window_fixture.h"

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
}

TEST_F(MainWindowTest, ClickingAnItemCopiesExactlyItsTextOverTheBox) {
    accountList.items = {L"123456", L"87654321"};
    uinBox.text = L"999";
    accountList.selected = 1;
    main.OnAccountClick();
    EXPECT_EQ(uinBox.text, L"87654321");
}

// The code is a signed 16-bit value: characters from U+8000 up arrive negative and pass.
TEST_F(MainWindowTest, TypingFilterKeepsDigitsAndCodesUpToTheSpace) {
    const struct {
        int code;
        bool passes;
    } cases[] = {
        {-32768, true}, {-1, true},   {0, true},      {8, true},
        {22, true},     {32, true},   {33, false},    {47, false},
        {48, true},     {57, true},   {58, false},    {65, false},
        {127, false},   {255, false}, {32767, false}, {static_cast<std::int16_t>(0xFF10), true},
    };
    for (const auto& c : cases) {
        std::int16_t key = static_cast<std::int16_t>(c.code);
        main.OnUinKeyPress(key);
        EXPECT_EQ(key, c.passes ? c.code : 0) << "code " << c.code;
    }
}

}  // namespace
}  // namespace zelvane
