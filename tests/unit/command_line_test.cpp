#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "account_backup/account_backup.h"
#include "account_backup/reg_file.h"
#include "account_erase/account_erase.h"
#include "account_restore/backup_file.h"
#include "allocation_faults.h"
#include "command_line/command_line.h"
#include "hive_loading/profile_path.h"
#include "platform/decimal.h"
#include "platform/memory/memory_command_host.h"
#include "platform/memory/memory_processes.h"
#include "platform/memory/memory_users.h"
#include "platform/output_escape.h"

namespace zelvane {
namespace {

using Args = std::vector<std::wstring>;

TEST(CommandArgumentsTest, ReadsEverySwitchInAnyCaseWithSlashOrDash) {
    const CommandArguments erase = ParseArguments({L"-ERASE", L"123456", L"/AllUsers", L"-qUiEt"});
    EXPECT_EQ(erase.error, L"");
    EXPECT_EQ(erase.action, CommandAction::kErase);
    EXPECT_EQ(erase.uin, L"123456");
    EXPECT_TRUE(erase.allUsers);
    EXPECT_TRUE(erase.quiet);

    const CommandArguments list = ParseArguments({L"/List"});
    EXPECT_EQ(list.action, CommandAction::kList);
    EXPECT_FALSE(list.allUsers || list.quiet);
    EXPECT_EQ(ParseArguments({L"-?"}).action, CommandAction::kHelp);
    EXPECT_EQ(ParseArguments({}).action, CommandAction::kWindow);
    EXPECT_EQ(ParseArguments({}).error, L"");
}

TEST(CommandArgumentsTest, RefusesWhatNamesNoSingleAccountOrNoCommand) {
    for (const Args& args :
         {Args{L"/erase"}, Args{L"/erase", L"/quiet"}, Args{L"/erase", L""},
          Args{L"/erase", L"123\\456"}, Args{L"/erase", L"..\\NewOwners"}, Args{L"/delete", L"1"},
          Args{L"/list", L"/erase", L"1"}, Args{L"/allusers"}, Args{L"/list", L"extra"},
          Args{L"/erase", L"1", L"2"}, Args{L"/"}}) {
        EXPECT_NE(ParseArguments(args).error, L"") << args.size() << L" " << args.back();
    }
    // The longest name a key can have, and one more.
    EXPECT_EQ(ParseArguments({L"/erase", std::wstring(255, L'7')}).error, L"");
    EXPECT_NE(ParseArguments({L"/erase", std::wstring(256, L'7')}).error, L"");
    // A service must never wait behind a box, also when its command was mistyped.
    EXPECT_TRUE(ParseArguments({L"/erase", L"1\\2", L"/QUIET"}).quiet);
    EXPECT_TRUE(ParseArguments({L"/quiet", L"/bogus"}).quiet);
}

class CommandLineTest : public ::testing::Test {
  protected:
    int Run(const Args& args) {
        return RunCommandLine(ParseArguments(args), registry, hives, processes, host);
    }

    // The account in every place of the current user, with its subtree.
    void SeedCurrentUser(const std::wstring& uin) {
        for (const AccountPlace& place : CurrentUserPlaces()) {
            registry.SetValue(place.hive, place.parent + L"\\" + uin + L"\\Sub", L"v", L"x",
                              place.view);
        }
    }

    bool AnyLeft(const std::vector<AccountPlace>& places, const std::wstring& uin) const {
        for (const AccountPlace& place : places) {
            if (registry.Exists(place.hive, place.parent + L"\\" + uin, place.view)) return true;
        }
        return false;
    }

    // How many lines of text start with start.
    static std::size_t Lines(const std::wstring& text, const std::wstring& start) {
        const std::wstring lines = L"\n" + text;
        std::size_t count = 0;
        for (std::size_t at = lines.find(L"\n" + start); at != std::wstring::npos;
             at = lines.find(L"\n" + start, at + 1)) {
            ++count;
        }
        return count;
    }

    Faults faults;
    MemoryRegistry registry{faults};
    MemoryUsers hives{registry};
    MemoryCommandHost host;
    MemoryProcesses processes;
};

TEST_F(CommandLineTest, EraseReportsEachPlaceAndExitsByWhatIsLeft) {
    SeedCurrentUser(L"123456");
    SeedCurrentUser(L"777");
    EXPECT_EQ(Run({L"/erase", L"123456"}), kExitDone);
    EXPECT_FALSE(AnyLeft(CurrentUserPlaces(), L"123456"));
    EXPECT_EQ(Lines(host.out, L"erased    "), 5u);
    EXPECT_NE(
        host.out.find(
            L"erased    "
            L"HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Mirabilis\\ICQ\\NewOwners\\123456\n"),
        std::wstring::npos);
    EXPECT_NE(host.out.find(L"123456: erased; nothing of it is left.\n"), std::wstring::npos);

    host.out.clear();
    EXPECT_EQ(Run({L"/erase", L"123456"}), kExitDone);
    EXPECT_EQ(Lines(host.out, L"not there "), 5u);
    EXPECT_NE(host.out.find(L"not found; nothing to erase"), std::wstring::npos);

    // Denied in the machine hive: run as administrator, unless the process already is.
    registry.FailDelete(kHkeyLocalMachine, RegistryView::k32Bit, kErrorAccessDenied);
    host.elevated = false;
    host.out.clear();
    EXPECT_EQ(Run({L"/erase", L"777"}), kExitNotElevated);
    EXPECT_EQ(
        Lines(
            host.out,
            L"failed    HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Mirabilis\\ICQ\\NewOwners\\777: "
            L"error 5"),
        1u);
    EXPECT_NE(host.out.find(L"run Zelvane as administrator"), std::wstring::npos);
    host.elevated = true;
    EXPECT_EQ(Run({L"/erase", L"777"}), kExitFailed);
    // Any other failure is one that rights do not mend.
    host.elevated = false;
    registry.FailDelete(kHkeyUsers, RegistryView::kNative, 1018 + 1);
    EXPECT_EQ(Run({L"/erase", L"777"}), kExitFailed);
}

TEST_F(CommandLineTest, UsageErrorsTouchNothingAndNeverBoxWhenQuiet) {
    SeedCurrentUser(L"123456");
    const std::wstring before = registry.Export();
    EXPECT_EQ(Run({L"/erase", L"123456\\Sub"}), kExitUsage);
    EXPECT_EQ(Run({L"/erase", L"123456", L"/force"}), kExitUsage);
    EXPECT_EQ(registry.Export(), before);
    EXPECT_EQ(registry.calls, std::vector<std::string>{});
    EXPECT_EQ(host.out, L"");
    EXPECT_NE(host.err.find(L"unknown switch /force"), std::wstring::npos);

    // Nowhere to write: one box, as the window would show, but never with /quiet.
    host.hasOutput = false;
    EXPECT_EQ(Run({L"/erase", L"", L"/quiet"}), kExitUsage);
    EXPECT_EQ(Run({L"/erase", L"123456", L"/quiet"}), kExitDone);
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_EQ(Run({L"/erase", L"123456"}), kExitDone);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_NE(host.boxes[0].find(L"not found; nothing to erase"), std::wstring::npos);
}

TEST_F(CommandLineTest, ListNamesEachAccountOnceWithItsOwner) {
    hives.names[hives.currentUser] = L"PC\\alice";
    SeedCurrentUser(L"123456");
    registry.AddKey(kHkeyLocalMachine, L"SOFTWARE\\Mirabilis\\ICQ\\NewOwners\\777",
                    RegistryView::k32Bit);
    EXPECT_EQ(Run({L"/list"}), kExitDone);
    EXPECT_EQ(host.out,
              L"123456\tS-1-5-21-7-7-7-1000 PC\\alice\n"
              L"123456\tthe default profile\n"
              L"123456\tthe machine\n"
              L"777\tthe machine\n");
}

std::wstring FileText(const std::string& bytes) {
    std::wstring text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        text += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                     static_cast<unsigned char>(bytes[i + 1]) << 8);
    }
    return text;
}

