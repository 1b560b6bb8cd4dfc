// The registry wrappers against Wine's real registry, which enforces key DACLs and follows
// registry links as Windows does.
#include "platform/win32/win32_registry.h"

#include <gtest/gtest.h>

#include "account_backup/backed_up_erase.h"
#include "registry_listing/account_listing.h"

#include <sddl.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <winternl.h>
#include "user_key_path.h"

namespace zelvane {
namespace {

// A key of its own for every test, below HKCU\Software\ZelvaneTest (or the same path
// under another hive), removed with everything below it before and after: the registry
// outlives the process, and a later one may get the same id. The links some tests make are
// removed as links, by the delete under test itself.
class TestKey {
  public:
    explicit TestKey(HKEY hive = HKEY_CURRENT_USER, REGSAM view = 0)
        : hive_(hive),
          view_(view),
          name_(std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter_)),
          path_(L"Software\\ZelvaneTest\\" + name_) {
        Remove();
        Create(L"");
    }
    ~TestKey() {
        Remove();
        RegDeleteKeyExW(hive_, L"Software\\ZelvaneTest", view_, 0);  // only once it is empty
    }

    const std::wstring& path() const { return path_; }

    std::wstring Join(const std::wstring& sub) const {
        return sub.empty() ? path_ : path_ + L"\\" + sub;
    }

    void Create(const std::wstring& sub, DWORD options = 0) const {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(hive_, Join(sub).c_str(), 0, nullptr, options,
                                  KEY_ALL_ACCESS | KEY_CREATE_LINK | view_, nullptr, &key, nullptr),
                  ERROR_SUCCESS)
            << sub.size();
        RegCloseKey(key);
    }

    void SetValue(const std::wstring& sub, const wchar_t* name, const std::wstring& data) const {
        ASSERT_EQ(RegSetKeyValueW(hive_, Join(sub).c_str(), name, REG_SZ, data.c_str(),
                                  static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    }

    // Makes sub a registry link to target, a key below the same hive's HKCU test key.
    void Link(const std::wstring& sub, const TestKey& target, const std::wstring& targetSub) const {
        Create(sub, REG_OPTION_CREATE_LINK);
        HKEY link = nullptr;
        ASSERT_EQ(RegOpenKeyExW(hive_, Join(sub).c_str(), REG_OPTION_OPEN_LINK,
                                KEY_SET_VALUE | view_, &link),
                  ERROR_SUCCESS);
        const std::wstring nt = UserKeyNtPath() + L"\\" + target.Join(targetSub);
        EXPECT_EQ(RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK,
                                 reinterpret_cast<const BYTE*>(nt.data()),
                                 static_cast<DWORD>(nt.size() * sizeof(wchar_t))),
                  ERROR_SUCCESS);
        RegCloseKey(link);
    }

    // Replaces the key's DACL (in SDDL) and returns what it was, to put back.
    std::wstring SetDacl(const std::wstring& sub, const wchar_t* sddl) const {
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyExW(hive_, Join(sub).c_str(), REG_OPTION_OPEN_LINK,
                                READ_CONTROL | WRITE_DAC | view_, &key),
                  ERROR_SUCCESS);
        std::wstring before;
        DWORD size = 0;
        RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, nullptr, &size);
        std::vector<BYTE> current(size);
        LPWSTR text = nullptr;
        if (RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, current.data(), &size) ==
                ERROR_SUCCESS &&
            ConvertSecurityDescriptorToStringSecurityDescriptorW(
                current.data(), SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr)) {
            before = text;
            LocalFree(text);
        }
        PSECURITY_DESCRIPTOR wanted = nullptr;
        EXPECT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1,
                                                                         &wanted, nullptr));
        EXPECT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, wanted), ERROR_SUCCESS);
        LocalFree(wanted);
        RegCloseKey(key);
        return before;
    }

    // Asks only for what an owner always has, so that a key whose DACL grants nothing is
    // still found.
    bool Exists(const std::wstring& sub, REGSAM view) const {
        HKEY key = nullptr;
        const LONG result = RegOpenKeyExW(hive_, Join(sub).c_str(), REG_OPTION_OPEN_LINK,
                                          READ_CONTROL | view, &key);
        if (result == ERROR_SUCCESS) RegCloseKey(key);
        return result == ERROR_SUCCESS;
    }
    bool Exists(const std::wstring& sub) const { return Exists(sub, view_); }

    bool HasValue(const std::wstring& sub, const wchar_t* name) const {
        return RegGetValueW(hive_, Join(sub).c_str(), name, RRF_RT_ANY, nullptr, nullptr,
                            nullptr) == ERROR_SUCCESS;
    }

  private:
    void Remove() const {
        const auto root = static_cast<std::int32_t>(reinterpret_cast<LONG_PTR>(hive_));
        Win32Registry().DeleteTree(
            root, L"Software\\ZelvaneTest", name_,
            view_ == KEY_WOW64_32KEY ? RegistryView::k32Bit : RegistryView::kNative,
            LinkRule::kFollowAboveAccount);
    }

    static inline int counter_ = 0;
    HKEY hive_;
    REGSAM view_;
    std::wstring name_;
    std::wstring path_;
};

