#pragma once

#include <string>
#include <utility>
#include <vector>

#include "account_erase/account_places.h"
#include "platform/registry.h"
#include "platform/users.h"

namespace zelvane {

// The profiles whose hives /allusers reaches: every profile of the list but the service
// accounts (LocalSystem, LocalService, NetworkService), whose hives are the default
// profile or hold no messenger, and entries that are named by no SID. An entry named
// "<SID>.bak" is reached like the others: Windows renames a user's entry so when it could
// not load the profile and gives the user a temporary one, and it names the user's own
// folder.
std::vector<UserProfile> ProfilesToReach(std::vector<UserProfile> profiles);

// The SID a profile list entry is the user's of: its name, without ".bak".
std::wstring ProfileSid(const std::wstring& entry);

// Whether Windows marks the entry as a temporary profile's or a backup.
bool IsTemporaryOrBackup(const UserProfile& profile);

// What the default user's hive is named by, where a user's is named by the SID.
inline constexpr wchar_t kDefaultUserHive[] = L"DefaultUser";

// The name a user's hive is loaded under, beside the system's own hives: a name no SID or
// ".DEFAULT" can take. The default user's is PrivateHiveName(kDefaultUserHive).
std::wstring PrivateHiveName(const std::wstring& owner);
// Whether a name under HKEY_USERS is one this program loads hives under.
bool IsPrivateHiveName(const std::wstring& name);
// The name a hive loaded under a private name has without it: "<SID>" or "<SID>_Classes",
// as Windows loads them for a user who logs on, or kDefaultUserHive's (with "_Classes").
std::wstring OwnHiveName(const std::wstring& privateName);

// Unloads HKEY_USERS\name, tried again for a short while when it fails (something may hold a
// key of the hive open for a moment); the last result.
long UnloadHiveWithRetries(Users& users, const std::wstring& name);

// Whether HKEY_USERS\userKey holds Software\Classes as a key of its own, whose virtual store
// is then the user's too (see UserHivePlaces). Told without following a link: a link there
// is not one, and one that is not there is not one either; a key that cannot be told of
// counts as one, so that the erase meets it and names what it meets.
bool ClassesInUserHive(Registry& registry, const std::wstring& userKey);

// A profile's hive files, loaded under private names for as long as this lives: checked
// before any load (a full local folder, no reparse point on the way), and unloaded again by
// Unload or, at the latest, by the destructor, also when anything on the way throws.
class UserHiveAccess {
  public:
    enum class State {
        kLoaded,      // NTUSER.DAT was loaded (UsrClass.dat where there is one), or was there
        kNoFolder,    // the folder, or one above it, is not there: see Where()
        kNotReached,  // NTUSER.DAT is not there: see Result() and Where()
        kFailed,      // refused or not loaded: see Result() and Where()
    };

    // folder: the profile's folder; owner: what its private names are made from. userKey:
    // where the user's hive is loaded already (someone else loaded it under HKEY_USERS, as
    // Windows does for a user who logs on), whose classes hive alone is then loaded beside
    // it; empty to load both.
    UserHiveAccess(Users& users, Registry& registry, const std::wstring& folder,
                   const std::wstring& owner, const std::wstring& userKey = L"");
    UserHiveAccess(const UserHiveAccess&) = delete;
    UserHiveAccess& operator=(const UserHiveAccess&) = delete;

    State state() const { return state_; }
    // Why NTUSER.DAT was not loaded, and what the result is about (the folder, a step of the
    // way, or the file).
    long Result() const { return result_; }
    const std::wstring& Where() const { return where_; }
    // Why UsrClass.dat was not loaded (0 when it was, or when there is none), and where.
    long ClassesResult() const { return classesResult_; }
    const std::wstring& ClassesWhere() const { return classesWhere_; }
    // The hive files this loaded, each with the name it was loaded under.
    struct Loaded {
        std::wstring file;
        std::wstring name;
    };
    const std::vector<Loaded>& LoadedHives() const { return loaded_.list; }
    // The user's places in the hives loaded, handed over once; none unless kLoaded.
    std::vector<AccountPlace> TakePlaces() { return std::move(places_); }
    // Unloads what this loaded, classes hive first; the first failure and the name it was
    // for, 0 when all went (or nothing was loaded).
    long Unload(std::wstring& failedName);

  private:
    long Load(const std::wstring& name, const std::wstring& file, std::wstring& where);

    // What is loaded: a member, so that it is unloaded also when the constructor throws
    // after a load, which runs no destructor of this class.
    struct LoadedList {
        Users& users;
        std::vector<Loaded> list;
        ~LoadedList();
    };

    Users& users_;
    LoadedList loaded_;
    State state_ = State::kFailed;
    long result_ = 0;
    long classesResult_ = 0;
    std::wstring where_;
    std::wstring classesWhere_;
    std::vector<AccountPlace> places_;
};

}  // namespace zelvane