TEST_F(CommandLineTest, WhatIfChangesNothingAndCountsWhatTheEraseWouldTake) {
    SeedCurrentUser(L"123456");
    registry.SetValue(kHkeyCurrentUser, L"Software\\Mirabilis\\ICQ\\NewOwners\\123456", L"", L"d");
    const std::wstring before = registry.Export();
    host.hasOutput = false;
    EXPECT_EQ(Run({L"/erase", L"123456", L"/whatif", L"/quiet"}), kExitDone);
    EXPECT_TRUE(host.boxes.empty());
    host.hasOutput = true;
    EXPECT_EQ(Run({L"/erase", L"123456", L"/WhatIf"}), kExitDone);
    EXPECT_EQ(registry.Export(), before);
    EXPECT_EQ(
        Lines(host.out,
              L"would erase HKEY_CURRENT_USER\\Software\\Mirabilis\\ICQ\\NewOwners\\123456 (2 "
              L"keys, 2 values)\n"),
        1u);
    EXPECT_EQ(Lines(host.out, L"would erase "), 5u);
    EXPECT_NE(host.out.find(L"123456: would be erased from 5 places. Nothing was changed"),
              std::wstring::npos);
    // With /backup too, the file is checked for but not written.
    EXPECT_EQ(Run({L"/erase", L"123456", L"/whatif", L"/backup", L"C:\\w.reg"}), kExitDone);
    EXPECT_TRUE(host.files.empty());
    EXPECT_EQ(registry.Export(), before);

    // A place the erase could not walk is one /whatif could not examine.
    registry.FailReadOf(kHkeyUsers, L".DEFAULT\\Software\\Mirabilis\\ICQ\\NewOwners\\123456\\Sub",
                        kErrorAccessDenied);
    host.out.clear();
    EXPECT_EQ(Run({L"/erase", L"123456", L"/whatif"}), kExitFailed);
    EXPECT_EQ(Lines(host.out, L"failed    HKEY_USERS\\.DEFAULT\\"), 1u);
    EXPECT_NE(host.out.find(L"1 place could not be examined. Nothing was changed"),
              std::wstring::npos);
    EXPECT_EQ(registry.Export(), before);
    EXPECT_EQ(ParseArguments({L"/list", L"/whatif"}).error,
              L"/whatif goes with /erase and /restore only");
    EXPECT_NE(ParseArguments({L"/erase", L"1", L"/backup"}).error, L"");
}

TEST_F(CommandLineTest, BackupHoldsEveryPlaceBeforeTheEraseAndNamesWhatItCannotHold) {
    SeedCurrentUser(L"123456");
    const std::wstring account = L"Software\\Mirabilis\\ICQ\\NewOwners\\123456";
    registry.SetValue(kHkeyCurrentUser, account, {L"Bin", kRegBinary, {1, 2}});
    registry.AddLink(kHkeyCurrentUser, account + L"\\Link", kHkeyLocalMachine, L"SOFTWARE\\Victim");
    registry.SetValue(kHkeyLocalMachine, L"SOFTWARE\\Victim", L"kept", L"yes");
    EXPECT_EQ(Run({L"/erase", L"123456", L"/backup", L"C:\\b.reg"}), kExitDone);
    EXPECT_FALSE(AnyLeft(CurrentUserPlaces(), L"123456"));
    EXPECT_TRUE(registry.Exists(kHkeyLocalMachine, L"SOFTWARE\\Victim"));
    const std::wstring text = FileText(host.files.at(L"C:\\b.reg"));
    EXPECT_EQ(text.find(L"\xFEFFWindows Registry Editor Version 5.00\r\n"), 0u);
    EXPECT_NE(text.find(L"\r\n[HKEY_CURRENT_USER\\" + account +
                        L"]\r\n\"Bin\"=hex:01,02\r\n\r\n[HKEY_CURRENT_USER\\" + account +
                        L"\\Sub]\r\n\"v\"=\"x\"\r\n"),
              std::wstring::npos);
    EXPECT_NE(
        text.find(
            L"[HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Mirabilis\\ICQ\\NewOwners\\123456\\Sub]"),
        std::wstring::npos);
    // A link holds nothing of its own: named with its target, and erased as the link.
    EXPECT_NE(text.find(L"; a registry link, erased as the link: HKEY_CURRENT_USER\\" + account +
                        L"\\Link -> HKEY_LOCAL_MACHINE\\SOFTWARE\\Victim\r\n"),
              std::wstring::npos);
    EXPECT_EQ(text.find(L"kept"), std::wstring::npos);
    EXPECT_EQ(Lines(host.out, L"backed up C:\\b.reg (10 keys, 6 values)\n"), 1u);
    EXPECT_EQ(Lines(host.out, L"erased    "), 5u);

    // An existing file is never replaced, and then nothing is touched.
    SeedCurrentUser(L"123456");
    const std::wstring before = registry.Export();
    registry.calls.clear();
    EXPECT_EQ(Run({L"/erase", L"123456", L"/backup", L"C:\\b.reg", L"/allusers"}), kExitUsage);
    EXPECT_EQ(registry.calls, std::vector<std::string>{});
    EXPECT_TRUE(hives.calls.empty());

    // Nothing is erased without the whole backup: a file that cannot be written, or a place
    // that cannot be read.
    host.writeFailure = 112;
    host.out.clear();
    EXPECT_EQ(Run({L"/erase", L"123456", L"/backup", L"D:\\full.reg"}), kExitFailed);
    EXPECT_NE(
        host.out.find(L"failed    D:\\full.reg: the backup could not be written: error 112\n"),
        std::wstring::npos);
    host.writeFailure = 0;
    registry.FailReadOf(kHkeyLocalMachine, L"SOFTWARE\\Mirabilis\\ICQ\\NewOwners\\123456\\Sub",
                        kErrorAccessDenied, RegistryView::k32Bit);
    EXPECT_EQ(Run({L"/erase", L"123456", L"/backup", L"D:\\part.reg"}), kExitFailed);
    EXPECT_EQ(host.files.count(L"D:\\part.reg"), 0u);
    EXPECT_NE(host.out.find(L"nothing was erased: the backup could not read 1 place."),
              std::wstring::npos);
    EXPECT_EQ(registry.Export(), before);
}

// The file is the restore point of everything erased: what it cannot hold, or what was not
// there when it was read, stays where it is, and the run says so in its exit code.
TEST_F(CommandLineTest, BackupNeverErasesWhatItsFileDoesNotHold) {
    SeedCurrentUser(L"123456");
    const std::wstring own = L"Software\\Mirabilis\\ICQ\\NewOwners\\123456";
    registry.AddKey(kHkeyCurrentUser, own + std::wstring(L"\\N\0ul", 5));
    // Written as the backup's file appears: a value in the machine hive's copy, and the
    // account in a place where it was not.
    const AccountPlace machine = SharedPlaces().back();
    const AccountPlace store = CurrentUserPlaces().back();
    registry.DeleteTree(store.hive, store.parent, L"123456", store.view, LinkRule::kFollowNone);
    host.onWrite = [&] {
        registry.SetValue(machine.hive, machine.parent + L"\\123456", L"late", L"1", machine.view);
        registry.AddKey(store.hive, store.parent + L"\\123456", store.view);
    };
    EXPECT_EQ(Run({L"/erase", L"123456", L"/backup", L"C:\\b.reg"}), kExitFailed);
    EXPECT_TRUE(registry.Exists(kHkeyCurrentUser, own + L"\\Sub"));
    EXPECT_TRUE(registry.Exists(machine.hive, machine.parent + L"\\123456", machine.view));
    EXPECT_TRUE(registry.Exists(store.hive, store.parent + L"\\123456", store.view));
    EXPECT_EQ(Lines(host.out, L"erased    "), 2u);
    EXPECT_EQ(Lines(host.out, L"not backed up HKEY_CURRENT_USER\\" + own + L"\\N\\x00ul: a name "),
              1u);
    EXPECT_EQ(Lines(host.out, L"failed    HKEY_CURRENT_USER\\" + own +
                                  L": not erased, since the backup does not hold it\n"),
              1u);
    // The machine's account key gained a value: the keys below it, as the file holds them,
    // went; it stays.
    EXPECT_EQ(Lines(host.out,
                    L"failed    HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Mirabilis\\"
                    L"ICQ\\NewOwners\\123456 (partly erased): changed since the backup read it"),
              1u);
    EXPECT_EQ(Lines(host.out, L"failed    HKEY_CURRENT_USER\\Software\\Classes\\VirtualStore\\"),
              1u);
    EXPECT_NE(host.out.find(L"not erased everywhere: 3 places failed."), std::wstring::npos);
    const std::wstring text = FileText(host.files.at(L"C:\\b.reg"));
    EXPECT_EQ(text.find(L"late"), std::wstring::npos);
    EXPECT_EQ(text.find(L"[HKEY_CURRENT_USER\\" + own), std::wstring::npos);

    // /whatif with /backup tells the same outcome for the place the file cannot hold.
    host.onWrite = nullptr;
    host.out.clear();
    EXPECT_EQ(Run({L"/erase", L"123456", L"/backup", L"C:\\w.reg", L"/whatif"}), kExitFailed);
    EXPECT_EQ(Lines(host.out, L"failed    HKEY_CURRENT_USER\\" + own + L": not erased"), 1u);
}

