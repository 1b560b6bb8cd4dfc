#include "platform/strings.h"

#include <algorithm>

namespace zelvane {

namespace {

constexpr int kHebrew = 0x0D;
constexpr int kArabic = 0x01;
constexpr int kPersian = 0x29;
constexpr int kUrdu = 0x20;

// Embedding marks (LRE ... PDF), not the isolates (LRI ... PDI): the isolates came with
// Unicode 6.3 in 2013, after Windows XP's and 7's Uniscribe, which may draw an unknown mark
// as a box; every Windows since 2000 knows the embeddings.
constexpr wchar_t kLeftToRightEmbedding = L'\x202A';
constexpr wchar_t kPopDirectionalFormatting = L'\x202C';

}  // namespace

std::wstring Joined(std::initializer_list<std::wstring_view> parts) {
    std::wstring text;
    for (const std::wstring_view part : parts) text += part;
    return text;
}

bool Strings::RightToLeft() const {
    const int primary = PrimaryLanguage(Language());
    return primary == kHebrew || primary == kArabic || primary == kPersian || primary == kUrdu;
}

LanguageId ChooseLanguage(LanguageId user, std::span<const LanguageId> provided) {
    if (std::find(provided.begin(), provided.end(), user) != provided.end()) return user;
    const auto sameLanguage = std::find_if(
        provided.begin(), provided.end(),
        [user](LanguageId language) { return PrimaryLanguage(language) == PrimaryLanguage(user); });
    return sameLanguage != provided.end() ? *sameLanguage : kEnglish;
}

std::wstring Format(std::wstring_view pattern, std::initializer_list<std::wstring_view> arguments) {
    std::wstring text;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const wchar_t next = i + 1 < pattern.size() ? pattern[i + 1] : L'\0';
        const auto index = static_cast<std::size_t>(next - L'1');
        if (pattern[i] == L'%' && next >= L'1' && next <= L'9' && index < arguments.size()) {
            text += arguments.begin()[index];
            ++i;
        } else {
            text += pattern[i];
        }
    }
    return text;
}

std::wstring LeftToRightRun(const Strings& strings, std::wstring_view text) {
    if (!strings.RightToLeft() || text.empty()) return std::wstring(text);
    std::wstring run(1, kLeftToRightEmbedding);
    run += text;
    run += kPopDirectionalFormatting;
    return run;
}

}  // namespace zelvane
