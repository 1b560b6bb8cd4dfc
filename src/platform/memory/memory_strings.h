#pragma once

#include <span>
#include <string_view>

#include "platform/strings.h"

namespace zelvane {

struct StringEntry {
    int id;
    std::wstring_view text;
};

struct StringTable {
    LanguageId language;
    std::span<const StringEntry> entries;
};

// The program's string tables, English first: generated at build time from the same .rc
// files that zelvane.exe's resources are compiled from.
std::span<const StringTable> StringTables();
// Every string id that resource_ids.h defines.
std::span<const int> StringIds();

// The program's string tables served from memory, in the language the program would choose
// for a user of the given one, with English for any string that language lacks.
class MemoryStrings : public Strings {
  public:
    explicit MemoryStrings(LanguageId user = kEnglish);

    std::wstring_view Text(int id) const override;
    LanguageId Language() const override { return language_; }

  private:
    LanguageId language_;
};

}  // namespace zelvane
