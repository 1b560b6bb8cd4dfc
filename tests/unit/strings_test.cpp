#include <clocale>
#include <cwctype>
#include <map>
#include <set>

#include <gtest/gtest.h>

#include "platform/memory/memory_strings.h"
#include "resource_ids.h"

namespace zelvane {
namespace {

std::multiset<std::wstring> Markers(std::wstring_view text) {
    std::multiset<std::wstring> markers;
    for (auto at = text.find(L'%'); at != text.npos; at = text.find(L'%', at + 1))
        markers.insert(std::wstring(text.substr(at, 2)));
    return markers;
}

// Each id has an English text, each translation the same markers; in each window every
// button has its own access key and no label has one (it would take a key from a control).
TEST(StringTablesTest, EveryTranslationFitsTheEnglishTable) {
    std::setlocale(LC_CTYPE, "C.UTF-8");  // upper case beyond ASCII
    std::map<int, std::wstring_view> english;
    for (const StringEntry& entry : StringTables().front().entries) english[entry.id] = entry.text;
    for (const int id : StringIds()) EXPECT_FALSE(english[id].empty()) << id;
    for (const StringTable& table : StringTables()) {
        SCOPED_TRACE(table.language);
        std::map<int, std::wstring_view> texts = english;
        for (const StringEntry& entry : table.entries) {
            ASSERT_TRUE(english.contains(entry.id)) << entry.id;
            EXPECT_EQ(Markers(entry.text), Markers(english[entry.id])) << entry.id;
            texts[entry.id] = entry.text;
        }
        std::set<wint_t> keys;
        for (const int id : {IDS_ERASE_BUTTON, IDS_ABOUT_BUTTON}) {
            const auto at = texts[id].find(L'&');
            ASSERT_LT(at + 1, texts[id].size()) << id;
            EXPECT_TRUE(keys.insert(std::towupper(texts[id][at + 1])).second) << id;
        }
        for (const int id : {IDS_UIN_LABEL, IDS_MADE_BY, IDS_EMAIL, IDS_UIN_CAPTION})
            EXPECT_EQ(texts[id].find(L'&'), std::wstring_view::npos) << id;
    }
}

}  // namespace
}  // namespace zelvane
