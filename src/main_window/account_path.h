#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "platform/registry.h"

namespace zelvane {

// One registry place an account is kept in: the account's key is the subkey of the
// NewOwners key `parent` named by the account number.
struct AccountPlace {
    std::int32_t hive;
    std::wstring_view parent;
    RegistryView view;
    std::wstring_view shownAs;  // the NewOwners key as a user would name it
    // In the current user's own hive: an instance started as administrator leaves these
    // alone, since its current user may be another one.
    bool userHive;
};

// Every place the messenger keeps an account, in the order it is erased from them: the
// current user's hive, the default profile and the machine hive, where the 32-bit
// messenger's keys live in the 32-bit view; then the user's UAC virtual store, which
// receives the machine-hive writes of the messenger when it runs without administrator
// rights on Vista and later, and which it reads first: under Wow6432Node on 64-bit
// Windows, without it on 32-bit Windows.
inline constexpr std::array<AccountPlace, 5> kAccountPlaces{{
    {kHkeyCurrentUser, L"Software\\Mirabilis\\ICQ\\NewOwners", RegistryView::kNative,
     L"HKEY_CURRENT_USER\\Software\\Mirabilis\\ICQ\\NewOwners", true},
    {kHkeyUsers, L".DEFAULT\\Software\\Mirabilis\\ICQ\\NewOwners", RegistryView::kNative,
     L"HKEY_USERS\\.DEFAULT\\Software\\Mirabilis\\ICQ\\NewOwners", false},
    {kHkeyLocalMachine, L"SOFTWARE\\Mirabilis\\ICQ\\NewOwners", RegistryView::k32Bit,
     L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Mirabilis\\ICQ\\NewOwners", false},
    {kHkeyCurrentUser,
     L"Software\\Classes\\VirtualStore\\MACHINE\\SOFTWARE\\Wow6432Node\\Mirabilis\\ICQ\\NewOwners",
     RegistryView::kNative,
     L"HKEY_CURRENT_USER\\Software\\Classes\\VirtualStore\\MACHINE\\SOFTWARE\\Wow6432Node\\"
     L"Mirabilis\\ICQ\\NewOwners",
     true},
    {kHkeyCurrentUser,
     L"Software\\Classes\\VirtualStore\\MACHINE\\SOFTWARE\\Mirabilis\\ICQ\\NewOwners",
     RegistryView::kNative,
     L"HKEY_CURRENT_USER\\Software\\Classes\\VirtualStore\\MACHINE\\SOFTWARE\\Mirabilis\\ICQ\\"
     L"NewOwners",
     true},
}};

// Whether the text names exactly one direct subkey of NewOwners: it is not empty and holds
// neither a backslash, which would reach a key below the account (or NewOwners itself),
// nor a NUL, which would cut the name short on its way to the registry.
bool IsAccountName(std::wstring_view uin);

}  // namespace zelvane
