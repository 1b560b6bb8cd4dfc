#include "account_backup/backed_up_erase.h"
#include "expected_places.h"
#include "main_window/elevated_erase.h"
#include "main_window_fixture.h"

namespace zelvane {
namespace {

class EraseTest : public MainWindowTest {
  protected:
    // Two accounts, each in every place with a subtree and values, and the parent keys
    // with values of their own.
    void SetUp() override {
        for (const wchar_t* uin : {L"123456", L"87654321"}) {
            for (const ExpectedPlace& place : kExpectedPlaces) {
                const std::wstring account = Key(place, uin);
                registry.SetValue(place.hive, account, L"Nick", uin, place.view);
                registry.SetValue(place.hive, account + L"\\Deep\\Deeper", L"Data", L"x",
                                  place.view);
                registry.SetValue(place.hive, std::wstring(place.parent), L"Parent", L"kept",
                                  place.view);
            }
        }
        // The same path in the machine hive's native view belongs to someone else.
        registry.AddKey(kHkeyLocalMachine, Key(kExpectedPlaces[2], L"123456"));
        Load();
        registry.calls.clear();
    }

    static std::wstring Key(const ExpectedPlace& place, const std::wstring& uin) {
        return std::wstring(place.parent) + L"\\" + uin;
    }

    void Erase(const std::wstring& text, std::deque<int> answers = {kAnswerYes}) {
        uinBox.text = text;
        runtime.answers = std::move(answers);
        main.OnEraseClick();
    }

    // The places that still hold the account, by their index in kExpectedPlaces.
    std::vector<std::size_t> PlacesHolding(const std::wstring& uin) const {
        std::vector<std::size_t> holding;
        for (std::size_t i = 0; i < std::size(kExpectedPlaces); ++i) {
            const ExpectedPlace& place = kExpectedPlaces[i];
            if (registry.Exists(place.hive, Key(place, uin), place.view)) holding.push_back(i);
        }
        return holding;
    }

    std::vector<std::wstring> Titles() const {
        std::vector<std::wstring> titles;
        for (const auto& message : runtime.shown) titles.push_back(message.title);
        return titles;
    }

