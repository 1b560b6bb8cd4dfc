#include "main_window_fixture.h"

namespace zelvane {
namespace {

const std::string kUserKey = kNewOwners;
const std::string kDefaultKey = ".DEFAULT\\" + kNewOwners;
const std::string kMachineKey = "SOFTWARE\\Mirabilis\\ICQ\\NewOwners";

class EraseTest : public MainWindowTest {
  protected:
    // Two accounts, each in all three places with a subtree and values, and the parent
    // keys with values of their own.
    void SetUp() override {
        for (const char* uin : {"123456", "87654321"}) {
            for (const auto& [hive, key, view] :
                 {std::tuple{kHkeyCurrentUser, kUserKey, RegistryView::kNative},
                  std::tuple{kHkeyUsers, kDefaultKey, RegistryView::kNative},
                  std::tuple{kHkeyLocalMachine, kMachineKey, RegistryView::k32Bit}}) {
                const std::string account = key + "\\" + uin;
                registry.SetValue(hive, account, "Nick", uin, view);
                registry.SetValue(hive, account + "\\Deep\\Deeper", "Data", "x", view);
                registry.SetValue(hive, key, "Parent", "kept", view);
            }
        }
        // The same path in the machine hive's native view belongs to someone else.
        registry.AddKey(kHkeyLocalMachine, kMachineKey + "\\123456");
        Load();
        registry.calls.clear();
    }

    void Erase(const std::wstring& text, std::deque<int> answers = {vbYes}) {
        txtUIN.text = text;
        runtime.answers = std::move(answers);
        main.cmdDelete_Click();
    }

    bool AccountLeft(const std::string& uin, RegistryView machineView) const {
        return registry.Exists(kHkeyCurrentUser, kUserKey + "\\" + uin) ||
               registry.Exists(kHkeyUsers, kDefaultKey + "\\" + uin) ||
               registry.Exists(kHkeyLocalMachine, kMachineKey + "\\" + uin, machineView);
    }