// The backup's own form alone, every value type as it wrote it, and nothing else.
TEST(BackupFileTest, ReadsBackWhatTheBackupWroteAndRefusesAnyOtherForm) {
    AccountSubtree read;
    read.keys = {
        {L"123",
         {{L"S", kRegSz, {0x78, 0, 0, 0}}, {L"", kRegBinary, std::vector<std::uint8_t>(40)}}},
        {L"123\\Sub",
         {{L"Q", kRegQword, {1, 2, 3, 4, 5, 6, 7, 8}}, {L"D", kRegDword, {1, 0, 0, 0}}}},
        {L"123\\Sub\\Deep", {{L"E", kRegExpandSz, {0x25, 0}}, {L"L", 0x100000, {}}}},
        {L"123\\Next", {}}};
    AccountBackup backup(L"123", L"S-1-5-21-1");
    backup.Add(
        L"HKEY_USERS\\S-9_Classes\\VirtualStore\\MACHINE\\SOFTWARE\\Mirabilis\\ICQ\\NewOwners",
        read);
    BackupContents contents;
    ASSERT_EQ(ReadBackupFile(backup.Bytes(), contents), L"");
    EXPECT_EQ(contents.uin + L" " + contents.currentUser, L"123 S-1-5-21-1");
    ASSERT_EQ(contents.places.size(), 1u);
    EXPECT_EQ(contents.places[0].keys, read.keys);
    Faults faults;
    MemoryRegistry registry{faults};
    std::wstring user;
    EXPECT_TRUE(PlaceUser(contents.places[0].name, contents, registry, user));
    EXPECT_EQ(user, L"S-9");

    const std::wstring text = FileText(backup.Bytes());
    for (const auto& [from, to] : std::initializer_list<std::pair<std::wstring, std::wstring>>{
             {L"NewOwners\\123\\Sub]", L"NewOwners\\Sub]"},
             {L"NewOwners\\123\\Sub]", L"NewOwners\\124\\Sub]"},
             {L"\\123\\Sub]", L"\\123\\Sub\\\\X]"},
             {L"\\123\\Sub]", L"\\123\\Su\\b]"},
             {L"\\123\\Next]", L"\\123\\SUB]"},
             {L"\"S\"=\"x\"", L"\"S\"=hex(1):78,00,00,00"},
             {L"\"S\"=\"x\"", L"\"S\"=dword:1"},
             {L"\"S\"=\"x\"", L"\"S\"=\"x\"\r\n\"s\"=\"y\""},
             {L"\"D\"=dword:00000001", L"\"D\"=dword:0000000A"},
             {L"account 123", L"account 1234"},
             {L"hive of S-1-5-21-1.", L"hive of S-1-5-21-1"},
             {L"Version 5.00\r\n", L"Version 5.00\n"}}) {
        std::wstring altered = text;
        altered.replace(altered.find(from), from.size(), to);
        EXPECT_NE(ReadBackupFile(FileBytes(altered), contents), L"") << to;
    }
    EXPECT_NE(ReadBackupFile(backup.Bytes() + "x", contents), L"");

    // Names given again are looked for once the whole file is read, yet a file is still
    // refused for its first line that is refused, whatever the reason.
    const std::wstring unheld = L": a name the registry does not hold, or one given twice";
    const std::wstring outside = L": a key outside the account, or before the key above it";
    for (const auto& [from, to, at, why] : std::initializer_list<std::array<std::wstring, 4>>{
             {L"\\123\\Sub\\Deep]", L"\\123\\SUB]", L"\\SUB]", unheld},
             {L"\"D\"=dword", L"\"q\"=dword", L"\\123\\Sub]", unheld},
             {L"NewOwners\\123\\Sub]", L"NewOwners\\124\\Sub]", L"\\124\\Sub]", outside}}) {
        std::wstring altered = text;
        altered.replace(altered.find(from), from.size(), to);
        altered.replace(altered.find(L"\\123\\Next]"), 10, L"\\124\\Next]");  // refused last
        const std::size_t line =
            1 + std::count(altered.begin(), altered.begin() + altered.find(at), L'\n');
        EXPECT_EQ(ReadBackupFile(FileBytes(altered), contents), L"line " + Decimal(line) + why)
            << to;
    }
}

// What HKEY_CURRENT_USER held goes back to the hive of the user the file names, whoever runs
// the restore: a user not logged on has the hive loaded from the profile, and unloaded again.
// A file that names a place where no account is kept touches nothing.
TEST_F(CommandLineTest, RestoreGoesToTheHivesOfTheUserTheFileNamesAndNowhereElse) {
    const std::wstring alice = hives.currentUser;
    SeedCurrentUser(L"123456");
    EXPECT_EQ(Run({L"/erase", L"123456", L"/backup", L"C:\\b.reg"}), kExitDone);
    hives.currentUser = L"S-1-5-18";
    hives.profiles = {{alice, L"C:\\Users\\alice"}};
    const std::wstring store = L"VirtualStore\\MACHINE\\SOFTWARE\\";
    hives.files[L"C:\\Users\\alice\\NTUSER.DAT"] = {L"Software"};
    hives.files[L"C:\\Users\\alice\\AppData\\Local\\Microsoft\\Windows\\UsrClass.dat"] = {
        store + L"Wow6432Node"};
    const std::wstring erased = registry.Export();
    EXPECT_EQ(Run({L"/restore", L"C:\\b.reg", L"/whatif"}), kExitDone);
    EXPECT_EQ(Lines(host.out, L"would restore HKEY_USERS\\Zelvane-" + alice), 3u);
    EXPECT_EQ(registry.Export(), erased);
    std::wstring atUnload;  // the registry as the first hive is unloaded
    registry.BeforeCall("DeleteTree", 1, [&] { atUnload = registry.Export(); });
    EXPECT_EQ(Run({L"/restore", L"C:\\b.reg"}), kExitDone);
    const std::wstring sub = L"Mirabilis\\ICQ\\NewOwners\\123456\\Sub]\nv=x\n";
    for (const std::wstring& key : {L"\\Software\\" + sub, L"_Classes\\" + store + sub,
                                    L"_Classes\\" + store + L"Wow6432Node\\" + sub}) {
        EXPECT_NE(atUnload.find(L"\\Zelvane-" + alice + key), std::wstring::npos) << key;
    }
    EXPECT_TRUE(hives.loaded.empty());

    // A user the PC has no profile of: named, and nothing is written for them.
    hives.profiles.clear();
    EXPECT_EQ(Run({L"/restore", L"C:\\b.reg"}), kExitFailed);
    EXPECT_EQ(Lines(host.out,
                    L"failed    HKEY_CURRENT_USER\\Software\\Mirabilis\\ICQ\\NewOwners\\"
                    L"123456: not restored, since no hive of its user was reached\n"),
              1u);
    std::wstring text = FileText(host.files.at(L"C:\\b.reg"));
    for (std::size_t at = 0; (at = text.find(L"\\SOFTWARE\\WOW", at)) != text.npos; at += 15) {
        text.replace(at, 10, L"\\SOFTWARE\\Evil\\");
    }
    host.files[L"C:\\evil.reg"] = FileBytes(text);
    registry.calls.clear();
    EXPECT_EQ(Run({L"/restore", L"C:\\evil.reg"}), kExitUsage);
    EXPECT_EQ(registry.calls, std::vector<std::string>{});
    EXPECT_NE(host.err.find(L"zelvane: C:\\evil.reg: not restored: HKEY_LOCAL_MACHINE\\SOFTWARE\\"
                            L"Evil\\WOW6432Node\\Mirabilis\\ICQ\\NewOwners is not a place"),
              std::wstring::npos);
}