// Every subkey name of key, read the way the account listing reads them, sorted.
std::vector<std::wstring> EnumerateAll(Registry& registry, RegKey key, long& endResult) {
    std::vector<std::wstring> names;
    for (std::int32_t index = 0;; ++index) {
        std::wstring buffer(kMaxKeyName + 1, L'\0');
        std::uint32_t size = kMaxKeyName + 1;
        endResult = registry.EnumKey(key, index, buffer.data(), size);
        if (endResult != kErrorSuccess) break;
        EXPECT_EQ(size, std::wstring(buffer.c_str()).size()) << "size written back";
        names.push_back(buffer.c_str());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(Win32RegistryTest, PredefinedHivesAreSignExtendedToTheSameHandles) {
    EXPECT_EQ(HiveHandle(kHkeyCurrentUser), HKEY_CURRENT_USER);
    EXPECT_EQ(HiveHandle(kHkeyLocalMachine), HKEY_LOCAL_MACHINE);
    EXPECT_EQ(HiveHandle(kHkeyUsers), HKEY_USERS);

    Win32Registry registry;
    RegKey key = 0;
    ASSERT_EQ(registry.OpenKey(kHkeyUsers, L".DEFAULT", key), kErrorSuccess);
    EXPECT_NE(key, 0u);
    EXPECT_EQ(registry.CloseKey(key), kErrorSuccess);
}

// Whatever the code page, a full-width "123" comes back as itself, not as the account
// "123", and the longest name the registry allows fits.
TEST(Win32RegistryTest, ListsEveryNameAsTheRegistryHoldsItThenEnds) {
    const TestKey test;
    const std::wstring names[] = {L"123", L"12345678", L"\xFF11\xFF12\xFF13", L"\x8868",
                                  std::wstring(kMaxKeyName, L'b')};
    for (const std::wstring& name : names) test.Create(name);
    test.Create(L"123\\999");  // a grandchild is not a subkey of the key itself

    Win32Registry registry;
    RegKey key = 0;
    ASSERT_EQ(registry.OpenKey(kHkeyCurrentUser, test.path(), key), kErrorSuccess);
    long end = 0;
    std::vector<std::wstring> expected(std::begin(names), std::end(names));
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(EnumerateAll(registry, key, end), expected);
    EXPECT_EQ(end, kErrorNoMoreItems);
    EXPECT_EQ(registry.CloseKey(key), kErrorSuccess);
}

TEST(Win32RegistryTest, AMissingKeyLeavesTheHandleZeroAndEveryLaterCallFailsHarmlessly) {
    const TestKey test;
    Win32Registry registry;
    RegKey key = 0;
    EXPECT_EQ(registry.OpenKey(kHkeyCurrentUser, test.Join(L"NoSuchKey"), key), kErrorFileNotFound);
    EXPECT_EQ(key, 0u);

    long end = 0;
    EXPECT_TRUE(EnumerateAll(registry, key, end).empty());
    EXPECT_NE(end, kErrorSuccess);
    EXPECT_EQ(registry.CloseKey(key), kErrorInvalidHandle);
}

TEST(Win32RegistryTest, DeleteTreeRemovesTheWholeSubtreeAndNothingElse) {
    const TestKey test;
    test.Create(L"NewOwners\\123456\\Settings\\Deep");
    test.SetValue(L"NewOwners\\123456\\Settings", L"Nick", L"me");
    test.Create(L"NewOwners\\654321");
    test.Create(L"NewOwners\\1234567");
    test.SetValue(L"NewOwners", L"Kept", L"yes");

    Win32Registry registry;
    const std::wstring parent = test.Join(L"NewOwners");
    EXPECT_EQ(registry
                  .DeleteTree(kHkeyCurrentUser, parent, L"123456", RegistryView::kNative,
                              LinkRule::kFollowAboveAccount)
                  .result,
              kErrorSuccess);
    EXPECT_FALSE(test.Exists(L"NewOwners\\123456"));
    EXPECT_TRUE(test.Exists(L"NewOwners\\654321"));
    EXPECT_TRUE(test.Exists(L"NewOwners\\1234567"));
    EXPECT_TRUE(test.HasValue(L"NewOwners", L"Kept"));

    // Gone already, or its parent missing: "not found", and nothing else is touched.
    EXPECT_EQ(registry
                  .DeleteTree(kHkeyCurrentUser, parent, L"123456", RegistryView::kNative,
                              LinkRule::kFollowAboveAccount)
                  .result,
              kErrorFileNotFound);
    const long noParent = registry
                              .DeleteTree(kHkeyCurrentUser, test.Join(L"Nowhere"), L"1",
                                          RegistryView::kNative, LinkRule::kFollowAboveAccount)
                              .result;
    EXPECT_TRUE(noParent == kErrorFileNotFound || noParent == kErrorPathNotFound) << noParent;
    EXPECT_TRUE(test.Exists(L"NewOwners\\654321"));
}

// A link named like an account, and a link inside an account, each pointing at keys
// elsewhere: the links go, what they point at stays.
TEST(Win32RegistryTest, LinksAtAndBelowTheAccountAreDeletedNotFollowed) {
    const TestKey test;
    test.Create(L"Victim\\Child");
    test.SetValue(L"Victim", L"Data", L"kept");
    test.Create(L"Other\\Child");
    test.Create(L"NewOwners\\123456\\Settings");
    test.Link(L"NewOwners\\123456\\Settings\\Linked", test, L"Other");
    test.Link(L"NewOwners\\654321", test, L"Victim");
    ASSERT_TRUE(test.Exists(L"NewOwners\\654321\\Child")) << "the link leads to Victim";

    Win32Registry registry;
    const std::wstring parent = test.Join(L"NewOwners");
    EXPECT_EQ(registry
                  .DeleteTree(kHkeyCurrentUser, parent, L"654321", RegistryView::kNative,
                              LinkRule::kFollowAboveAccount)
                  .result,
              kErrorSuccess);
    EXPECT_EQ(registry
                  .DeleteTree(kHkeyCurrentUser, parent, L"123456", RegistryView::kNative,
                              LinkRule::kFollowAboveAccount)
                  .result,
              kErrorSuccess);

    EXPECT_FALSE(test.Exists(L"NewOwners\\654321"));
    EXPECT_FALSE(test.Exists(L"NewOwners\\123456"));
    EXPECT_TRUE(test.Exists(L"Victim\\Child"));
    EXPECT_TRUE(test.HasValue(L"Victim", L"Data"));
    EXPECT_TRUE(test.Exists(L"Other\\Child"));
}

// The messenger reaches its keys through a link on the fixed path; so does the erasure.
TEST(Win32RegistryTest, ALinkAboveTheAccountIsFollowed) {
    const TestKey test;
    test.Create(L"Real\\NewOwners\\123456\\Sub");
    test.Link(L"Mirabilis", test, L"Real");

    Win32Registry registry;
    EXPECT_EQ(registry
                  .DeleteTree(kHkeyCurrentUser, test.Join(L"Mirabilis\\NewOwners"), L"123456",
                              RegistryView::kNative, LinkRule::kFollowAboveAccount)
                  .result,
              kErrorSuccess);
    EXPECT_FALSE(test.Exists(L"Real\\NewOwners\\123456"));
    EXPECT_TRUE(test.Exists(L"Real\\NewOwners"));
}

// A standard user may read the machine's NewOwners but not change it. However little the user
// may do with the parent, an account that is not there is simply not there, and one that is,
// with rights of its own, can still go.
TEST(Win32RegistryTest, RightsOnTheParentAreNotNeeded) {
    const TestKey test;
    test.Create(L"NewOwners\\123456");
    const std::wstring before = test.SetDacl(L"NewOwners", L"D:P");

    Win32Registry registry;
    const std::wstring parent = test.Join(L"NewOwners");
    EXPECT_EQ(registry
                  .DeleteTree(kHkeyCurrentUser, parent, L"999", RegistryView::kNative,
                              LinkRule::kFollowAboveAccount)
                  .result,
              kErrorFileNotFound);
    EXPECT_EQ(registry
                  .DeleteTree(kHkeyCurrentUser, parent, L"123456", RegistryView::kNative,
                              LinkRule::kFollowAboveAccount)
                  .result,
              kErrorSuccess);
    EXPECT_FALSE(test.Exists(L"NewOwners\\123456"));
    test.SetDacl(L"NewOwners", before.c_str());
}

// Denied on the account's key, or on a key below it: the key that exists and could not be
// deleted is reported, and stays. (Wine grants DELETE whatever the DACL says, so the keys
// here grant nothing at all.)
TEST(Win32RegistryTest, ADeniedKeyIsReportedAndKept) {
    const TestKey test;
    test.Create(L"NewOwners\\123456\\Sub");
    test.Create(L"NewOwners\\654321\\Locked");
    test.Create(L"NewOwners\\654321\\Free");
    const std::wstring accountDacl = test.SetDacl(L"NewOwners\\123456", L"D:P");
    const std::wstring lockedDacl = test.SetDacl(L"NewOwners\\654321\\Locked", L"D:P");

    Win32Registry registry;
    const std::wstring parent = test.Join(L"NewOwners");
    const DeleteResult denied = registry.DeleteTree(
        kHkeyCurrentUser, parent, L"123456", RegistryView::kNative, LinkRule::kFollowAboveAccount);
    EXPECT_EQ(denied.result, kErrorAccessDenied);
    EXPECT_FALSE(denied.partly);
    // Free went, Locked and the account stay: partly erased.
    const DeleteResult partly = registry.DeleteTree(kHkeyCurrentUser, parent, L"654321",
                                                    RegistryView::kNative, LinkRule::kFollowNone);
    EXPECT_EQ(partly.result, kErrorAccessDenied);
    EXPECT_TRUE(partly.partly);
    EXPECT_TRUE(test.Exists(L"NewOwners\\123456\\Sub"));
    EXPECT_TRUE(test.Exists(L"NewOwners\\654321\\Locked"));
    EXPECT_FALSE(test.Exists(L"NewOwners\\654321\\Free"));

    test.SetDacl(L"NewOwners\\123456", accountDacl.c_str());
    test.SetDacl(L"NewOwners\\654321\\Locked", lockedDacl.c_str());
}

TEST(Win32RegistryTest, The32BitViewOfTheMachineHiveIsItsWow6432NodeBranch) {
    // One key of the same path in each view of HKLM\SOFTWARE. The 32-bit view's copy is
    // made through its real place, Software\Wow6432Node, in the 64-bit view.
    const TestKey native(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY);
    native.Create(L"123456\\Sub");
    const std::wstring wowPath = L"Software\\Wow6432Node\\" + native.path().substr(9);
    HKEY wow = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, (wowPath + L"\\123456\\Sub").c_str(), 0, nullptr,
                              0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &wow, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(wow);
    ASSERT_TRUE(native.Exists(L"123456", KEY_WOW64_32KEY)) << "the 32-bit view sees Wow6432Node";

    Win32Registry registry;
    // The strict rule knows the 32-bit view's real place for no link.
    EXPECT_EQ(registry
                  .DeleteTree(kHkeyLocalMachine, L"SOFTWARE" + native.path().substr(8), L"123456",
                              RegistryView::k32Bit, LinkRule::kFollowNone)
                  .result,
              kErrorSuccess);

    EXPECT_FALSE(native.Exists(L"123456", KEY_WOW64_32KEY));
    HKEY gone = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, (wowPath + L"\\123456").c_str(), 0,
                            KEY_READ | KEY_WOW64_64KEY, &gone),
              ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(native.Exists(L"123456\\Sub", KEY_WOW64_64KEY)) << "the 64-bit view is untouched";

    RegDeleteTreeW(HKEY_LOCAL_MACHINE, wowPath.c_str());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"Software\\Wow6432Node\\ZelvaneTest");
}

