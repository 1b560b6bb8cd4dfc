#include <clocale>
#include <cwctype>
#include <map>
#include <set>

#include "main_window_fixture.h"
#include "platform/memory/memory_strings.h"
#include "resource_ids.h"

namespace zelvane {
namespace {

std::multiset<std::wstring> Markers(std::wstring_view text) {
    std::multiset<std::wstring> markers;
    for (std::size_t at = text.find(L'%'); at != text.npos; at = text.find(L'%', at + 1)) {
        markers.insert(std::wstring(text.substr(at, 2)));
    }
    return markers;
}

// The access key of each text, upper case; 0 for none. A text with two marks has none.
wchar_t AccessKey(std::wstring_view text) {
    const std::size_t at = text.find(L'&');
    if (at == text.npos || at + 1 >= text.size() || text.find(L'&', at + 1) != text.npos) return 0;
    return static_cast<wchar_t>(std::towupper(static_cast<wint_t>(text[at + 1])));
}

// What each window's controls show: its buttons have an access key each, none shared; its
// labels none, or a letter in them would take a key from a control.
struct WindowTexts {
    std::vector<int> buttons;
    std::vector<int> labels;
};

TEST(StringTablesTest, EveryTranslationFitsTheEnglishTable) {
    std::setlocale(LC_CTYPE, "C.UTF-8");  // upper case beyond ASCII
    std::map<int, std::wstring_view> english;
    for (const StringEntry& entry : StringTables().front().entries) english[entry.id] = entry.text;
    ASSERT_EQ(StringTables().front().language, kEnglish);
    for (const int id : StringIds()) EXPECT_FALSE(english[id].empty()) << id;

    const WindowTexts windows[] = {
        {{IDS_ERASE_BUTTON, IDS_ABOUT_BUTTON}, {IDS_UIN_LABEL}},
        {{}, {IDS_MADE_BY, IDS_EMAIL, IDS_UIN_CAPTION}},
    };
    for (const StringTable& table : StringTables()) {
        SCOPED_TRACE(testing::Message() << std::hex << table.language);
        std::map<int, std::wstring_view> texts;
        for (const StringEntry& entry : table.entries) {
            EXPECT_TRUE(texts.emplace(entry.id, entry.text).second) << "twice: " << entry.id;
            ASSERT_TRUE(english.contains(entry.id)) << "not in English: " << entry.id;
            EXPECT_EQ(Markers(entry.text), Markers(english[entry.id])) << entry.id;
        }
        for (const WindowTexts& window : windows) {
            std::set<wchar_t> keys;
            for (const int id : window.buttons) {
                const std::wstring_view text = texts.contains(id) ? texts[id] : english[id];
                EXPECT_NE(AccessKey(text), 0) << id;
                EXPECT_TRUE(keys.insert(AccessKey(text)).second) << "key taken: " << id;
            }
            for (const int id : window.labels) {
                EXPECT_EQ(texts[id].find(L'&'), std::wstring_view::npos) << id;
            }
        }
    }
}

class LanguageTest : public MainWindowTest {
  public:
    explicit LanguageTest(LanguageId language = 0x040D) : MainWindowTest(0, language) {}
};

// Hebrew: both windows mirrored; every box reads right to left, with the number and the
// places kept left to right inside the sentence. A pasted marker stays as it was typed.
TEST_F(LanguageTest, HebrewReadsRightToLeftAroundNumbersAndPaths) {
    EXPECT_TRUE(mainLayout.rightToLeft);
    EXPECT_TRUE(aboutLayout.rightToLeft);
    registry.FailDelete(kHkeyCurrentUser, RegistryView::kNative, kErrorAccessDenied);
    Load();
    uinBox.text = L"12%1";
    runtime.answers = {kAnswerYes};
    main.OnEraseClick();
    ASSERT_EQ(runtime.shown.size(), 2u);
    for (const ShownMessage& message : runtime.shown) {
        EXPECT_EQ(message.buttons & (kRightAligned | kRightToLeftReading),
                  kRightAligned | kRightToLeftReading);
    }
    EXPECT_EQ(runtime.shown[0].prompt,
              L"האם אתה בטוח שברצונך למחוק UIN זה? (\x202A"
              L"12%1\x202C)");
    EXPECT_EQ(runtime.shown[0].title, L"אישור");
    EXPECT_NE(
        runtime.shown[1].prompt.find(
            L"\x202AHKEY_CURRENT_USER\\Software\\Mirabilis\\ICQ\\NewOwners\x202C (הגישה נדחתה)"),
        std::wstring::npos);
}

}  // namespace
}  // namespace zelvane