// /whatif walks with the erase's rights: a key that grants the erase what it needs and no
// more is one the erase takes, and /whatif says so, only without its values' count.
TEST_F(CommandLineTest, WhatIfAndTheEraseAgreeOnAKeyThatGrantsOnlyWhatTheEraseNeeds) {
    SeedCurrentUser(L"123456");
    const AccountPlace user = CurrentUserPlaces().front();
    registry.GrantOnly(user.hive, user.parent + L"\\123456\\Sub",
                       static_cast<std::uint32_t>(KeyAccess::kErase));
    EXPECT_EQ(Run({L"/erase", L"123456", L"/whatif"}), kExitDone);
    EXPECT_EQ(Lines(host.out,
                    L"would erase HKEY_CURRENT_USER\\Software\\Mirabilis\\ICQ\\NewOwners\\"
                    L"123456 (2 keys, 0 values; 1 key whose values could not be "
                    L"counted)\n"),
              1u);
    EXPECT_EQ(Run({L"/erase", L"123456"}), kExitDone);
    EXPECT_FALSE(AnyLeft(CurrentUserPlaces(), L"123456"));

    // Without the right to delete it, both fail alike.
    SeedCurrentUser(L"123456");
    registry.GrantOnly(user.hive, user.parent + L"\\123456\\Sub",
                       static_cast<std::uint32_t>(KeyAccess::kRead));
    host.out.clear();
    EXPECT_EQ(Run({L"/erase", L"123456", L"/whatif"}), kExitFailed);
    EXPECT_EQ(Run({L"/erase", L"123456"}), kExitFailed);
    EXPECT_EQ(Lines(host.out,
                    L"failed    HKEY_CURRENT_USER\\Software\\Mirabilis\\ICQ\\NewOwners\\"
                    L"123456"),
              2u);
}

// A messenger that runs may write the account back: named, and exit 4 where nothing failed;
// the caller's session only, but every session for all users. /list keeps its own codes.
TEST_F(CommandLineTest, ARunningMessengerIsNamedAndGivesExitFour) {
    processes.running = {{L"ICQ.exe", 20, 1}, {L"icqlite.exe", 30, 2}};
    processes.users[20] = L"PC\\alice";
    SeedCurrentUser(L"123456");
    EXPECT_EQ(Run({L"/erase", L"123456", L"/whatif"}), kExitMessengerRunning);
    EXPECT_EQ(Run({L"/erase", L"123456"}), kExitMessengerRunning);
    EXPECT_FALSE(AnyLeft(CurrentUserPlaces(), L"123456"));
    EXPECT_EQ(Lines(host.out, L"running   ICQ.exe (process 20, PC\\alice)\n"), 2u);
    EXPECT_EQ(Lines(host.out, L"running   icqlite"), 0u);
    EXPECT_NE(host.out.find(L"123456: erased, but the messenger was running and may save the "
                            L"account again; run again once it has ended.\n"),
              std::wstring::npos);
    EXPECT_EQ(Run({L"/list"}), kExitDone);
    EXPECT_NE(host.err.find(L"running   ICQ.exe"), std::wstring::npos);

    host.out.clear();
    hives.profiles = {{L"S-1-5-21-1-1-1-1001", L"C:\\Users\\on"}};
    registry.AddKey(kHkeyUsers, L"S-1-5-21-1-1-1-1001");
    EXPECT_EQ(Run({L"/erase", L"123456", L"/allusers"}), kExitMessengerRunning);
    EXPECT_EQ(Lines(host.out, L"running   icqlite.exe (process 30)\n"), 1u);
    // A failure outweighs it.
    registry.FailDelete(kHkeyUsers, RegistryView::kNative, kErrorAccessDenied);
    SeedCurrentUser(L"123456");
    EXPECT_EQ(Run({L"/erase", L"123456"}), kExitFailed);
}

// /find answers one question for a tool: 0 only when no copy is anywhere and every place was
// read; 1 when a copy is found or a place could not be read. Its summary is its last line,
// and it writes nothing to the error stream and shows no box.
TEST_F(CommandLineTest, FindExitsZeroOnlyWhenEveryPlaceWasReadAndHoldsNoCopy) {
    host.hasOutput = false;
    EXPECT_EQ(Run({L"/find", L"123456"}), kExitDone);
    EXPECT_TRUE(host.boxes.empty());
    host.hasOutput = true;
    EXPECT_EQ(host.out, L"");
    EXPECT_EQ(Run({L"/find", L"123456"}), kExitDone);
    EXPECT_EQ(host.out, L"123456: not found\n");

    hives.names[hives.currentUser] = L"PC\\alice";
    SeedCurrentUser(L"123456");
    SeedCurrentUser(L"777");
    host.out.clear();
    EXPECT_EQ(Run({L"/find", L"123456"}), kExitFailed);
    EXPECT_EQ(host.out,
              L"123456\tS-1-5-21-7-7-7-1000 PC\\alice\n"
              L"123456\tthe default profile\n"
              L"123456\tthe machine\n"
              L"123456: found in 5 places (1 user)\n");

    // A place that cannot be read leaves the PC not known to be clean.
    registry.FailOpenOf(kHkeyLocalMachine, L"SOFTWARE\\Mirabilis\\ICQ\\NewOwners",
                        kErrorAccessDenied, RegistryView::k32Bit);
    host.out.clear();
    host.elevated = false;
    EXPECT_EQ(Run({L"/find", L"999"}), kExitFailed);
    EXPECT_EQ(host.err, L"");
    EXPECT_NE(host.out.find(L"999: not known to be clean; 1 place could not be read or reached\n"),
              std::wstring::npos);
    EXPECT_EQ(ParseArguments({L"/find"}).error, L"/erase and /find need the account number");
    // Refused for all users, it is not known to be clean either: 1, never 3.
    hives.privilegeResult = kErrorAccessDenied;
    EXPECT_EQ(Run({L"/find", L"999", L"/allusers"}), kExitFailed);
    EXPECT_EQ(host.err, L"");
}

// /log FILE: opened before anything is done, one record a run (who, where, what, every line,
// the exit code); a log that cannot be opened touches nothing.
TEST_F(CommandLineTest, TheLogHoldsTheWholeRunOrNothingIsTouched) {
    SeedCurrentUser(L"123456");
    hives.names[hives.currentUser] = L"PC\\alice";
    EXPECT_EQ(Run({L"/erase", L"123456", L"/log", L"C:\\z.log"}), kExitDone);
    EXPECT_EQ(host.logPath, L"C:\\z.log");
    EXPECT_EQ(host.log.find(L"start     PC01 PC\\alice: zelvane /erase 123456 /log C:\\z.log\n"),
              0u);
    EXPECT_NE(host.log.find(host.out), std::wstring::npos);
    EXPECT_TRUE(host.log.ends_with(L"123456: erased; nothing of it is left.\nexit 0\n"));

    SeedCurrentUser(L"123456");
    const std::wstring before = registry.Export();
    host.logFailure = kErrorAccessDenied;
    registry.calls.clear();
    EXPECT_EQ(Run({L"/erase", L"123456", L"/log", L"C:\\locked.log"}), kExitFailed);
    EXPECT_EQ(registry.calls, std::vector<std::string>{});
    EXPECT_EQ(registry.Export(), before);
    EXPECT_NE(host.err.find(L"C:\\locked.log: the log could not be opened: error 5. Nothing was "
                            L"touched."),
              std::wstring::npos);
    // Opened, but its first line cannot be written: nothing is touched either, and it says so.
    host.logFailure = 0;
    host.logWriteFailure = 112;
    EXPECT_EQ(Run({L"/erase", L"123456", L"/log", L"C:\\full.log"}), kExitFailed);
    EXPECT_EQ(registry.calls, std::vector<std::string>{});
    EXPECT_NE(host.err.find(L"the log could not be written: error 112."), std::wstring::npos);
    // The log and the backup named as one file, told by their full paths: the log would make
    // the file the backup must make new, so it is not opened either.
    host.logPath.clear();
    EXPECT_EQ(Run({L"/erase", L"123456", L"/backup", L"b.reg", L"/log", L"C:\\WORK\\B.reg"}),
              kExitUsage);
    EXPECT_EQ(host.logPath, L"");
    EXPECT_TRUE(host.files.empty());
    EXPECT_NE(host.err.find(L"zelvane: /log and /backup name the same file. zelvane /? tells"),
              std::wstring::npos);
    // The same for the file /restore reads, which the log would append to.
    EXPECT_EQ(Run({L"/restore", L"b.reg", L"/log", L"C:\\WORK\\B.reg"}), kExitUsage);
    EXPECT_EQ(host.logPath, L"");
}

TEST(OutputEscapeTest, NoNameCanBreakALineOrAField) {
    EXPECT_EQ(EscapedForOutput(L"1\tx\r\n123456789\tthe machine\r\n2"),
              L"1\\tx\\r\\n123456789\\tthe machine\\r\\n2");
    EXPECT_EQ(EscapedForOutput(std::wstring(L"\0\x1b\x1c\x7f\x85\x9f", 6)),
              L"\\x00\\x1B\\x1C\\x7F\\x85\\x9F");
    EXPECT_EQ(EscapedForOutput(L"a\x2028"
                               L"b\x2029"),
              L"a\\u2028b\\u2029");
    // Printable text, a backslash and other scripts stay as they are.
    EXPECT_EQ(EscapedForOutput(L"\xfc\x540d 9 \\ \xa0~"), L"\xfc\x540d 9 \\ \xa0~");
}