// Both forms of the user's virtual store of the machine hive are places of their own.
TEST(Win32RegistryTest, TheVirtualStoreCopiesAreErased) {
    Win32Registry registry;
    const std::wstring uin = L"ZelvaneTest-" + std::to_wstring(GetCurrentProcessId());
    for (const wchar_t* parent :
         {L"Software\\Classes\\VirtualStore\\MACHINE\\SOFTWARE\\Wow6432Node\\Mirabilis\\ICQ\\NewOwn"
          L"ers",
          L"Software\\Classes\\VirtualStore\\MACHINE\\SOFTWARE\\Mirabilis\\ICQ\\NewOwners"}) {
        const std::wstring key = parent + (L"\\" + uin + L"\\Sub");
        HKEY made = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &made, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(made);
        EXPECT_EQ(registry
                      .DeleteTree(kHkeyCurrentUser, parent, uin, RegistryView::kNative,
                                  LinkRule::kFollowAboveAccount)
                      .result,
                  kErrorSuccess);
        EXPECT_EQ(
            RegOpenKeyExW(HKEY_CURRENT_USER, (parent + (L"\\" + uin)).c_str(), 0, KEY_READ, &made),
            ERROR_FILE_NOT_FOUND);
    }
}

// With more rights than the hive's owner, a link replacing NewOwners or a key above it
// refuses the place and its target stays; the user's own erase follows it.
TEST(Win32RegistryTest, TheStrictRuleRefusesALinkAnywhereAboveTheAccount) {
    const TestKey test;
    test.Create(L"Victim\\111\\Sub");
    test.Create(L"Real\\NewOwners\\111");
    test.Create(L"Plain\\NewOwners\\111\\Sub");
    test.Link(L"NewOwners", test, L"Victim");
    test.Link(L"Mirabilis", test, L"Real");

    Win32Registry registry;
    for (const wchar_t* parent : {L"NewOwners", L"Mirabilis\\NewOwners"}) {
        EXPECT_EQ(registry
                      .DeleteTree(kHkeyCurrentUser, test.Join(parent), L"111",
                                  RegistryView::kNative, LinkRule::kFollowNone)
                      .result,
                  kErrorRegistryLink)
            << parent;
    }
    EXPECT_TRUE(test.Exists(L"Victim\\111\\Sub"));
    EXPECT_TRUE(test.Exists(L"Real\\NewOwners\\111"));

    // No link: erased; not there below the real key: not there.
    EXPECT_EQ(registry
                  .DeleteTree(kHkeyCurrentUser, test.Join(L"Plain\\NewOwners"), L"111",
                              RegistryView::kNative, LinkRule::kFollowNone)
                  .result,
              kErrorSuccess);
    EXPECT_FALSE(test.Exists(L"Plain\\NewOwners\\111"));
    EXPECT_EQ(registry
                  .DeleteTree(kHkeyCurrentUser, test.Join(L"Plain\\NewOwners"), L"111",
                              RegistryView::kNative, LinkRule::kFollowNone)
                  .result,
              kErrorFileNotFound);

    EXPECT_EQ(registry
                  .DeleteTree(kHkeyCurrentUser, test.Join(L"NewOwners"), L"111",
                              RegistryView::kNative, LinkRule::kFollowAboveAccount)
                  .result,
              kErrorSuccess);
    EXPECT_FALSE(test.Exists(L"Victim\\111"));
    EXPECT_EQ(registry
                  .DeleteTree(kHkeyCurrentUser, test.path(), L"NewOwners", RegistryView::kNative,
                              LinkRule::kFollowNone)
                  .result,
              kErrorSuccess);
    EXPECT_EQ(registry
                  .DeleteTree(kHkeyCurrentUser, test.path(), L"Mirabilis", RegistryView::kNative,
                              LinkRule::kFollowNone)
                  .result,
              kErrorSuccess);
}

