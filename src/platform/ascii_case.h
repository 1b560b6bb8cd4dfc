#pragma once

#include <string_view>

namespace zelvane {

// Whether two names are the same but for the case of ASCII letters, as the registry compares
// key names and Windows compares the names of files and programs (for the names this
// program compares: digits and ASCII).
bool SameIgnoringAsciiCase(std::wstring_view a, std::wstring_view b);
// Whether the text is longer than the suffix and ends with it, compared so.
bool EndsWithIgnoringAsciiCase(std::wstring_view text, std::wstring_view suffix);

}  // namespace zelvane