    std::vector<std::wstring> Titles() const {
        std::vector<std::wstring> titles;
        for (const auto& message : runtime.shown) titles.push_back(message.title);
        return titles;
    }
};

TEST_F(EraseTest, YesErasesTheAccountFromTheThreePlacesAndNothingElse) {
    Erase(L"123456");

    ASSERT_EQ(runtime.shown.size(), 2u);
    EXPECT_EQ(runtime.shown[0].prompt, L"Are you sure you want to delete this UIN? (123456)");
    EXPECT_EQ(runtime.shown[0].buttons, 20);
    EXPECT_EQ(runtime.shown[0].title, L"Confirmation");
    EXPECT_EQ(runtime.shown[1].prompt, L"Done!");
    EXPECT_EQ(runtime.shown[1].buttons, 64);
    EXPECT_EQ(runtime.shown[1].title, L"Success");

    EXPECT_FALSE(AccountLeft("123456", RegistryView::k32Bit));
    EXPECT_TRUE(registry.Exists(kHkeyLocalMachine, kMachineKey + "\\123456"));
    EXPECT_TRUE(registry.Exists(kHkeyCurrentUser, kUserKey + "\\87654321\\Deep\\Deeper"));
    EXPECT_TRUE(registry.Exists(kHkeyUsers, kDefaultKey + "\\87654321"));
    EXPECT_TRUE(
        registry.Exists(kHkeyLocalMachine, kMachineKey + "\\87654321", RegistryView::k32Bit));
    EXPECT_NE(registry.Export().find("Parent=kept"), std::string::npos);

    // The list is not refreshed and the box keeps the number.
    EXPECT_EQ(List1.items, (std::vector<std::wstring>{L"123456", L"87654321"}));
    EXPECT_EQ(txtUIN.text, L"123456");
}

TEST_F(EraseTest, TheBoxIsReadAfreshForEveryDeletion) {
    Erase(L"123456");
    // Once for the prompt, once for the empty check, once before each of three deletions.
    EXPECT_EQ(txtUIN.reads, 5);
    EXPECT_EQ(registry.calls, (std::vector<std::string>{"DeleteTree", "DeleteTree", "DeleteTree"}));
}

TEST_F(EraseTest, NoChangesNothing) {
    const std::string before = registry.Export();
    Erase(L"123456", {vbNo});
    // A box that ended with no button pressed (closed from outside) answers 0: a No too.
    Erase(L"123456", {0});
    EXPECT_EQ(Titles(), (std::vector<std::wstring>{L"Confirmation", L"Confirmation"}));
    EXPECT_TRUE(registry.calls.empty());
    EXPECT_EQ(registry.Export(), before);
}

TEST_F(EraseTest, EmptyTextIsAnInputErrorOnlyAfterYes) {
    Erase(L"", {vbNo});
    EXPECT_EQ(runtime.shown.back().prompt, L"Are you sure you want to delete this UIN? ()");
    EXPECT_EQ(Titles(), std::vector<std::wstring>{L"Confirmation"});

    runtime.shown.clear();
    Erase(L"");
    EXPECT_EQ(Titles(), (std::vector<std::wstring>{L"Confirmation", L"Input Error"}));
    EXPECT_EQ(runtime.shown.back().prompt, L"Fill in the UIN, And then click 'Erase'");
    EXPECT_EQ(runtime.shown.back().buttons, 16);
    EXPECT_TRUE(registry.calls.empty());
}

TEST_F(EraseTest, TextThatNamesAnythingButOneAccountIsRefusedWithoutTouchingTheRegistry) {
    const std::string before = registry.Export();
    const std::wstring unsafe[] = {
        L"\\",                    // the NewOwners key itself
        L"123456\\Deep",          // a key below an account
        L"..\\..",                // no parent traversal either
        std::wstring(L"1\0", 2),  // a NUL would cut the path back to NewOwners
        L"\xFF3C",                // a full-width backslash best-fits to '\'
        L"\xFF11\xFF12\xFF13",    // full-width digits best-fit to "123"
        L"12\x0663",              // an Arabic-Indic digit: not in the code page
        L"12??",                  // how the list shows characters outside the code page
    };
    for (const std::wstring& text : unsafe) {
        runtime.shown.clear();
        Erase(text);
        EXPECT_EQ(Titles(), (std::vector<std::wstring>{L"Confirmation", L"Input Error"}));
        EXPECT_TRUE(registry.calls.empty());
    }
    EXPECT_EQ(registry.Export(), before);
}

TEST_F(EraseTest, AnAccountMissingEverywhereStillReportsDone) {
    Erase(L"999");
    EXPECT_EQ(Titles(), (std::vector<std::wstring>{L"Confirmation", L"Success"}));
}

TEST_F(EraseTest, AccessDeniedInOnePlaceStillTriesTheOthersAndSaysWhere) {
    registry.FailDelete(kHkeyLocalMachine, RegistryView::k32Bit, kErrorAccessDenied);
    registry.FailDelete(kHkeyCurrentUser, RegistryView::kNative, 1018);
    Erase(L"123456");

    EXPECT_EQ(registry.calls.size(), 3u);
    EXPECT_FALSE(registry.Exists(kHkeyUsers, kDefaultKey + "\\123456"));
    EXPECT_TRUE(registry.Exists(kHkeyLocalMachine, kMachineKey + "\\123456", RegistryView::k32Bit));

    ASSERT_EQ(Titles(), (std::vector<std::wstring>{L"Confirmation", L"Not erased everywhere"}));
    const ShownMessage& warning = runtime.shown.back();
    EXPECT_EQ(warning.buttons, vbExclamation);
    EXPECT_NE(warning.prompt.find(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Mirabilis\\ICQ\\NewOwners "
                                  L"(access is denied)"),
              std::wstring::npos);
    EXPECT_NE(warning.prompt.find(L"HKEY_CURRENT_USER\\Software\\Mirabilis\\ICQ\\NewOwners "
                                  L"(error 1018)"),
              std::wstring::npos);
    EXPECT_EQ(warning.prompt.find(L"HKEY_USERS"), std::wstring::npos);
    EXPECT_NE(warning.prompt.find(L"administrator"), std::wstring::npos);
}

TEST_F(EraseTest, DoubleClickCopiesTheItemAndAsksFirst) {
    List1.selected = 1;
    runtime.answers = {vbNo};
    main.List1_DblClick();
    EXPECT_EQ(txtUIN.text, L"87654321");
    EXPECT_EQ(runtime.shown.back().prompt, L"Are you sure you want to delete this UIN? (87654321)");
    EXPECT_TRUE(registry.calls.empty());
}

TEST_F(EraseTest, ANameTheListShowedStaysErasable) {
    registry.AddKey(kHkeyCurrentUser, kUserKey + "\\my account");
    Erase(L"my account");
    EXPECT_EQ(Titles().back(), L"Success");
    EXPECT_FALSE(registry.Exists(kHkeyCurrentUser, kUserKey + "\\my account"));
}

}  // namespace
}  // namespace zelvane