TEST(OutputEscapeTest, NoNameCanPassForAnotherOrLoseACharacter) {
    // The joiner, the directional marks, embeddings, overrides and isolates, the byte-order
    // mark and the format characters beside them; a narrow space and U+FFFD stay.
    EXPECT_EQ(EscapedForOutput(L"\x200d\x200e\x200f\x2029\x202a\x202e\x202f\x2065\x2066\x2069"
                               L"\x206a\xfeff\xfffd"),
              L"\\u200D\\u200E\\u200F\\u2029\\u202A\\u202E\x202f\\u2065\\u2066\\u2069\\u206A"
              L"\\uFEFF\xfffd");
    // A surrogate pair stays; a high one without its low one, a low one without its high one,
    // and either at either end, are escaped.
    EXPECT_EQ(EscapedForOutput(L"\xd83d\xde00"), L"\xd83d\xde00");
    EXPECT_EQ(EscapedForOutput(L"\xdbff"
                               L"a\xdc00\xd800\xdfff\xdfff\xd83d"),
              L"\\uDBFFa\\uDC00\xd800\xdfff\\uDFFF\\uD83D");
}

TEST(ProfilePathTest, OnlyAFullLocalPathIsAccepted) {
    for (const wchar_t* good :
         {L"C:\\Users\\bob", L"d:\\Profiles\\b.o b", L"C:\\x", L"C:\\Users\\bob\\"}) {
        EXPECT_TRUE(IsLocalFullPath(good)) << good;
    }
    for (const wchar_t* bad :
         {L"", L"cwdprof", L"Users\\bob", L"\\Users\\bob", L"C:Users\\bob", L"C:\\",
          L"\\\\server\\share\\bob", L"\\\\?\\C:\\Users\\bob", L"\\\\.\\C:\\Users\\bob",
          L"C:\\Users\\..\\Windows", L"C:\\Users\\.\\bob", L"C:\\Users\\\\bob",
          L"C:\\Users\\bob\\\\", L"C:/Users/bob", L"C:\\Users\\bob:stream", L"1:\\Users\\bob",
          L"%SystemDrive%\\Users"}) {
        EXPECT_FALSE(IsLocalFullPath(bad)) << bad;
    }
    EXPECT_EQ(ClassesHivePath(L"C:\\Users\\bob", true),
              L"C:\\Users\\bob\\AppData\\Local\\Microsoft\\Windows\\UsrClass.dat");
    EXPECT_EQ(ClassesHivePath(L"C:\\Documents and Settings\\bob", false),
              L"C:\\Documents and Settings\\bob\\Local Settings\\Application Data\\Microsoft\\"
              L"Windows\\UsrClass.dat");
}

TEST_F(CommandLineTest, ListFailsOnWhatItCannotReadOrWillNotFollowAndForgesNoLine) {
    const std::wstring own = L"Software\\Mirabilis\\ICQ\\NewOwners";
    registry.AddKey(kHkeyCurrentUser, own + L"\\1\tx\r\n123456789\tthe machine\r\n2");
    EXPECT_EQ(Run({L"/list"}), kExitDone);
    EXPECT_EQ(host.out, L"1\\tx\\r\\n123456789\\tthe machine\\r\\n2\tS-1-5-21-7-7-7-1000\n");

    // The machine's NewOwners made a link to a key elsewhere: refused, as the erase refuses it.
    registry.AddKey(kHkeyLocalMachine, L"SOFTWARE\\Victim\\555", RegistryView::k32Bit);
    registry.AddLink(kHkeyLocalMachine, L"SOFTWARE\\Mirabilis\\ICQ\\NewOwners", kHkeyLocalMachine,
                     L"SOFTWARE\\Victim", RegistryView::k32Bit);
    host.out.clear();
    EXPECT_EQ(Run({L"/list"}), kExitFailed);
    EXPECT_EQ(host.out.find(L"555"), std::wstring::npos);
    EXPECT_NE(
        host.err.find(
            L"failed    HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Mirabilis\\ICQ\\NewOwners: "
            L"a registry link, not followed\n"),
        std::wstring::npos);

    // The user's own NewOwners unreadable: named, and it fails the run; not a case for
    // administrator rights, which belong to another account.
    registry.FailOpenOf(kHkeyCurrentUser, own, kErrorAccessDenied);
    host.elevated = false;
    host.err.clear();
    EXPECT_EQ(Run({L"/list"}), kExitFailed);
    EXPECT_NE(host.err.find(L"failed    HKEY_CURRENT_USER\\" + own + L": error 5\n"),
              std::wstring::npos);
}

TEST_F(CommandLineTest, ExitThreeOnlyWhereAdministratorRightsWouldHelp) {
    SeedCurrentUser(L"777");
    host.elevated = false;
    // Denied in the user's own hive: another account's rights would not reach it.
    registry.FailDelete(kHkeyCurrentUser, RegistryView::kNative, kErrorAccessDenied);
    EXPECT_EQ(Run({L"/erase", L"777"}), kExitFailed);
    registry.FailDelete(kHkeyCurrentUser, RegistryView::kNative, 0);
    // Denied in the machine hive and the default profile: they would.
    registry.FailDelete(kHkeyLocalMachine, RegistryView::k32Bit, kErrorAccessDenied);
    registry.FailOpenOf(kHkeyUsers, L".DEFAULT\\Software\\Mirabilis\\ICQ\\NewOwners",
                        kErrorAccessDenied);
    EXPECT_EQ(Run({L"/erase", L"777"}), kExitNotElevated);
    EXPECT_EQ(Run({L"/list"}), kExitNotElevated);
}

// Five profiles beside a service account's: logged on, not loaded, a folder without a hive
// file, one whose hive another process holds, and one that names no folder.
class AllUsersTest : public CommandLineTest {
  protected:
    void SetUp() override {
        hives.profiles = {{L"S-1-5-18", L"C:\\Windows\\system32\\config\\systemprofile"},
                          {L"S-1-5-21-1-1-1-1001", L"C:\\Users\\on"},
                          {L"S-1-5-21-1-1-1-1002", L"C:\\Users\\off"},
                          {L"S-1-5-21-1-1-1-1003", L"C:\\Users\\gone"},
                          {L"S-1-5-21-1-1-1-1004", L"C:\\Users\\busy"},
                          {L"S-1-5-21-1-1-1-1005", L""}};
        const std::wstring newOwners = L"Software\\Mirabilis\\ICQ\\NewOwners\\";
        const std::wstring store = L"VirtualStore\\MACHINE\\SOFTWARE\\Mirabilis\\ICQ\\NewOwners\\";
        registry.AddKey(kHkeyUsers, L"S-1-5-21-1-1-1-1001\\" + newOwners + L"123456\\Sub");
        registry.AddKey(kHkeyUsers, L"S-1-5-21-1-1-1-1001\\Software\\Kept");
        registry.AddKey(kHkeyUsers, L"S-1-5-21-1-1-1-1001_Classes\\" + store + L"123456");
        hives.files[L"C:\\Users\\off\\NTUSER.DAT"] = {newOwners + L"123456\\Sub",
                                                      newOwners + L"555"};
        hives.files[L"C:\\Users\\off\\AppData\\Local\\Microsoft\\Windows\\UsrClass.dat"] = {
            store + L"123456"};
        hives.files[L"C:\\Users\\busy\\NTUSER.DAT"] = {newOwners + L"123456"};
        hives.loadFailures[L"C:\\Users\\busy\\NTUSER.DAT"] = 32;
        hives.files[L"C:\\Windows\\system32\\config\\systemprofile\\NTUSER.DAT"] = {};
        hives.folders.insert(L"C:\\Users\\gone");
        for (const AccountPlace& place : SharedPlaces()) {
            registry.AddKey(place.hive, place.parent + L"\\123456", place.view);
        }
    }

    bool Holds(const std::wstring& file, const std::wstring& key) {
        const auto& keys = hives.files[file];
        return std::find(keys.begin(), keys.end(), key) != keys.end();
    }
};

