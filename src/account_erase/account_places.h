#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace zelvane {

// Whose registry a place lies in: the user's own hive or virtual store, or the default
// profile and the machine hive, which every user shares and a standard user may not change.
enum class PlaceScope { kUser, kShared };

// One registry place an account is kept in: the account's key is the subkey of the
// NewOwners key `parent` (below `hive`) named by the account number.
struct AccountPlace {
    std::int32_t hive;  // kHkeyCurrentUser, kHkeyUsers or kHkeyLocalMachine
    std::wstring parent;
    RegistryView view;
    PlaceScope scope;
};

// The NewOwners key by the path that regedit and reg.exe show for the key the erase opens in
// that registry: "HKEY_CURRENT_USER\Software\...\NewOwners", and for the machine's 32-bit
// view on 64-bit Windows "HKEY_LOCAL_MACHINE\SOFTWARE\WOW6432Node\...\NewOwners".
std::wstring ShownAs(const AccountPlace& place, const Registry& registry);
// The account's key at the place, named so.
std::wstring ShownAs(const AccountPlace& place, const Registry& registry, std::wstring_view uin);

// The current user's places, in the order the window erases from them: the user's hive, the
// default profile, the machine hive, then the user's two UAC virtual stores.
std::vector<AccountPlace> CurrentUserPlaces();

// One user's own places in hives loaded under HKEY_USERS: userKey names the user's hive
// there (a SID, or a name the program loaded it under), classesKey the user's classes hive
// (UsrClass.dat, where UAC's virtual store lives), empty where there is none (Windows XP).
// classesInUserHive: the user's hive holds Software\Classes as a key of its own, not as the
// link to the classes hive that Windows makes while the user is logged on (Wine keeps a
// user's classes there and loads no classes hive); its virtual store is the user's too.
std::vector<AccountPlace> UserHivePlaces(const std::wstring& userKey,
                                         const std::wstring& classesKey,
                                         bool classesInUserHive = false);

// The default profile and the machine hive.
std::vector<AccountPlace> SharedPlaces();

// The key the window lists the accounts of, below HKEY_CURRENT_USER.
std::wstring ListingPath();

}  // namespace zelvane
