#pragma once

#include <string>
#include <vector>

namespace zelvane {

// A Windows user's profile as the system's profile list holds it.
struct UserProfile {
    std::wstring sid;        // "S-1-5-21-..."
    std::wstring directory;  // the profile folder, environment variables expanded
};

// What reaching every user's registry needs beyond the registry calls: the profile list,
// the names of users, and loading the hive files of users who are not logged on.
class UserHives {
  public:
    virtual ~UserHives() = default;
    // The profile list's entries; returns the registry's result code of reading it.
    virtual long Profiles(std::vector<UserProfile>& profiles) = 0;
    // The SID of the user this program runs as.
    virtual std::wstring CurrentUser() = 0;
    // "DOMAIN\name" for a SID; empty when it does not resolve.
    virtual std::wstring AccountName(const std::wstring& sid) = 0;
    // Enables the privileges that loading and unloading hives needs (backup and restore);
    // 0, or the system error when either one is not held.
    virtual long EnableHivePrivileges() = 0;
    // Loads a hive file as HKEY_USERS\name, and unloads it again; the system's result codes.
    // A file that is not there gives kErrorFileNotFound or kErrorPathNotFound.
    virtual long Load(const std::wstring& name, const std::wstring& file) = 0;
    virtual long Unload(const std::wstring& name) = 0;
};

}  // namespace zelvane
