#pragma once

#include <windows.h>

#include "platform/strings.h"

namespace zelvane {

// The module's string tables (RT_STRING resources), read in one language: the one that the
// user's display language is best served by, or the one given. Windows finds a string table
// in some language when the one asked for has none, so only a language the module holds is
// asked for, and a string that language lacks is read from the English table.
class Win32Strings : public Strings {
  public:
    explicit Win32Strings(HMODULE module);
    Win32Strings(HMODULE module, LanguageId user);

    std::wstring_view Text(int id) const override;
    LanguageId Language() const override { return language_; }

  private:
    std::wstring_view Find(int id, LanguageId language) const;

    HMODULE module_;
    LanguageId language_ = kEnglish;
};

}  // namespace zelvane