    using Places = std::vector<std::size_t>;
};

TEST_F(EraseTest, YesErasesTheAccountFromEveryPlaceAndNothingElse) {
    Erase(L"123456");

    ASSERT_EQ(runtime.shown.size(), 2u);
    EXPECT_EQ(runtime.shown[0].prompt, L"Are you sure you want to delete this UIN? (123456)");
    EXPECT_EQ(runtime.shown[0].buttons, 20);
    EXPECT_EQ(runtime.shown[0].title, L"Confirmation");
    EXPECT_EQ(runtime.shown[1].prompt, L"Done!");
    EXPECT_EQ(runtime.shown[1].buttons, 64);
    EXPECT_EQ(runtime.shown[1].title, L"Success");

    EXPECT_EQ(PlacesHolding(L"123456"), Places{});
    EXPECT_EQ(PlacesHolding(L"87654321"), (Places{0, 1, 2, 3, 4}));
    EXPECT_TRUE(registry.Exists(kHkeyLocalMachine, Key(kExpectedPlaces[2], L"123456")));
    EXPECT_NE(registry.Export().find(L"Parent=kept"), std::wstring::npos);

    // The box is read once for the prompt and once for the erase. The list is not refreshed
    // and the box keeps the number.
    EXPECT_EQ(uinBox.reads, 2);
    EXPECT_EQ(registry.calls, std::vector<std::string>(5, "DeleteTree"));
    EXPECT_EQ(accountList.items, (std::vector<std::wstring>{L"123456", L"87654321"}));
    EXPECT_EQ(uinBox.text, L"123456");
}

TEST_F(EraseTest, NoChangesNothing) {
    const std::wstring before = registry.Export();
    Erase(L"123456", {kAnswerNo});
    // A box that ended with no button pressed (closed from outside) answers 0: a No too.
    Erase(L"123456", {0});
    EXPECT_EQ(Titles(), (std::vector<std::wstring>{L"Confirmation", L"Confirmation"}));
    EXPECT_TRUE(registry.calls.empty());
    EXPECT_EQ(registry.Export(), before);
}

TEST_F(EraseTest, EmptyTextIsAnInputErrorOnlyAfterYes) {
    Erase(L"", {kAnswerNo});
    EXPECT_EQ(runtime.shown.back().prompt, L"Are you sure you want to delete this UIN? ()");
    EXPECT_EQ(Titles(), std::vector<std::wstring>{L"Confirmation"});

    runtime.shown.clear();
    Erase(L"");
    EXPECT_EQ(Titles(), (std::vector<std::wstring>{L"Confirmation", L"Input Error"}));
    EXPECT_EQ(runtime.shown.back().prompt, L"Fill in the UIN, And then click 'Erase'");
    EXPECT_EQ(runtime.shown.back().buttons, 16);
    EXPECT_TRUE(registry.calls.empty());
}

TEST_F(EraseTest, ABackslashOrANulIsRefusedWithoutTouchingTheRegistry) {
    const std::wstring before = registry.Export();
    const std::wstring unsafe[] = {
        L"\\",                    // the NewOwners key itself
        L"123456\\Deep",          // a key below an account
        L"..\\..",                // no parent traversal either
        std::wstring(L"1\0", 2),  // a NUL would cut the name short
    };
    for (const std::wstring& text : unsafe) {
        runtime.shown.clear();
        Erase(text);
        EXPECT_EQ(Titles(), (std::vector<std::wstring>{L"Confirmation", L"Input Error"}));
        EXPECT_TRUE(registry.calls.empty());
    }
    EXPECT_EQ(registry.Export(), before);
}

// Nothing is converted on the way to the registry, so a look-alike of a digit or of a
// backslash names its own key and no other.
TEST_F(EraseTest, AnyOtherNameIsErasedExactlyAsWritten) {
    const std::wstring names[] = {
        L"\xFF11\xFF12\xFF13\xFF14\xFF15\xFF16", L"12\xFF3C", L"\x8868", L"12??", L"my account",
        std::wstring(kMaxKeyName, L'9')};
    for (const std::wstring& name : names) {
        for (const ExpectedPlace& place : kExpectedPlaces) {
            registry.AddKey(place.hive, Key(place, name), place.view);
        }
        Erase(name);
        EXPECT_EQ(Titles().back(), L"Success");
        EXPECT_EQ(PlacesHolding(name), Places{});
    }
    EXPECT_EQ(PlacesHolding(L"123456"), (Places{0, 1, 2, 3, 4}));
}

TEST_F(EraseTest, AnAccountMissingEverywhereStillReportsDone) {
    Erase(L"999");
    EXPECT_EQ(Titles(), (std::vector<std::wstring>{L"Confirmation", L"Success"}));
}

// A key deleted by someone else while the erase held it (1018) is gone, as wanted.
TEST_F(EraseTest, AFailureInOnePlaceStillTriesTheOthersAndSaysWhere) {
    registry.FailDelete(kHkeyLocalMachine, RegistryView::k32Bit, kErrorAccessDenied);
    registry.FailDelete(kHkeyUsers, RegistryView::kNative, 1018);
    registry.FailDelete(kHkeyCurrentUser, RegistryView::kNative, 1010);
    Erase(L"123456");

    EXPECT_EQ(registry.calls.size(), 5u);
    ASSERT_EQ(Titles(), (std::vector<std::wstring>{L"Confirmation", L"Not erased everywhere"}));
    const std::wstring& warning = runtime.shown.back().prompt;
    EXPECT_EQ(runtime.shown.back().buttons, kExclamationIcon);
    EXPECT_NE(warning.find(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Mirabilis\\ICQ\\NewOwners "
                           L"(access is denied)"),
              std::wstring::npos);
    EXPECT_NE(warning.find(L"HKEY_CURRENT_USER\\Software\\Classes\\VirtualStore\\MACHINE\\"
                           L"SOFTWARE\\Mirabilis\\ICQ\\NewOwners (error 1010)"),
              std::wstring::npos);
    EXPECT_EQ(warning.find(L"HKEY_USERS"), std::wstring::npos);

    // 1018 alone: Done.
    registry.FailDelete(kHkeyLocalMachine, RegistryView::k32Bit, 1018);
    registry.FailDelete(kHkeyCurrentUser, RegistryView::kNative, 1018);
    Erase(L"123456");
    EXPECT_EQ(Titles().back(), L"Success");
}

// Some keys below the account went, the account stays: the warning says it was partly erased.
TEST_F(EraseTest, APartlyErasedPlaceIsSaidSo) {
    registry.AddKey(kHkeyLocalMachine, L"SOFTWARE\\Mirabilis\\ICQ\\NewOwners\\123456\\Locked",
                    RegistryView::k32Bit);
    registry.FailDeleteOf(kHkeyLocalMachine, L"SOFTWARE\\Mirabilis\\ICQ\\NewOwners\\123456\\Locked",
                          kErrorAccessDenied, RegistryView::k32Bit);
    Erase(L"123456");
    EXPECT_NE(
        runtime.shown.back().prompt.find(
            L"HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Mirabilis\\ICQ\\NewOwners (partly erased, "
            L"access is denied)"),
        std::wstring::npos);
    EXPECT_FALSE(registry.Exists(kHkeyLocalMachine,
                                 L"SOFTWARE\\Mirabilis\\ICQ\\NewOwners\\123456\\Deep",
                                 RegistryView::k32Bit));
    EXPECT_EQ(PlacesHolding(L"123456"), Places{2});
}

TEST_F(EraseTest, OnlyDeniedSharedPlacesOfferToFinishAsAdministrator) {
    runtime.canElevate = true;
    registry.FailDelete(kHkeyLocalMachine, RegistryView::k32Bit, kErrorAccessDenied);
    registry.FailDelete(kHkeyUsers, RegistryView::kNative, kErrorAccessDenied);
    Erase(L"123456", {kAnswerYes, kAnswerYes});
    ASSERT_EQ(Titles(), (std::vector<std::wstring>{L"Confirmation", L"Not erased everywhere"}));
    EXPECT_EQ(runtime.shown.back().buttons, kYesNo + kExclamationIcon);
    EXPECT_EQ(runtime.elevatedStarts,
              (std::vector<std::vector<std::wstring>>{{kEraseAsAdministrator, L"123456"}}));

    // No is a plain answer; a declined elevation prompt is one too.
    runtime.elevatedStarts.clear();
    Erase(L"123456", {kAnswerYes, kAnswerNo});
    EXPECT_TRUE(runtime.elevatedStarts.empty());
    runtime.elevatedResult = kErrorCancelled;
    Erase(L"123456", {kAnswerYes, kAnswerYes});
    EXPECT_EQ(runtime.elevatedStarts.size(), 1u);
    EXPECT_EQ(runtime.shown.back().buttons, kYesNo + kExclamationIcon);
    // Any other failure to start is told.
    runtime.elevatedResult = 2;
    Erase(L"123456", {kAnswerYes, kAnswerYes});
    EXPECT_NE(runtime.shown.back().prompt.find(L"could not be started as administrator (error 2)"),
              std::wstring::npos);
}

TEST_F(EraseTest, NoOfferWhereAnAdministratorCannotHelp) {
    runtime.canElevate = true;
    // Only the user's own hive refused, which the elevated instance leaves alone.
    registry.FailDelete(kHkeyCurrentUser, RegistryView::kNative, kErrorAccessDenied);
    Erase(L"123456");
    EXPECT_EQ(runtime.shown.back().buttons, kExclamationIcon);
    // The machine hive refused too, but there is no elevation to ask for: no UAC, or
    // Zelvane already has the rights.
    registry.FailDelete(kHkeyLocalMachine, RegistryView::k32Bit, kErrorAccessDenied);
    runtime.canElevate = false;
    Erase(L"123456");
    EXPECT_EQ(runtime.shown.back().buttons, kExclamationIcon);
    EXPECT_TRUE(runtime.elevatedStarts.empty());
}

// The user's own hive and the machine hive both refused: the offer is for the machine hive
// alone, and the warning says that elevation cannot fix the user's own copy.
TEST_F(EraseTest, TheOfferNamesOnlyThePlacesTheAdministratorErases) {
    runtime.canElevate = true;
    registry.FailDelete(kHkeyCurrentUser, RegistryView::kNative, kErrorAccessDenied);
    registry.FailDelete(kHkeyLocalMachine, RegistryView::k32Bit, kErrorAccessDenied);
    Erase(L"123456", {kAnswerYes, kAnswerNo});
    const std::wstring& prompt = runtime.shown.back().prompt;
    EXPECT_EQ(runtime.shown.back().buttons, kYesNo + kExclamationIcon);
    const auto cannot = prompt.find(L"Running as administrator cannot erase it from your own");
    const auto offer = prompt.find(
        L"Erase it from HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Mirabilis\\ICQ\\NewOwners as "
        L"administrator?");
    ASSERT_NE(cannot, std::wstring::npos) << prompt;
    ASSERT_NE(offer, std::wstring::npos) << prompt;
    EXPECT_NE(prompt.find(L"HKEY_CURRENT_USER\\Software\\Mirabilis\\ICQ\\NewOwners", cannot),
              std::wstring::npos);
    EXPECT_EQ(prompt.find(L"HKEY_CURRENT_USER", offer), std::wstring::npos);
}

TEST_F(EraseTest, AsAdministratorOnlyTheSharedPlacesAreErased) {
    EraseAsAdministrator(L"123456", Messages(runtime, strings), registry);
    EXPECT_EQ(PlacesHolding(L"123456"), (Places{0, 3, 4}));
    EXPECT_EQ(Titles(), std::vector<std::wstring>{L"Success"});

    registry.FailDelete(kHkeyLocalMachine, RegistryView::k32Bit, kErrorAccessDenied);
    runtime.canElevate = true;
    EraseAsAdministrator(L"87654321", Messages(runtime, strings), registry);
    EXPECT_EQ(runtime.shown.back().buttons, kExclamationIcon);
    EXPECT_TRUE(runtime.elevatedStarts.empty());

    // A link in place of the machine's NewOwners is refused, not followed.
    registry.SetValue(kHkeyCurrentUser, L"Software\\Victim\\654321", L"Data", L"kept");
    registry.AddKey(kHkeyUsers, L".DEFAULT\\Software\\Mirabilis\\ICQ\\NewOwners\\654321");
    registry.FailDelete(kHkeyLocalMachine, RegistryView::k32Bit, kErrorSuccess);
    registry.AddLink(kHkeyLocalMachine, L"SOFTWARE\\Mirabilis\\ICQ\\NewOwners", kHkeyCurrentUser,
                     L"Software\\Victim", RegistryView::k32Bit);
    EraseAsAdministrator(L"654321", Messages(runtime, strings), registry);
    EXPECT_NE(runtime.shown.back().prompt.find(
                  L"HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Mirabilis\\ICQ\\NewOwners (a "
                  L"registry link, not followed)"),
              std::wstring::npos);
    EXPECT_TRUE(registry.Exists(kHkeyCurrentUser, L"Software\\Victim\\654321"));
    EXPECT_FALSE(
        registry.Exists(kHkeyUsers, L".DEFAULT\\Software\\Mirabilis\\ICQ\\NewOwners\\654321"));

    registry.calls.clear();
    EraseAsAdministrator(L"123456\\Deep", Messages(runtime, strings), registry);
    EXPECT_EQ(runtime.shown.back().title, L"Input Error");
    EXPECT_TRUE(registry.calls.empty());
}

TEST_F(EraseTest, DoubleClickCopiesTheItemAndAsksFirst) {
    accountList.selected = 1;
    runtime.answers = {kAnswerNo};
    main.OnAccountDoubleClick();
    EXPECT_EQ(uinBox.text, L"87654321");
    EXPECT_EQ(runtime.shown.back().prompt, L"Are you sure you want to delete this UIN? (87654321)");
    EXPECT_TRUE(registry.calls.empty());
}

// The messenger running in the user's session is named before the confirmation: Cancel
// leaves everything, Try Again looks again, Continue leads to the usual confirmation. Its
// processes in other sessions, or none, change nothing.
TEST_F(EraseTest, ARunningMessengerIsNamedBeforeTheConfirmation) {
    processes.running = {{L"explorer.exe", 10, 1}, {L"icq.EXE", 20, 1}, {L"ICQLite.exe", 30, 2}};
    Erase(L"123456", {kAnswerCancel});
    ASSERT_EQ(runtime.shown.size(), 1u);
    EXPECT_EQ(runtime.shown[0].title, L"Messenger running");
    EXPECT_EQ(runtime.shown[0].buttons, kCancelTryContinue + kExclamationIcon);
    EXPECT_NE(runtime.shown[0].prompt.find(L"icq.EXE (process 20)"), std::wstring::npos);
    EXPECT_EQ(runtime.shown[0].prompt.find(L"ICQLite"), std::wstring::npos);
    EXPECT_EQ(PlacesHolding(L"123456").size(), std::size(kExpectedPlaces));

    // Ended while the box was up: Try Again finds nothing and goes on to the confirmation.
    runtime.shown.clear();
    runtime.whileShown = [this] { processes.running.resize(1); };
    Erase(L"123456", {kAnswerTryAgain, kAnswerYes, kAnswerOk});
    EXPECT_EQ(Titles(),
              (std::vector<std::wstring>{L"Messenger running", L"Confirmation", L"Success"}));
    EXPECT_TRUE(PlacesHolding(L"123456").empty());

    processes.running.push_back({L"ICQ.exe", 21, 1});
    runtime.shown.clear();
    Erase(L"87654321", {kAnswerContinue, kAnswerYes, kAnswerOk});
    EXPECT_EQ(Titles()[1], L"Confirmation");
    EXPECT_TRUE(PlacesHolding(L"87654321").empty());

    processes.running = {{L"ICQ.exe", 22, 2}};
    runtime.shown.clear();
    Erase(L"87654321", {kAnswerNo});
    EXPECT_EQ(Titles(), std::vector<std::wstring>{L"Confirmation"});
}

// The backup's read and the erase that compares each key with it, on the account's own place,
// with the registry changed by a test at a chosen moment.
class BackedUpEraseTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const wchar_t* key : {L"", L"\\A", L"\\A\\A1", L"\\A\\A2", L"\\B"}) {
            registry.SetValue(place.hive, Key(key), L"v", key, place.view);
        }
        registry.AddLink(place.hive, Key(L"\\Link"), kHkeyLocalMachine, L"SOFTWARE\\Victim");
        registry.SetValue(kHkeyLocalMachine, L"SOFTWARE\\Victim", L"kept", L"yes");
    }
    std::wstring Key(const std::wstring& below) const { return place.parent + L"\\123456" + below; }
    AccountSubtree Read(KeyAccess access = KeyAccess::kRead) {
        return ReadAccountSubtree(registry, place, L"123456", LinkRule::kFollowNone, access);
    }
    PlaceOutcome Erase(const AccountSubtree& read) {
        return EraseAsBackedUp(registry, place, L"123456", LinkRule::kFollowNone, read);
    }

    Faults faults;
    MemoryRegistry registry{faults};
    const AccountPlace place = CurrentUserPlaces().front();
};

