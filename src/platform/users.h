#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/result_codes.h"

namespace zelvane {

// A Windows user's profile as the system's profile list holds it.
struct UserProfile {
    std::wstring sid;         // "S-1-5-21-..."
    std::wstring directory;   // ProfileImagePath, environment variables expanded; may be empty
    std::uint32_t state = 0;  // the entry's State flags
};

// The profile list's State flags that mark an entry Windows made for a temporary profile, or
// kept as the backup of a broken one.
constexpr std::uint32_t kProfileTemporary = 0x0800;
constexpr std::uint32_t kProfileBackup = 0x8000;

// This PC's users, as the command line meets them beyond the registry calls: who runs it, the
// names of accounts, the profile list, and for a run over every user's hives the privileges
// and the lock it needs, and the loading and unloading of hive files.
class Users {
  public:
    virtual ~Users() = default;
    // The SID of the user this program runs as.
    virtual std::wstring CurrentUser() = 0;
    // "DOMAIN\name" for a SID; empty when it does not resolve.
    virtual std::wstring AccountName(const std::wstring& sid) = 0;
    // The profile list's entries; returns the registry's result code of reading it.
    virtual long Profiles(std::vector<UserProfile>& profiles) = 0;
    // The default user's profile folder, which new profiles are copied from, expanded: the
    // profile list's Default value, or on Windows XP its ProfilesDirectory joined with
    // DefaultUserProfile. kErrorFileNotFound when the list names none.
    virtual long DefaultUserFolder(std::wstring& folder) = 0;
    // Whether profiles have the layout of Windows Vista and later (AppData\Local).
    virtual bool VistaLayout() = 0;
    // Enables the privileges that loading and unloading hives needs (backup and restore);
    // 0, or the system error when either one is not held.
    virtual long EnableHivePrivileges() = 0;
    // Waits up to timeoutMs until no other run for all users goes on on this PC, and keeps
    // others waiting from then until this object ends. 0, or kErrorTimeout, or
    // kErrorLockNameTaken (not locked, and the run may go on), or the system's error.
    virtual long LockAllUsersRuns(std::uint32_t timeoutMs) = 0;
    // Checks the way to a hive file before it is loaded: 0 when each folder on it and the
    // file are there and none is a reparse point; otherwise the first that is missing
    // (kErrorFileNotFound, kErrorPathNotFound) or a reparse point (kErrorReparsePoint), named
    // in `where`. kErrorNotLocalPath for a file on a network drive.
    virtual long CheckHivePath(const std::wstring& file, std::wstring& where) = 0;
    // Loads a hive file as HKEY_USERS\name, and unloads it again; the system's result codes.
    // A file that is not there gives kErrorFileNotFound or kErrorPathNotFound. The folders on
    // the way are checked again as the load holds them: kErrorReparsePoint for one that has
    // become a reparse point since CheckHivePath.
    virtual long LoadHive(const std::wstring& name, const std::wstring& file) = 0;
    virtual long UnloadHive(const std::wstring& name) = 0;
    // Waits before a failed unload is tried again.
    virtual void Pause(std::uint32_t milliseconds) = 0;
};

}  // namespace zelvane