// A link is told by the key itself: a key of any kind may hold a value named
// SymbolicLinkValue of type REG_LINK, and a link whose target is gone is a link all the same.
// A key that grants the erase's rights alone refuses its values to the walk.
TEST(Win32RegistryTest, ALinkIsToldByTheKeyNotByItsValues) {
    const TestKey test;
    test.Create(L"Target");
    test.Create(L"NewOwners\\123456\\Plain\\Below");
    test.Link(L"NewOwners\\123456\\Link", test, L"Target");
    test.Link(L"NewOwners\\123456\\Dangling", test, L"Gone");
    const std::wstring target = UserKeyNtPath() + L"\\" + test.Join(L"Target");
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, test.Join(L"NewOwners\\123456\\Plain").c_str(),
                              L"SymbolicLinkValue", REG_LINK, target.data(),
                              static_cast<DWORD>(target.size() * sizeof(wchar_t))),
              ERROR_SUCCESS);
    test.Create(L"NewOwners\\123456\\EraseOnly");
    const std::wstring dacl =
        test.SetDacl(L"NewOwners\\123456\\EraseOnly", L"D:P(A;;0x10008;;;WD)");

    Win32Registry registry;
    RegKey account = 0;
    ASSERT_EQ(registry.OpenSubtree(kHkeyCurrentUser, test.Join(L"NewOwners"), L"123456",
                                   RegistryView::kNative, LinkRule::kFollowNone, KeyAccess::kRead,
                                   account),
              kErrorSuccess);
    const auto linkOf = [&](const wchar_t* name, KeyAccess access, std::wstring& where) {
        RegKey key = 0;
        EXPECT_EQ(registry.OpenSubkey(account, name, access, key), kErrorSuccess) << name;
        bool link = false;
        where.clear();
        EXPECT_EQ(registry.LinkTarget(key, link, where), kErrorSuccess) << name;
        registry.CloseKey(key);
        return link;
    };
    std::wstring where;
    EXPECT_FALSE(linkOf(L"Plain", KeyAccess::kRead, where));
    EXPECT_TRUE(linkOf(L"Link", KeyAccess::kRead, where));
    EXPECT_EQ(where, target);
    EXPECT_TRUE(linkOf(L"Dangling", KeyAccess::kErase, where));
    EXPECT_EQ(where, UserKeyNtPath() + L"\\" + test.Join(L"Gone"));
    EXPECT_FALSE(linkOf(L"EraseOnly", KeyAccess::kErase, where));

    RegKey key = 0;
    EXPECT_EQ(registry.OpenSubkey(account, L"EraseOnly", KeyAccess::kEraseAndRead, key),
              kErrorAccessDenied);
    ASSERT_EQ(registry.OpenSubkey(account, L"Plain", KeyAccess::kEraseAndRead, key), kErrorSuccess);
    RegistryValue value;
    EXPECT_EQ(registry.EnumValue(key, 0, value), kErrorSuccess);
    EXPECT_EQ(value.name, L"SymbolicLinkValue");
    registry.CloseKey(key);
    registry.CloseKey(account);
    test.SetDacl(L"NewOwners\\123456\\EraseOnly", dacl.c_str());
}

