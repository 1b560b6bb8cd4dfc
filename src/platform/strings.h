#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace zelvane {

// A Windows language id (LANGID): the primary language in the low ten bits, the region in
// the six above them.
using LanguageId = std::uint16_t;

inline constexpr LanguageId kEnglish = 0x0409;

constexpr int PrimaryLanguage(LanguageId language) {
    return language & 0x3FF;
}

// The words the windows show, looked up by their ids (resource_ids.h) in one language, chosen
// for the user when the program starts.
class Strings {
  public:
    virtual ~Strings() = default;
    // The text in the chosen language, or in English where that language has none; empty for
    // an id that no table has. It stays valid as long as this object.
    virtual std::wstring_view Text(int id) const = 0;
    virtual LanguageId Language() const = 0;

    bool RightToLeft() const;
};

// The one of the provided languages that a user of the given one reads best: the same, else
// the same language of another region, else English.
LanguageId ChooseLanguage(LanguageId user, std::span<const LanguageId> provided);

// The parts one after another: one call where a chain of + makes a string at every step.
std::wstring Joined(std::initializer_list<std::wstring_view> parts);

// The pattern with each marker %1 to %9 replaced by that argument. An argument is put in as
// it is: a marker inside it (a pasted "%1") is not replaced again.
std::wstring Format(std::wstring_view pattern, std::initializer_list<std::wstring_view> arguments);

// The text as a run that reads left to right even inside a right-to-left sentence: an account
// number or a registry path, whose backslashes and digits would otherwise be reordered.
// Unchanged where the language reads left to right.
std::wstring LeftToRightRun(const Strings& strings, std::wstring_view text);

}  // namespace zelvane
