#include "platform/memory/memory_strings.h"

#include <vector>

namespace zelvane {

namespace {

const StringEntry* Find(LanguageId language, int id) {
    for (const StringTable& table : StringTables()) {
        if (table.language != language) continue;
        for (const StringEntry& entry : table.entries) {
            if (entry.id == id) return &entry;
        }
    }
    return nullptr;
}

}  // namespace

MemoryStrings::MemoryStrings(LanguageId user) {
    std::vector<LanguageId> provided;
    for (const StringTable& table : StringTables()) provided.push_back(table.language);
    language_ = ChooseLanguage(user, provided);
}

std::wstring_view MemoryStrings::Text(int id) const {
    const StringEntry* entry = Find(language_, id);
    if (entry == nullptr) entry = Find(kEnglish, id);
    return entry != nullptr ? entry->text : std::wstring_view();
}

}  // namespace zelvane
