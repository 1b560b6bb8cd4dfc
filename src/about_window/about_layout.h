#pragma once

#include <string>

#include "platform/form_layout.h"
#include "platform/strings.h"
#include "resource_ids.h"

namespace zelvane {

// The About window's controls, numbered in tab order.
enum AboutControl : int {
    kAboutFrame = 1,
    kMadeByCaption,
    kEmailCaption,
    kUinCaption,
    kAuthorLabel,
    kSecondEmailLink,
    kUinLink,
    kFirstEmailLink,
};

// The makers' contact details that the window shows and opens.
inline constexpr wchar_t kAuthorName[] = L"Zelvane Developers";
inline constexpr wchar_t kFirstEmail[] = L"dev@example.com";
inline constexpr wchar_t kSecondEmail[] = L"team@example.org";
inline constexpr wchar_t kAuthorUin[] = L"123456";
inline constexpr wchar_t kWhitePagesHost[] = L"wwp.example.net";

// The white-pages page that sends a message to the account.
std::wstring WhitePagesAddress(const std::wstring& uin);

// As MainLayout: the texts are the strings' own.
FormSpec AboutLayout(const Strings& strings);

}  // namespace zelvane
