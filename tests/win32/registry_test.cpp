// The registry wrappers against Wine's real registry.
#include "platform/win32/win32_registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace zelvane {
namespace {

// A key of its own for every test, below HKCU\Software\ZelvaneTest (or the same path
// under another hive), removed with everything below it afterwards.
class TestKey {
  public:
    explicit TestKey(HKEY hive = HKEY_CURRENT_USER, REGSAM view = 0)
        : hive_(hive),
          view_(view),
          path_("Software\\ZelvaneTest\\" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(++counter_)) {
        Create("");
    }
    ~TestKey() {
        HKEY software = nullptr;
        if (RegOpenKeyExA(hive_, "Software", 0, KEY_ALL_ACCESS | view_, &software) != 0) return;
        RegDeleteTreeA(software, path_.substr(9).c_str());
        RegDeleteKeyA(software, "ZelvaneTest");  // only once it is empty
        RegCloseKey(software);
    }

    const std::string& path() const { return path_; }

    // Made through the UTF-16 call: Wine's ANSI one cannot take a path much longer than
    // MAX_PATH, and the long-name test needs one.
    void Create(const std::string& sub) const {
        const std::string path = Join(sub);
        const std::wstring wide(path.begin(), path.end());
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(hive_, wide.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view_,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS)
            << path;
        RegCloseKey(key);
    }

    void SetValue(const std::string& sub, const char* name, const char* data) const {
        ASSERT_EQ(RegSetKeyValueA(hive_, Join(sub).c_str(), name, REG_SZ, data,
                                  static_cast<DWORD>(strlen(data) + 1)),
                  ERROR_SUCCESS);
    }

    bool Exists(const std::string& sub, REGSAM view) const {
        HKEY key = nullptr;
        const LONG result = RegOpenKeyExA(hive_, Join(sub).c_str(), 0, KEY_READ | view, &key);
        if (result == ERROR_SUCCESS) RegCloseKey(key);
        return result == ERROR_SUCCESS;
    }
    bool Exists(const std::string& sub) const { return Exists(sub, view_); }

    bool HasValue(const std::string& sub, const char* name) const {
        return RegGetValueA(hive_, Join(sub).c_str(), name, RRF_RT_ANY, nullptr, nullptr,
                            nullptr) == ERROR_SUCCESS;
    }

    std::string Join(const std::string& sub) const {
        return sub.empty() ? path_ : path_ + "\\" + sub;
    }

  private:
    static inline int counter_ = 0;
    HKEY hive_;
    REGSAM view_;
    std::string path_;
};

// Every subkey name of key, read the way the account listing reads them: a fresh 255-byte
// buffer of NULs before each call, until the first non-zero result.
std::vector<std::string> EnumerateAll(Registry& registry, RegKey key, long& endResult) {
    std::vector<std::string> names;
    for (std::int32_t index = 0;; ++index) {
        std::string buffer(255, '\0');
        std::uint32_t size = 255;
        endResult = registry.EnumKey(key, index, buffer.data(), size);
        if (endResult != kErrorSuccess) return names;
        EXPECT_EQ(size, std::string(buffer.c_str()).size()) << "size written back";
        names.push_back(buffer.c_str());
    }
}

TEST(Win32RegistryTest, PredefinedHivesAreSignExtendedToTheSameHandles) {
    EXPECT_EQ(HiveHandle(kHkeyCurrentUser), HKEY_CURRENT_USER);
    EXPECT_EQ(HiveHandle(kHkeyLocalMachine), HKEY_LOCAL_MACHINE);
    EXPECT_EQ(HiveHandle(kHkeyUsers), HKEY_USERS);

    Win32Registry registry;
    RegKey key = 0;
    ASSERT_EQ(registry.OpenKey(kHkeyUsers, ".DEFAULT", key), kErrorSuccess);
    EXPECT_NE(key, 0u);
    EXPECT_EQ(registry.CloseKey(key), kErrorSuccess);
}

TEST(Win32RegistryTest, ListsSubkeyNamesExactlyThenEndsAndCloses) {
    const TestKey test;
    test.Create("123456");
    test.Create("12345678");
    test.Create("123456\\999");  // a grandchild is not a subkey of the key itself

    Win32Registry registry;
    RegKey key = 0;
    ASSERT_EQ(registry.OpenKey(kHkeyCurrentUser, test.path(), key), kErrorSuccess);
    ASSERT_NE(key, 0u);

    long end = 0;
    std::vector<std::string> names = EnumerateAll(registry, key, end);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"123456", "12345678"}));
    EXPECT_EQ(end, kErrorNoMoreItems);
    EXPECT_EQ(registry.CloseKey(key), kErrorSuccess);
}

// A full-width "123" must not come back as the name of the account "123".
TEST(Win32RegistryTest, NamesOutsideTheCodePageComeBackAsQuestionMarksNotLookAlikes) {
    const TestKey test;
    test.Create("123");
    const std::wstring path(test.path().begin(), test.path().end());
    for (const wchar_t* name : {L"\xFF11\xFF12\xFF13", L"\x0416\x4E2D"}) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (path + L"\\" + name).c_str(), 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }

    Win32Registry registry;
    RegKey key = 0;
    ASSERT_EQ(registry.OpenKey(kHkeyCurrentUser, test.path(), key), kErrorSuccess);
    long end = 0;
    std::vector<std::string> names = EnumerateAll(registry, key, end);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"123", "??", "???"}));
    EXPECT_EQ(end, kErrorNoMoreItems);
    registry.CloseKey(key);
}