// Any program of the user can give a key a counted name that holds a NUL; each such key is
// deleted by its own name, never as the key above it or a shorter name.
TEST(Win32RegistryTest, ChildrenWithNulsInTheirNamesAreErased) {
    using NtCreateKeyFn = LONG(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, ULONG,
                                       PUNICODE_STRING, ULONG, PULONG);
    const auto createKey = reinterpret_cast<NtCreateKeyFn>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtCreateKey")));
    ASSERT_NE(createKey, nullptr);
    const TestKey test;
    const std::wstring names[] = {std::wstring(L"\0x", 2), std::wstring(L"A\0B", 3)};
    for (const wchar_t* account : {L"NewOwners\\111", L"NewOwners\\222"}) {
        test.Create(std::wstring(account) + L"\\A");
        HKEY parent = nullptr;
        ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, test.Join(account).c_str(), 0, KEY_ALL_ACCESS,
                                &parent),
                  ERROR_SUCCESS);
        for (const std::wstring& name : names) {
            UNICODE_STRING counted{static_cast<USHORT>(name.size() * 2),
                                   static_cast<USHORT>(name.size() * 2),
                                   const_cast<PWSTR>(name.data())};
            OBJECT_ATTRIBUTES attributes;
            InitializeObjectAttributes(&attributes, &counted, OBJ_CASE_INSENSITIVE, parent,
                                       nullptr);
            HANDLE child = nullptr;
            ASSERT_GE(createKey(&child, KEY_ALL_ACCESS, &attributes, 0, nullptr, 0, nullptr), 0);
            CloseHandle(child);
        }
        RegCloseKey(parent);
    }

    Win32Registry registry;
    const std::wstring parent = test.Join(L"NewOwners");
    EXPECT_EQ(registry
                  .DeleteTree(kHkeyCurrentUser, parent, L"111", RegistryView::kNative,
                              LinkRule::kFollowAboveAccount)
                  .result,
              kErrorSuccess);
    EXPECT_EQ(registry
                  .DeleteTree(kHkeyCurrentUser, parent, L"222", RegistryView::kNative,
                              LinkRule::kFollowNone)
                  .result,
              kErrorSuccess);
    EXPECT_FALSE(test.Exists(L"NewOwners\\111"));
    EXPECT_FALSE(test.Exists(L"NewOwners\\222"));
    EXPECT_TRUE(test.Exists(L"NewOwners"));
}

