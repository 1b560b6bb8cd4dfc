#include "platform/win32/win32_strings.h"

#include <algorithm>
#include <vector>

namespace zelvane {

namespace {

// Windows keeps strings in blocks of sixteen, each the resource named by its first id / 16 + 1.
LPCWSTR BlockOf(int id) {
    return MAKEINTRESOURCEW(id / 16 + 1);
}

BOOL CALLBACK AddLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR list) {
    reinterpret_cast<std::vector<LanguageId>*>(list)->push_back(language);
    return TRUE;
}

// The languages the module has a string table in, for the block of the given id.
std::vector<LanguageId> TableLanguages(HMODULE module, int id) {
    std::vector<LanguageId> languages;
    EnumResourceLanguagesW(module, RT_STRING, BlockOf(id), &AddLanguage,
                           reinterpret_cast<LONG_PTR>(&languages));
    return languages;
}

}  // namespace

// The user's display language: the one Windows itself shows menus and messages in, on XP (a
// MUI language, or the language of the installation) as on Windows 11.
Win32Strings::Win32Strings(HMODULE module) : Win32Strings(module, GetUserDefaultUILanguage()) {}

// Chosen among the languages of the first block, which every table has.
Win32Strings::Win32Strings(HMODULE module, LanguageId user) : module_(module) {
    language_ = ChooseLanguage(user, TableLanguages(module, 1));
}

std::wstring_view Win32Strings::Text(int id) const {
    const std::wstring_view text = Find(id, language_);
    return text.empty() && language_ != kEnglish ? Find(id, kEnglish) : text;
}

// A block holds sixteen counted strings one after another, an empty one as a bare zero
// count. The text stays where the module maps it, as long as the module is loaded.
std::wstring_view Win32Strings::Find(int id, LanguageId language) const {
    const std::vector<LanguageId> languages = TableLanguages(module_, id);
    if (std::find(languages.begin(), languages.end(), language) == languages.end()) return {};
    const HRSRC found = FindResourceExW(module_, RT_STRING, BlockOf(id), language);
    const HGLOBAL loaded = found != nullptr ? LoadResource(module_, found) : nullptr;
    const auto* entry = static_cast<const wchar_t*>(LockResource(loaded));
    if (entry == nullptr) return {};
    const wchar_t* end = entry + SizeofResource(module_, found) / sizeof(wchar_t);
    for (int skip = id % 16; skip > 0 && entry < end; --skip) entry += 1 + *entry;
    if (entry >= end || entry + 1 + *entry > end) return {};
    return {entry + 1, static_cast<std::size_t>(*entry)};
}

}  // namespace zelvane