TEST_F(AllUsersTest, ErasesInEveryReachableHiveAndUnloadsWhatItLoaded) {
    EXPECT_EQ(Run({L"/erase", L"123456", L"/allusers"}), kExitFailed);

    EXPECT_FALSE(
        AnyLeft(UserHivePlaces(L"S-1-5-21-1-1-1-1001", L"S-1-5-21-1-1-1-1001_Classes"), L"123456"));
    EXPECT_TRUE(registry.Exists(kHkeyUsers, L"S-1-5-21-1-1-1-1001\\Software\\Kept"));
    EXPECT_FALSE(AnyLeft(SharedPlaces(), L"123456"));
    // Written back to the files when they were unloaded.
    const std::wstring newOwners = L"Software\\Mirabilis\\ICQ\\NewOwners\\";
    EXPECT_FALSE(Holds(L"C:\\Users\\off\\NTUSER.DAT", newOwners + L"123456\\Sub"));
    EXPECT_TRUE(Holds(L"C:\\Users\\off\\NTUSER.DAT", newOwners + L"555"));
    EXPECT_TRUE(
        hives.files[L"C:\\Users\\off\\AppData\\Local\\Microsoft\\Windows\\UsrClass.dat"].empty());
    EXPECT_TRUE(Holds(L"C:\\Users\\busy\\NTUSER.DAT", newOwners + L"123456"));
    EXPECT_TRUE(hives.loaded.empty());
    // A missing hive file is not loaded at all.
    EXPECT_EQ(hives.calls,
              (std::vector<std::wstring>{
                  L"Privileges", L"Lock", L"Load Zelvane-S-1-5-21-1-1-1-1002",
                  L"Load Zelvane-S-1-5-21-1-1-1-1002_Classes",
                  L"Unload Zelvane-S-1-5-21-1-1-1-1002_Classes",
                  L"Unload Zelvane-S-1-5-21-1-1-1-1002", L"Load Zelvane-S-1-5-21-1-1-1-1004"}));

    // Whatever could hold the account and was not reached fails the run.
    EXPECT_EQ(
        Lines(host.out, L"not reached S-1-5-21-1-1-1-1003: C:\\Users\\gone\\NTUSER.DAT: error 2\n"),
        1u);
    EXPECT_EQ(Lines(host.out,
                    L"failed    S-1-5-21-1-1-1-1005: the profile folder \"\": not a "
                    L"full path on a local drive, refused\n"),
              1u);
    EXPECT_EQ(
        Lines(host.out, L"failed    S-1-5-21-1-1-1-1004: C:\\Users\\busy\\NTUSER.DAT: error 32\n"),
        1u);
    // Each hive loaded on a line of its own.
    EXPECT_EQ(Lines(host.out,
                    L"loaded    S-1-5-21-1-1-1-1002: C:\\Users\\off\\NTUSER.DAT as "
                    L"HKEY_USERS\\Zelvane-S-1-5-21-1-1-1-1002\n"),
              1u);
    EXPECT_EQ(Lines(host.out,
                    L"loaded    S-1-5-21-1-1-1-1002: C:\\Users\\off\\AppData\\Local\\Microsoft\\"
                    L"Windows\\UsrClass.dat as HKEY_USERS\\Zelvane-S-1-5-21-1-1-1-1002_Classes\n"),
              1u);
    EXPECT_EQ(Lines(host.out, L"erased    "), 6u);
    EXPECT_NE(host.out.find(L"not erased everywhere: 3 places failed."), std::wstring::npos);
}

TEST_F(AllUsersTest, UnloadsAlsoWhenTheClassesHiveOrTheEraseFails) {
    hives.profiles.resize(3);
    hives.loadFailures[L"C:\\Users\\off\\AppData\\Local\\Microsoft\\Windows\\UsrClass.dat"] = 32;
    registry.FailDelete(kHkeyUsers, RegistryView::kNative, kErrorAccessDenied);
    EXPECT_EQ(Run({L"/erase", L"123456", L"/allusers"}), kExitFailed);
    EXPECT_TRUE(hives.loaded.empty());
    EXPECT_EQ(hives.calls.back(), L"Unload Zelvane-S-1-5-21-1-1-1-1002");
    EXPECT_NE(host.out.find(L"UsrClass.dat: error 32"), std::wstring::npos);

    // A hive that will not unload is tried again for a while, then told, never passed over.
    registry.FailDelete(kHkeyUsers, RegistryView::kNative, 0);
    // (The in-memory unload could not remove the keys of the hive it unloaded above.)
    registry.DeleteTree(kHkeyUsers, L"", L"Zelvane-S-1-5-21-1-1-1-1002", RegistryView::kNative,
                        LinkRule::kFollowNone);
    hives.calls.clear();
    hives.unloadFailures[L"Zelvane-S-1-5-21-1-1-1-1002"] = 5;
    host.out.clear();
    Run({L"/list", L"/allusers"});
    EXPECT_NE(host.err.find(L"HKEY_USERS\\Zelvane-S-1-5-21-1-1-1-1002 stays loaded: error 5"),
              std::wstring::npos);
    EXPECT_EQ(
        std::count(hives.calls.begin(), hives.calls.end(), L"Unload Zelvane-S-1-5-21-1-1-1-1002"),
        10);
    EXPECT_GT(hives.paused, 0u);
    // A unload that fails for a moment only is no failure.
    hives.unloadFailuresFor = 3;
    host.err.clear();
    EXPECT_EQ(Run({L"/list", L"/allusers"}), kExitFailed);
    EXPECT_EQ(host.err.find(L"stays loaded"), std::wstring::npos);
    EXPECT_TRUE(hives.loaded.empty());
}

TEST_F(AllUsersTest, WithoutTheHivePrivilegesNothingIsTouched) {
    hives.privilegeResult = 1300;
    const std::wstring before = registry.Export();
    EXPECT_EQ(Run({L"/erase", L"123456", L"/allusers"}), kExitNotElevated);
    EXPECT_EQ(registry.Export(), before);
    EXPECT_EQ(hives.calls, std::vector<std::wstring>{L"Privileges"});
    EXPECT_EQ(registry.calls, std::vector<std::string>{});
}

TEST_F(AllUsersTest, ListNamesTheUserOfEachHive) {
    hives.names[L"S-1-5-21-1-1-1-1002"] = L"PC\\bob";
    EXPECT_EQ(Run({L"/list", L"/allusers"}), kExitFailed);
    // Accounts alone on standard output, where a script reads them; the busy hive on error.
    EXPECT_EQ(host.out.find(L"loaded"), std::wstring::npos);
    EXPECT_EQ(host.out.find(L"nothing"), std::wstring::npos);
    EXPECT_NE(host.err.find(L"failed    S-1-5-21-1-1-1-1004"), std::wstring::npos);
    EXPECT_NE(host.out.find(L"123456\tS-1-5-21-1-1-1-1001\n"), std::wstring::npos);
    EXPECT_NE(
        host.out.find(L"123456\tS-1-5-21-1-1-1-1002 PC\\bob\n555\tS-1-5-21-1-1-1-1002 PC\\bob\n"),
        std::wstring::npos);
    EXPECT_TRUE(hives.loaded.empty());
}