TEST(Win32RegistryTest, AKeyWithoutSubkeysEndsAtOnce) {
    const TestKey test;
    Win32Registry registry;
    RegKey key = 0;
    ASSERT_EQ(registry.OpenKey(kHkeyCurrentUser, test.path(), key), kErrorSuccess);
    long end = 0;
    EXPECT_TRUE(EnumerateAll(registry, key, end).empty());
    EXPECT_EQ(end, kErrorNoMoreItems);
    EXPECT_EQ(registry.CloseKey(key), kErrorSuccess);
}

TEST(Win32RegistryTest, AMissingKeyLeavesTheHandleZeroAndEveryLaterCallFailsHarmlessly) {
    const TestKey test;
    Win32Registry registry;
    RegKey key = 0;
    EXPECT_EQ(registry.OpenKey(kHkeyCurrentUser, test.Join("NoSuchKey"), key), kErrorFileNotFound);
    EXPECT_EQ(key, 0u);

    long end = 0;
    EXPECT_TRUE(EnumerateAll(registry, key, end).empty());
    EXPECT_NE(end, kErrorSuccess);
    EXPECT_EQ(registry.CloseKey(key), kErrorInvalidHandle);
}

TEST(Win32RegistryTest, TheNameBufferHolds254CharactersAndThe255thDoesNotFit) {
    // A subkey name is at most 255 characters; with the terminating NUL the longest one
    // does not fit a 255-byte buffer, and the enumeration reports it as more data.
    const TestKey shortName;
    shortName.Create(std::string(254, 'a'));
    const TestKey longName;
    longName.Create(std::string(255, 'b'));

    Win32Registry registry;
    long end = 0;
    RegKey key = 0;
    ASSERT_EQ(registry.OpenKey(kHkeyCurrentUser, shortName.path(), key), kErrorSuccess);
    EXPECT_EQ(EnumerateAll(registry, key, end), std::vector<std::string>{std::string(254, 'a')});
    registry.CloseKey(key);

    key = 0;
    ASSERT_EQ(registry.OpenKey(kHkeyCurrentUser, longName.path(), key), kErrorSuccess);
    EXPECT_TRUE(EnumerateAll(registry, key, end).empty());
    EXPECT_EQ(end, kErrorMoreData);
    registry.CloseKey(key);
}

TEST(Win32RegistryTest, DeleteTreeRemovesTheWholeSubtreeAndNothingElse) {
    const TestKey test;
    test.Create("NewOwners\\123456\\Settings\\Deep");
    test.SetValue("NewOwners\\123456\\Settings", "Nick", "me");
    test.Create("NewOwners\\654321");
    test.SetValue("NewOwners", "Kept", "yes");

    Win32Registry registry;
    EXPECT_EQ(registry.DeleteTree(kHkeyCurrentUser, test.Join("NewOwners\\123456"),
                                  RegistryView::kNative),
              kErrorSuccess);
    EXPECT_FALSE(test.Exists("NewOwners\\123456"));
    EXPECT_TRUE(test.Exists("NewOwners\\654321"));
    EXPECT_TRUE(test.HasValue("NewOwners", "Kept"));

    // Gone already: reported, not thrown, and nothing else is touched.
    EXPECT_NE(registry.DeleteTree(kHkeyCurrentUser, test.Join("NewOwners\\123456"),
                                  RegistryView::kNative),
              kErrorSuccess);
    EXPECT_TRUE(test.Exists("NewOwners\\654321"));
}

TEST(Win32RegistryTest, The32BitViewOfTheMachineHiveIsItsWow6432NodeBranch) {
    // One key of the same path in each view of HKLM\SOFTWARE. The 32-bit view's copy is
    // made through its real place, Software\Wow6432Node, in the 64-bit view.
    const TestKey native(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY);
    native.Create("123456\\Sub");
    const std::string wowPath = "Software\\Wow6432Node\\" + native.path().substr(9);
    HKEY wow = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, (wowPath + "\\123456\\Sub").c_str(), 0, nullptr,
                              0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &wow, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(wow);
    ASSERT_TRUE(native.Exists("123456", KEY_WOW64_32KEY)) << "the 32-bit view sees Wow6432Node";

    Win32Registry registry;
    const std::string path = "SOFTWARE" + native.path().substr(8) + "\\123456";
    EXPECT_EQ(registry.DeleteTree(kHkeyLocalMachine, path, RegistryView::k32Bit), kErrorSuccess);

    EXPECT_FALSE(native.Exists("123456", KEY_WOW64_32KEY));
    HKEY gone = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, (wowPath + "\\123456").c_str(), 0,
                            KEY_READ | KEY_WOW64_64KEY, &gone),
              ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(native.Exists("123456\\Sub", KEY_WOW64_64KEY)) << "the 64-bit view is untouched";

    RegDeleteTreeA(HKEY_LOCAL_MACHINE, wowPath.c_str());
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Wow6432Node\\ZelvaneTest");
}

}  // namespace
}  // namespace zelvane