// A listing that follows no link opens neither a key reached through one nor a link itself,
// and opens a plain path whatever the case of its letters, in every hive and view.
TEST(Win32RegistryTest, OpenKeyWithoutLinksRefusesALinkOnThePathOrAtItsEnd) {
    const TestKey test;
    test.Create(L"Real\\NewOwners\\111");
    test.Link(L"Mirabilis", test, L"Real");
    test.Link(L"Direct", test, L"Real\\NewOwners");

    Win32Registry registry;
    RegKey key = 0;
    const auto strict = [&](std::int32_t root, const std::wstring& path, RegistryView view) {
        const long result = registry.OpenKey(root, path, key, view, LinkRule::kFollowNone);
        EXPECT_EQ(key != 0, result == kErrorSuccess) << "a handle exactly when it opened";
        registry.CloseKey(key);
        return result;
    };
    const RegistryView native = RegistryView::kNative;
    for (const wchar_t* path : {L"Mirabilis\\NewOwners", L"Direct"}) {
        EXPECT_EQ(strict(kHkeyCurrentUser, test.Join(path), native), kErrorRegistryLink) << path;
        ASSERT_EQ(registry.OpenKey(kHkeyCurrentUser, test.Join(path), key), kErrorSuccess) << path;
        long end = 0;
        EXPECT_EQ(EnumerateAll(registry, key, end), std::vector<std::wstring>{L"111"}) << path;
        registry.CloseKey(key);
    }
    EXPECT_EQ(strict(kHkeyCurrentUser, test.Join(L"Nowhere"), native), kErrorFileNotFound);
    EXPECT_EQ(strict(kHkeyCurrentUser, test.Join(L"Real\\NewOwners"), native), kErrorSuccess);
    EXPECT_EQ(strict(kHkeyUsers, L".default\\software", native), kErrorSuccess);
    EXPECT_EQ(strict(kHkeyLocalMachine, L"software\\microsoft", native), kErrorSuccess);
    EXPECT_EQ(strict(kHkeyLocalMachine, L"software\\microsoft", RegistryView::k32Bit),
              kErrorSuccess);
}