// Only the account's own key missing is "not there"; a key below it that goes or comes while
// it is read is a change, also where the erase's rights alone are asked for.
TEST_F(BackedUpEraseTest, AKeyThatGoesOrComesWhileTheAccountIsReadIsAChange) {
    EXPECT_TRUE(IsNotThere(
        ReadAccountSubtree(registry, place, L"654321", LinkRule::kFollowNone, KeyAccess::kRead)
            .result));
    for (const KeyAccess access : {KeyAccess::kRead, KeyAccess::kErase}) {
        registry.BeforeCall("OpenSubkey", 2, [&] {
            registry.DeleteTree(place.hive, Key(L"\\A"), L"A2", place.view, LinkRule::kFollowNone);
        });
        EXPECT_EQ(Read(access).result, kErrorChangedWhileRead);
        registry.BeforeCall("EnumValue", 3,
                            [&] { registry.SetValue(place.hive, Key(L"\\A\\A2"), L"v", L"x"); });
        EXPECT_EQ(Read(access).result, kErrorChangedWhileRead);
        EXPECT_EQ(registry.OpenKeys(), 0u);
    }
    const AccountSubtree read = Read();
    EXPECT_EQ(read.result, kErrorSuccess);
    const SubtreeLink link{L"123456\\Link", L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Victim"};
    EXPECT_EQ(read.links, std::vector<SubtreeLink>{link});
    EXPECT_EQ(read.keyCount, 6);
    EXPECT_EQ(read.valueCount, 5);
}

// A value written after the erase has begun keeps its key and every key above it; the rest
// goes, each key exactly as the backup read it, the link as the link.
TEST_F(BackedUpEraseTest, AKeyChangedDuringTheEraseStaysWithItsAncestors) {
    const AccountSubtree read = Read();
    registry.BeforeCall("DeleteKey", 1,
                        [&] { registry.SetValue(place.hive, Key(L"\\A\\A2"), L"Late", L"1"); });
    const PlaceOutcome outcome = Erase(read);
    EXPECT_EQ(outcome.result, kErrorChangedSinceBackup);
    EXPECT_TRUE(outcome.partly);
    for (const wchar_t* key : {L"", L"\\A", L"\\A\\A2"})
        EXPECT_TRUE(registry.Exists(place.hive, Key(key))) << key;
    for (const wchar_t* key : {L"\\A\\A1", L"\\B", L"\\Link"})
        EXPECT_FALSE(registry.Exists(place.hive, Key(key))) << key;
    EXPECT_TRUE(registry.Exists(kHkeyLocalMachine, L"SOFTWARE\\Victim"));
    EXPECT_EQ(registry.OpenKeys(), 0u);

    // A key that gained a subkey stays too; unchanged, the whole account goes.
    SetUp();
    registry.BeforeCall("DeleteKey", 1, [&] { registry.AddKey(place.hive, Key(L"\\B\\New")); });
    EXPECT_EQ(Erase(Read()).result, kErrorChangedSinceBackup);
    EXPECT_TRUE(registry.Exists(place.hive, Key(L"\\B\\New")));
    registry.DeleteTree(place.hive, Key(L"\\B"), L"New", place.view, LinkRule::kFollowNone);
    const PlaceOutcome whole = Erase(Read());
    EXPECT_EQ(whole.result, kErrorSuccess);
    EXPECT_FALSE(registry.Exists(place.hive, Key(L"")));

    // Not there when read: there now is a change, still not there is not there.
    EXPECT_EQ(Erase(Read()).result, kErrorFileNotFound);
    const AccountSubtree none = Read();
    registry.AddKey(place.hive, Key(L""));
    EXPECT_EQ(Erase(none).result, kErrorChangedSinceBackup);
    EXPECT_TRUE(registry.Exists(place.hive, Key(L"")));
}

}  // namespace
}  // namespace zelvane
