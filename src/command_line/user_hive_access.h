#pragma once

#include <string>
#include <vector>

#include "account_erase/account_places.h"
#include "platform/registry.h"
#include "platform/user_hives.h"

namespace zelvane {

// The profiles whose hives /allusers reaches: every profile of the list but the service
// accounts (LocalSystem, LocalService, NetworkService), whose hives are the default
// profile or hold no messenger, and entries that are not a plain SID (Windows keeps a
// broken profile's entry beside the new one as "<SID>.bak").
std::vector<UserProfile> ProfilesToReach(const std::vector<UserProfile>& profiles);

// One user's hives under HKEY_USERS for as long as it lives: the ones the system has loaded
// for a logged-on user, or else the profile's hive files, loaded under private names and
// unloaded again by Unload or, at the latest, by the destructor.
class UserHiveAccess {
  public:
    enum class State {
        kLoggedOn,    // the system's own hives, under the SID
        kLoadedHere,  // the hive files, loaded by this program
        kNoHive,      // the profile has no NTUSER.DAT (or names no folder): nothing to erase
        kFailed,      // NTUSER.DAT could not be loaded: see Result()
    };

    UserHiveAccess(Registry& registry, UserHives& hives, const UserProfile& profile);
    ~UserHiveAccess();
    UserHiveAccess(const UserHiveAccess&) = delete;
    UserHiveAccess& operator=(const UserHiveAccess&) = delete;

    State state() const { return state_; }
    // Why NTUSER.DAT (kFailed) or UsrClass.dat (ClassesResult) could not be loaded.
    long Result() const { return result_; }
    long ClassesResult() const { return classesResult_; }
    const std::wstring& HiveFile() const { return hiveFile_; }
    const std::wstring& ClassesFile() const { return classesFile_; }
    // The private name NTUSER.DAT was loaded under (kLoadedHere).
    const std::wstring& LoadedAs() const { return loadedAs_; }
    // The user's places in the hives reached; none unless logged on or loaded here.
    const std::vector<AccountPlace>& Places() const { return places_; }
    // Unloads what this loaded; the first failure, 0 when all went (or nothing was loaded).
    long Unload();

  private:
    UserHives& hives_;
    State state_ = State::kFailed;
    long result_ = 0;
    long classesResult_ = 0;
    std::wstring hiveFile_;
    std::wstring classesFile_;
    std::wstring loadedAs_;
    std::vector<std::wstring> loaded_;
    std::vector<AccountPlace> places_;
};

}  // namespace zelvane