// A walk of an account opens the account as DeleteTree reaches it, the account's key as the
// link it may be, and below it each child by its own name alone: never a grandchild through
// a path, nor the key itself through an empty name.
TEST(Win32RegistryTest, AWalkOpensTheAccountAsTheEraseReachesItAndEachChildByItsName) {
    const TestKey test;
    test.Create(L"Real\\NewOwners\\111\\Sub\\Deep");
    test.Create(L"Victim\\Child");
    test.Link(L"Mirabilis", test, L"Real");
    test.Link(L"Real\\NewOwners\\222", test, L"Victim");

    Win32Registry registry;
    const std::wstring viaLink = test.Join(L"Mirabilis\\NewOwners");
    RegKey account = 0;
    EXPECT_EQ(registry.OpenSubtree(kHkeyCurrentUser, viaLink, L"111", RegistryView::kNative,
                                   LinkRule::kFollowNone, KeyAccess::kRead, account),
              kErrorRegistryLink);
    EXPECT_EQ(account, 0u);
    ASSERT_EQ(registry.OpenSubtree(kHkeyCurrentUser, viaLink, L"111", RegistryView::kNative,
                                   LinkRule::kFollowAboveAccount, KeyAccess::kRead, account),
              kErrorSuccess);
    RegKey sub = 0;
    EXPECT_NE(registry.OpenSubkey(account, L"Sub\\Deep", KeyAccess::kRead, sub), kErrorSuccess);
    EXPECT_NE(registry.OpenSubkey(account, L"", KeyAccess::kRead, sub), kErrorSuccess);
    EXPECT_EQ(sub, 0u);
    EXPECT_EQ(registry.OpenSubkey(account, L"Missing", KeyAccess::kRead, sub), kErrorFileNotFound);
    ASSERT_EQ(registry.OpenSubkey(account, L"sub", KeyAccess::kErase, sub), kErrorSuccess);
    long end = 0;
    EXPECT_EQ(EnumerateAll(registry, sub, end), std::vector<std::wstring>{L"Deep"});
    registry.CloseKey(sub);
    registry.CloseKey(account);

    // An account that is a link has no subkeys of its own, whatever its target holds.
    for (const LinkRule rule : {LinkRule::kFollowAboveAccount, LinkRule::kFollowNone}) {
        ASSERT_EQ(registry.OpenSubtree(kHkeyCurrentUser, test.Join(L"Real\\NewOwners"), L"222",
                                       RegistryView::kNative, rule, KeyAccess::kRead, account),
                  kErrorSuccess);
        EXPECT_TRUE(EnumerateAll(registry, account, end).empty());
        bool link = false;
        std::wstring target;
        EXPECT_EQ(registry.LinkTarget(account, link, target), kErrorSuccess);
        EXPECT_TRUE(link);
        registry.CloseKey(account);
    }
}

// Each value comes whole, its name and its bytes, also while another program rewrites it: a
// value that grows between the call that sizes it and the call that reads it is read again.
TEST(Win32RegistryTest, EnumValueReadsEachValueWholeWhileItGrowsAndShrinks) {
    const TestKey test;
    test.Create(L"Values");
    HKEY values = nullptr;
    ASSERT_EQ(
        RegOpenKeyExW(HKEY_CURRENT_USER, test.Join(L"Values").c_str(), 0, KEY_SET_VALUE, &values),
        ERROR_SUCCESS);
    const auto set = [&](const RegistryValue& to) {
        return RegSetValueExW(values, to.name.c_str(), 0, to.type, to.data.data(),
                              static_cast<DWORD>(to.data.size()));
    };
    const RegistryValue small{L"Grows", kRegDword, {1, 2, 3, 4}};
    const RegistryValue large{L"Grows", kRegBinary, std::vector<std::uint8_t>(4096, 0xb5)};
    const RegistryValue longest{std::wstring(16383, L'n'), kRegNone, {}};
    ASSERT_EQ(set(small), ERROR_SUCCESS);
    ASSERT_EQ(set(longest), ERROR_SUCCESS);

    Win32Registry registry;
    RegKey key = 0;
    ASSERT_EQ(registry.OpenSubtree(kHkeyCurrentUser, test.path(), L"Values", RegistryView::kNative,
                                   LinkRule::kFollowNone, KeyAccess::kRead, key),
              kErrorSuccess);
    RegistryValue value;
    EXPECT_EQ(registry.EnumValue(key, 1, value), kErrorSuccess);
    EXPECT_EQ(value, longest);
    EXPECT_EQ(registry.EnumValue(key, 2, value), kErrorNoMoreItems);

    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (bool grow = true; !stop; grow = !grow) set(grow ? large : small);
    });
    // Read until each has come back many times (or for 20 s at most), racing the writer.
    int smalls = 0;
    int larges = 0;
    long result = kErrorSuccess;
    const ULONGLONG until = GetTickCount64() + 20000;
    while (result == kErrorSuccess && (smalls < 100 || larges < 100) && GetTickCount64() < until) {
        result = registry.EnumValue(key, 0, value);
        smalls += value == small;
        larges += value == large;
        if (result == kErrorSuccess && value != small && value != large) result = -1;  // torn
    }
    stop = true;
    writer.join();
    EXPECT_EQ(result, kErrorSuccess) << value.type << " " << value.data.size();
    EXPECT_TRUE(smalls > 0 && larges > 0)
        << "the reads raced the writes: " << smalls << "/" << larges;
    registry.CloseKey(key);
    RegCloseKey(values);
}