TEST_F(AllUsersTest, BackupNamesEachHiveAsWindowsLoadsItAndTellsEachFailureOnce) {
    hives.defaultUser = L"C:\\Users\\Default";
    hives.files[L"C:\\Users\\Default\\NTUSER.DAT"] = {
        L"Software\\Mirabilis\\ICQ\\NewOwners\\123456"};
    EXPECT_EQ(Run({L"/erase", L"123456", L"/allusers", L"/backup", L"b.reg"}), kExitFailed);
    const std::wstring text = FileText(host.files.at(L"C:\\Work\\b.reg"));
    EXPECT_EQ(text.find(L"Zelvane-"), std::wstring::npos);
    for (const wchar_t* key :
         {L"[HKEY_USERS\\S-1-5-21-1-1-1-1001\\Software\\Mirabilis\\ICQ\\NewOwners\\123456\\Sub]",
          L"[HKEY_USERS\\S-1-5-21-1-1-1-1002\\Software\\Mirabilis\\ICQ\\NewOwners\\123456\\Sub]",
          L"[HKEY_USERS\\S-1-5-21-1-1-1-1002_"
          L"Classes\\VirtualStore\\MACHINE\\SOFTWARE\\Mirabilis\\ICQ\\"
          L"NewOwners\\123456]",
          L"; Some keys lie in hives that Windows had not loaded. To restore them, load each of "
          L"those hives, then reg import this file once, then unload each hive:\r\n\r\n"
          L";   reg load HKU\\S-1-5-21-1-1-1-1002 \"C:\\Users\\off\\NTUSER.DAT\"\r\n\r\n"
          L";   reg load HKU\\S-1-5-21-1-1-1-1002_Classes \"C:\\Users\\off\\AppData\\Local\\"
          L"Microsoft\\Windows\\UsrClass.dat\"\r\n\r\n"
          L";   reg load HKU\\DefaultUser \"C:\\Users\\Default\\NTUSER.DAT\"\r\n\r\n"
          L";   reg import <this file>\r\n\r\n"
          L";   reg unload HKU\\DefaultUser\r\n\r\n"
          L";   reg unload HKU\\S-1-5-21-1-1-1-1002_Classes\r\n\r\n"
          L";   reg unload HKU\\S-1-5-21-1-1-1-1002\r\n",
          L"[HKEY_USERS\\DefaultUser\\Software\\Mirabilis\\ICQ\\NewOwners\\123456]",
          L"; HKEY_USERS\\DefaultUser stands for the default user's hive, which new profiles are "
          L"copied from and which Windows does not load.\r\n",
          L"[HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Mirabilis\\ICQ\\NewOwners\\123456]"}) {
        EXPECT_NE(text.find(key), std::wstring::npos) << key;
    }
    // Each hive loaded twice, to be read and to be erased, and unloaded in between.
    std::vector<std::wstring> defaultUser;
    std::copy_if(hives.calls.begin(), hives.calls.end(), std::back_inserter(defaultUser),
                 [](const std::wstring& call) { return call.ends_with(L"DefaultUser"); });
    EXPECT_EQ(defaultUser, (std::vector<std::wstring>{
                               L"Load Zelvane-DefaultUser", L"Unload Zelvane-DefaultUser",
                               L"Load Zelvane-DefaultUser", L"Unload Zelvane-DefaultUser"}));
    EXPECT_TRUE(hives.loaded.empty());
    // The second walk alone tells what both meet: the same failures as an erase alone.
    EXPECT_EQ(Lines(host.out, L"erased    "), 7u);
    EXPECT_EQ(Lines(host.out, L"loaded    "), 3u);
    EXPECT_EQ(Lines(host.out, L"failed    "), 2u);
    EXPECT_EQ(Lines(host.out, L"not reached "), 1u);
    EXPECT_NE(host.out.find(L"not erased everywhere: 3 places failed."), std::wstring::npos);

    // A hive that will not unload is told by the walk that meets it; the next walk cannot
    // load it again and erases nothing there.
    hives.unloadFailures[L"Zelvane-S-1-5-21-1-1-1-1002"] = 5;
    host.out.clear();
    Run({L"/erase", L"123456", L"/allusers", L"/backup", L"c.reg"});
    EXPECT_EQ(Lines(host.out,
                    L"failed    S-1-5-21-1-1-1-1002: HKEY_USERS\\Zelvane-S-1-5-21-1-1-1-"
                    L"1002 stays loaded: error 5\n"),
              1u);
    EXPECT_EQ(Lines(host.out,
                    L"failed    S-1-5-21-1-1-1-1002: C:\\Users\\off\\NTUSER.DAT: "
                    L"error 183\n"),
              1u);
}

TEST_F(AllUsersTest, PathsAreCheckedBeforeAnyLoad) {
    hives.profiles = {{L"S-1-5-21-1-1-1-2001", L"cwdprof"},
                      {L"S-1-5-21-1-1-1-2002", L"C:\\Users\\junction"},
                      {L"S-1-5-21-1-1-1-1002", L"C:\\Users\\off"}};
    hives.files[L"cwdprof\\NTUSER.DAT"] = {};
    hives.files[L"C:\\Users\\junction\\NTUSER.DAT"] = {};
    hives.reparsePoints.insert(L"C:\\Users\\junction");
    hives.reparsePoints.insert(L"C:\\Users\\off\\AppData\\Local");
    EXPECT_EQ(Run({L"/erase", L"123456", L"/allusers"}), kExitFailed);
    EXPECT_EQ(Lines(host.out,
                    L"failed    S-1-5-21-1-1-1-2001: the profile folder \"cwdprof\": not "
                    L"a full path on a local drive, refused\n"),
              1u);
    EXPECT_EQ(Lines(host.out,
                    L"failed    S-1-5-21-1-1-1-2002: C:\\Users\\junction: a reparse "
                    L"point (a junction or link), not followed\n"),
              1u);
    EXPECT_EQ(Lines(host.out,
                    L"failed    S-1-5-21-1-1-1-1002: C:\\Users\\off\\AppData\\Local: a "
                    L"reparse point (a junction or link), not followed\n"),
              1u);
    // NTUSER.DAT of the last, and nothing else, was loaded.
    EXPECT_EQ(hives.calls, (std::vector<std::wstring>{L"Privileges", L"Lock",
                                                      L"Load Zelvane-S-1-5-21-1-1-1-1002",
                                                      L"Unload Zelvane-S-1-5-21-1-1-1-1002"}));

    // Windows XP keeps the classes hive elsewhere, and only there is it looked for.
    hives.reparsePoints.clear();
    hives.vistaLayout = false;
    hives.profiles.resize(3);
    const std::wstring xpClasses =
        L"C:\\Users\\off\\Local Settings\\Application Data\\Microsoft\\Windows\\UsrClass.dat";
    hives.files[xpClasses] = {};
    hives.calls.clear();
    host.out.clear();
    Run({L"/erase", L"123456", L"/allusers"});
    EXPECT_EQ(Lines(host.out, L"loaded    S-1-5-21-1-1-1-1002: " + xpClasses +
                                  L" as HKEY_USERS\\Zelvane-S-1-5-21-1-1-1-1002_Classes\n"),
              1u);
    EXPECT_TRUE(Holds(L"C:\\Users\\off\\AppData\\Local\\Microsoft\\Windows\\UsrClass.dat",
                      L"VirtualStore\\MACHINE\\SOFTWARE\\Mirabilis\\ICQ\\NewOwners\\123456"));
}

TEST_F(AllUsersTest, LoggedOnOnlyWhenTheSystemSaysSoAndCoveredFoldersAreNotLoadedTwice) {
    hives.profiles = {{L"S-1-5-21-1-1-1-1001", L"C:\\Users\\on"},
                      {L"S-1-5-21-1-1-1-3001", L"c:\\users\\ON\\"},
                      {L"S-1-5-21-1-1-1-1002", L"C:\\Users\\off"},
                      {L"S-1-5-21-1-1-1-1003", L"C:\\Users\\gone", kProfileTemporary}};
    // A logged-on user who denies everyone their hive's root.
    registry.FailOpenOf(kHkeyUsers, L"S-1-5-21-1-1-1-1002", kErrorAccessDenied);
    EXPECT_EQ(Run({L"/erase", L"123456", L"/allusers"}), kExitFailed);
    EXPECT_EQ(Lines(host.out,
                    L"failed    S-1-5-21-1-1-1-1002: its hive "
                    L"HKEY_USERS\\S-1-5-21-1-1-1-1002: error 5\n"),
              1u);
    EXPECT_EQ(Lines(host.out,
                    L"covered   S-1-5-21-1-1-1-3001: c:\\users\\ON\\ is the folder of "
                    L"S-1-5-21-1-1-1-1001, reached there\n"),
              1u);
    // A temporary profile's entry without its folder is nothing to count.
    EXPECT_EQ(Lines(host.out, L"nothing   S-1-5-21-1-1-1-1003: no C:\\Users\\gone\\NTUSER.DAT\n"),
              1u);
    EXPECT_NE(host.out.find(L"not erased everywhere: 1 place failed."), std::wstring::npos);
    EXPECT_EQ(hives.calls, (std::vector<std::wstring>{L"Privileges", L"Lock"}));
}

