#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/registry.h"
#include "platform/runtime.h"

namespace zelvane {

// One registry place an account is kept in: its key is the prefix with the account
// number appended.
struct AccountPlace {
    std::int32_t hive;
    std::wstring_view prefix;
    RegistryView view;
    std::wstring_view shownAs;  // the NewOwners key as a user would name it
};

// The current user's hive, the default profile and the machine hive, in the order an
// account is erased from them. The accounts are written by a 32-bit program, so the
// machine hive's copy lives in its 32-bit view.
inline constexpr std::array<AccountPlace, 3> kAccountPlaces{{
    {kHkeyCurrentUser, L"Software\\Mirabilis\\ICQ\\NewOwners\\", RegistryView::kNative,
     L"HKEY_CURRENT_USER\\Software\\Mirabilis\\ICQ\\NewOwners"},
    {kHkeyUsers, L".DEFAULT\\Software\\Mirabilis\\ICQ\\NewOwners\\", RegistryView::kNative,
     L"HKEY_USERS\\.DEFAULT\\Software\\Mirabilis\\ICQ\\NewOwners"},
    {kHkeyLocalMachine, L"SOFTWARE\\Mirabilis\\ICQ\\NewOwners\\", RegistryView::k32Bit,
     L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Mirabilis\\ICQ\\NewOwners"},
}};

// The ANSI path of the account's key in one place, or nothing when the text does not
// name exactly one direct subkey of NewOwners. A name is refused when it is empty, holds
// a backslash or a NUL (either would reach a key above or below the account), holds a '?'
// (what the list shows for a character of a name that the code page lacks), or does not
// convert to the ANSI code page exactly: a best-fit or default character could turn a
// look-alike into a backslash or a digit on the way to the registry.
std::optional<std::string> AccountKeyPath(const AccountPlace& place, std::wstring_view uin,
                                          const Runtime& runtime);

}  // namespace zelvane