// Nested deep enough, keys have real names longer than the 32,767 characters a counted string
// holds. Each is read and erased by its own name; the link check of one deep down, which opens
// its real name, neither cuts the name short nor takes the key for a link, and tells a real
// link there.
TEST(Win32RegistryTest, KeysWhoseRealNamesOutgrowACountedStringAreReadAndErased) {
    const TestKey test;
    test.Create(L"Target");
    test.Create(L"NewOwners\\123456");
    HKEY at = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, test.Join(L"NewOwners\\123456").c_str(), 0,
                            KEY_ALL_ACCESS, &at),
              ERROR_SUCCESS);
    const std::wstring name(250, L'k');
    for (int depth = 0; depth < 140; ++depth) {
        HKEY next = nullptr;
        ASSERT_EQ(RegCreateKeyExW(at, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &next,
                                  nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(at);
        at = next;
    }
    const std::wstring target = UserKeyNtPath() + L"\\" + test.Join(L"Target");
    const auto linkValue = [&](HKEY key) {
        return RegSetValueExW(key, L"SymbolicLinkValue", 0, REG_LINK,
                              reinterpret_cast<const BYTE*>(target.data()),
                              static_cast<DWORD>(target.size() * sizeof(wchar_t)));
    };
    EXPECT_EQ(linkValue(at), ERROR_SUCCESS);
    HKEY link = nullptr;
    ASSERT_EQ(RegCreateKeyExW(at, L"Link", 0, nullptr, REG_OPTION_CREATE_LINK,
                              KEY_ALL_ACCESS | KEY_CREATE_LINK, nullptr, &link, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(linkValue(link), ERROR_SUCCESS);
    RegCloseKey(link);
    RegCloseKey(at);

    Win32Registry registry;
    const AccountPlace place{kHkeyCurrentUser, test.Join(L"NewOwners"), RegistryView::kNative,
                             PlaceScope::kUser};
    const AccountSubtree read =
        ReadAccountSubtree(registry, place, L"123456", LinkRule::kFollowNone, KeyAccess::kRead);
    ASSERT_EQ(read.result, kErrorSuccess);
    ASSERT_EQ(read.keys.size(), 141u);
    EXPECT_GT(read.keys.back().path.size(), 35000u);
    EXPECT_EQ(read.keys.back().values.size(), 1u);
    ASSERT_EQ(read.links.size(), 1u);
    EXPECT_EQ(read.links[0].target, target);
    EXPECT_EQ(EraseAsBackedUp(registry, place, L"123456", LinkRule::kFollowNone, read).result,
              kErrorSuccess);
    EXPECT_FALSE(test.Exists(L"NewOwners\\123456"));
    EXPECT_TRUE(test.Exists(L"Target"));
}

// Another program makes and deletes a key below the account, and another account beside it,
// over and over: a read of the account is whole or says it changed, and the listing names the
// account or says why it cannot, but neither ever takes the account for not there.
TEST(Win32RegistryTest, KeysThatComeAndGoBesideTheReadNeverHideTheAccount) {
    const TestKey test;
    for (int i = 0; i < 300; ++i) test.Create(L"NewOwners\\515151\\" + std::to_wstring(1000 + i));
    std::atomic<bool> stop{false};
    std::thread churn([&] {
        const std::wstring below = test.Join(L"NewOwners\\515151\\1500");
        const std::wstring beside = test.Join(L"NewOwners\\100000");
        while (!stop) {
            for (const std::wstring& path : {below, beside}) {
                HKEY key = nullptr;
                RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                nullptr, &key, nullptr);
                RegCloseKey(key);
                RegDeleteKeyW(HKEY_CURRENT_USER, path.c_str());
            }
        }
    });
    Win32Registry registry;
    const AccountPlace place{kHkeyCurrentUser, test.Join(L"NewOwners"), RegistryView::kNative,
                             PlaceScope::kUser};
    for (int run = 0; run < 20; ++run) {
        for (const KeyAccess access : {KeyAccess::kErase, KeyAccess::kRead}) {
            const long result =
                ReadAccountSubtree(registry, place, L"515151", LinkRule::kFollowNone, access)
                    .result;
            EXPECT_TRUE(result == kErrorSuccess || result == kErrorChangedWhileRead) << result;
        }
        std::vector<std::wstring> names;
        const long listed = AccountListing(registry).ListAccounts(
            kHkeyCurrentUser, place.parent, names, RegistryView::kNative, LinkRule::kFollowNone);
        EXPECT_TRUE(listed != kErrorSuccess ||
                    std::find(names.begin(), names.end(), L"515151") != names.end());
    }
    stop = true;
    churn.join();
}

}  // namespace
}  // namespace zelvane