// A user's hive loaded without its classes hive has UsrClass.dat loaded beside it in each
// walk, and its Software\Classes is a place when it is a key of its own, never as a link; a
// "<SID>.bak" entry is a profile; a folder that is not there fails nothing.
TEST_F(AllUsersTest, EveryCopyAUserHasIsReachedOrNamed) {
    const std::wstring store =
        L"VirtualStore\\MACHINE\\SOFTWARE\\Mirabilis\\ICQ\\NewOwners\\123456";
    const std::wstring classes = L"\\AppData\\Local\\Microsoft\\Windows\\UsrClass.dat";
    hives.profiles = {{L"S-1-5-21-1-1-1-1006", L"C:\\Users\\a"},
                      {L"S-1-5-21-1-1-1-1007", L"C:\\Users\\b"},
                      {L"S-1-5-21-1-1-1-1002.bak", L"C:\\Users\\off\\"},
                      {L"S-1-5-18.bak", L"C:\\Windows\\system32\\config\\systemprofile"},
                      {L"S-1-5-21-1-1-1-1008", L"D:\\Gone\\x"}};
    hives.names[L"S-1-5-21-1-1-1-1002"] = L"PC\\bob";
    registry.AddKey(kHkeyUsers, L"S-1-5-21-1-1-1-1006\\Software\\Classes\\" + store);
    hives.files[L"C:\\Users\\a" + classes] = {store};
    registry.AddLink(kHkeyUsers, L"S-1-5-21-1-1-1-1007\\Software\\Classes", kHkeyUsers, L"V");
    hives.loadFailures[L"C:\\Users\\b" + classes] = 32;

    EXPECT_EQ(Run({L"/erase", L"123456", L"/allusers", L"/backup", L"b.reg"}), kExitFailed);
    EXPECT_FALSE(registry.Exists(kHkeyUsers, L"S-1-5-21-1-1-1-1006\\Software\\Classes\\" + store));
    EXPECT_EQ(std::count(hives.calls.begin(), hives.calls.end(),
                         L"Load Zelvane-S-1-5-21-1-1-1-1006_Classes"),
              2);
    EXPECT_NE(FileText(host.files.at(L"C:\\Work\\b.reg"))
                  .find(L"[HKEY_USERS\\S-1-5-21-1-1-1-1006_Classes\\" + store + L"]"),
              std::wstring::npos);
    EXPECT_EQ(Lines(host.out,
                    L"loaded    S-1-5-21-1-1-1-1002.bak PC\\bob: C:\\Users\\off\\NTUSER.DAT "
                    L"as HKEY_USERS\\Zelvane-S-1-5-21-1-1-1-1002.bak\n"),
              1u);
    EXPECT_EQ(Lines(host.out,
                    L"no profile folder S-1-5-21-1-1-1-1008: D:\\Gone\\x (D:\\Gone is not "
                    L"there)\n"),
              1u);
    // The one failure: the classes hive that could not be loaded, not the link.
    EXPECT_EQ(Lines(host.out,
                    L"not reached S-1-5-21-1-1-1-1007: C:\\Users\\b" + classes + L": error 32\n"),
              1u);
    EXPECT_NE(host.out.find(L"not erased everywhere: 1 place failed."), std::wstring::npos);
}

TEST_F(AllUsersTest, LeftoversAreUnloadedAndTheDefaultUserIsReached) {
    hives.profiles.clear();
    // What a run that was ended left loaded, and a hive that is none of Zelvane's.
    hives.files[L"C:\\old.dat"] = {};
    hives.files[L"C:\\other.dat"] = {};
    hives.privilegeResult = 0;
    hives.EnableHivePrivileges();
    hives.LoadHive(L"Zelvane-S-1-5-21-1-1-1-1002", L"C:\\old.dat");
    hives.LoadHive(L"Zelvane-S-1-5-21-1-1-1-1002_Classes", L"C:\\old.dat");
    hives.LoadHive(L"Other", L"C:\\other.dat");
    hives.defaultUser = L"C:\\Users\\Default";
    hives.files[L"C:\\Users\\Default\\NTUSER.DAT"] = {
        L"Software\\Mirabilis\\ICQ\\NewOwners\\123456\\Sub"};
    hives.calls.clear();

    EXPECT_EQ(Run({L"/erase", L"123456", L"/allusers"}), kExitDone);
    EXPECT_EQ(hives.loaded, (std::map<std::wstring, std::wstring>{{L"Other", L"C:\\other.dat"}}));
    EXPECT_EQ(hives.calls,
              (std::vector<std::wstring>{
                  L"Privileges", L"Lock", L"Unload Zelvane-S-1-5-21-1-1-1-1002_Classes",
                  L"Unload Zelvane-S-1-5-21-1-1-1-1002", L"Load Zelvane-DefaultUser",
                  L"Unload Zelvane-DefaultUser"}));
    EXPECT_EQ(Lines(host.out,
                    L"unloaded  HKEY_USERS\\Zelvane-S-1-5-21-1-1-1-1002: left loaded "
                    L"by an earlier run that was ended\n"),
              1u);
    EXPECT_EQ(Lines(host.out,
                    L"loaded    the default user: C:\\Users\\Default\\NTUSER.DAT as "
                    L"HKEY_USERS\\Zelvane-DefaultUser\n"),
              1u);
    EXPECT_EQ(Lines(host.out,
                    L"erased    HKEY_USERS\\Zelvane-DefaultUser\\Software\\Mirabilis\\"
                    L"ICQ\\NewOwners\\123456\n"),
              1u);
    EXPECT_TRUE(hives.files[L"C:\\Users\\Default\\NTUSER.DAT"].empty());
}

TEST_F(AllUsersTest, TheLocksOutcomeIsNamedAsWhatItIs) {
    // Not taken for another reason than another run: named as that, and nothing touched.
    hives.lockResult = kErrorAccessDenied;
    const std::wstring before = registry.Export();
    EXPECT_EQ(Run({L"/erase", L"123456", L"/allusers"}), kExitFailed);
    EXPECT_EQ(host.err.find(L"another run"), std::wstring::npos);
    EXPECT_NE(host.err.find(L"could not be taken: "), std::wstring::npos);
    EXPECT_EQ(registry.Export(), before);
    // Its name taken by an object no administrator made: the run goes on, and says so.
    hives.lockResult = kErrorLockNameTaken;
    hives.profiles.clear();
    host.err.clear();
    EXPECT_EQ(Run({L"/list", L"/allusers"}), kExitDone);
    EXPECT_NE(host.err.find(L"no lock   an object that no administrator made"), std::wstring::npos);
    EXPECT_NE(host.out.find(L"123456"), std::wstring::npos);
}

TEST_F(AllUsersTest, ASecondRunOrAStopRequestLeavesNothingLoaded) {
    // Another run holds the PC: its own message, nothing touched.
    hives.lockResult = kErrorTimeout;
    const std::wstring before = registry.Export();
    EXPECT_EQ(Run({L"/erase", L"123456", L"/allusers"}), kExitFailed);
    EXPECT_NE(host.err.find(L"another run of Zelvane for all users"), std::wstring::npos);
    EXPECT_EQ(registry.Export(), before);
    EXPECT_EQ(hives.calls, (std::vector<std::wstring>{L"Privileges", L"Lock"}));

    // Asked to stop while the first hive was loaded: it is visited and unloaded, no other.
    hives.lockResult = 0;
    host.stopAfter = 1;
    EXPECT_EQ(Run({L"/erase", L"123456", L"/allusers"}), kExitFailed);
    EXPECT_TRUE(hives.loaded.empty());
    EXPECT_EQ(host.hiveWork, 0);
    EXPECT_EQ(std::count_if(hives.calls.begin(), hives.calls.end(),
                            [](const std::wstring& call) { return call.starts_with(L"Load"); }),
              2);
    EXPECT_NE(host.out.find(L"stopped   asked to stop"), std::wstring::npos);
    EXPECT_TRUE(AnyLeft(SharedPlaces(), L"123456"));

    // Asked to stop while the backup reads: no file, and nothing erased.
    host.stopAfter = 1;
    const std::wstring unchanged = registry.Export();
    const auto files = hives.files;
    EXPECT_EQ(Run({L"/erase", L"123456", L"/allusers", L"/backup", L"b.reg"}), kExitFailed);
    EXPECT_TRUE(host.files.empty());
    EXPECT_EQ(registry.Export(), unchanged);
    EXPECT_EQ(hives.files, files);
    EXPECT_TRUE(hives.loaded.empty());
    EXPECT_NE(host.out.find(L"123456: nothing was erased, since the run was stopped"),
              std::wstring::npos);
}

// A run made to fail at each of its allocations in turn leaves no hive loaded, wherever the
// failure comes: also between a load and the records that would unload it.
class AllUsersRun : public AllUsersTest {
  public:
    void TestBody() override {}
    void Prepare() {
        SetUp();
        hives.defaultUser = L"C:\\Users\\Default";
        hives.files[L"C:\\Users\\Default\\NTUSER.DAT"] = {};
    }
    using AllUsersTest::hives;
    using AllUsersTest::Run;
};

TEST(AllUsersFaultTest, NoAllocationFailureLeavesAHiveLoaded) {
    for (const Args& args : {Args{L"/erase", L"123456", L"/allusers"},
                             Args{L"/erase", L"123456", L"/allusers", L"/backup", L"b.reg"}}) {
        bool failed = true;
        for (std::size_t n = 1; failed; ++n) {
            AllUsersRun run;
            run.Prepare();
            FailAllocation(n);
            try {
                run.Run(args);
            } catch (const std::bad_alloc&) {
            }
            failed = AllocationFailed();
            FailAllocation(0);
            ASSERT_TRUE(run.hives.loaded.empty()) << "allocation " << n << " of " << args.size();
        }
    }
}

}  // namespace
}  // namespace zelvane
